#pragma once

#include "codec/PacketClock.h"
#include "vorbis/PacketTimeline.h"

#include <array>

namespace oq {

class HeaderPackets;

// A Vorbis stream's packet clock: each audio packet's block size, from the
// mode in its first bits, placed on the stream's PacketTimeline. The headers
// must outlive the clock and its copies.
class VorbisPacketClock final : public PacketClock {
public:
    explicit VorbisPacketClock(const HeaderPackets& headers) : headers_(&headers) {}

    std::unique_ptr<PacketClock> Clone() const override;
    bool Place(const ogg_packet& packet, TimedPacket& time) override;
    std::int64_t Position() const noexcept override { return timeline_.Position(); }

private:
    long Blocksize(const ogg_packet& packet);

    const HeaderPackets* headers_;
    PacketTimeline timeline_;
    // Block sizes by a packet's first byte, which holds its type and mode
    // unless the stream has more than 128 modes; 0 while not looked up.
    std::array<long, 256> blocksizeByFirstByte_{};
};

} // namespace oq
