#pragma once

#include <ogg/ogg.h>
#include <vector>

namespace oq {

// An Ogg packet whose data this object owns. A packet handed out by the
// stream layer points into the layer's buffer, which moves on the next page;
// a copy outlives that. Storing reuses the buffer, so holding one packet
// after another costs no allocation once the largest has been seen.
class PacketCopy {
public:
    void Store(const ogg_packet& packet);
    void Release() noexcept;
    void Swap(PacketCopy& other) noexcept;

    bool Empty() const noexcept { return !stored_; }
    // The stored packet, its data pointing into this object.
    ogg_packet Packet() const noexcept;

private:
    std::vector<unsigned char> data_;
    ogg_packet fields_{};
    bool stored_ = false;
};

} // namespace oq
