#include "ogg/PacketCopy.h"

#include <utility>

namespace oq {

void PacketCopy::Store(const ogg_packet& packet)
{
    data_.assign(packet.packet, packet.packet + packet.bytes);
    fields_ = packet;
    fields_.packet = nullptr;
    stored_ = true;
}

void PacketCopy::Release() noexcept
{
    std::vector<unsigned char>().swap(data_);
    fields_ = {};
    stored_ = false;
}

void PacketCopy::Swap(PacketCopy& other) noexcept
{
    data_.swap(other.data_);
    std::swap(fields_, other.fields_);
    std::swap(stored_, other.stored_);
}

ogg_packet PacketCopy::Packet() const noexcept
{
    ogg_packet packet = fields_;
    packet.packet = const_cast<unsigned char*>(data_.data());
    return packet;
}

} // namespace oq
