#include "vorbis/VorbisPacketClock.h"

#include "vorbis/HeaderPackets.h"

namespace oq {

std::unique_ptr<PacketClock> VorbisPacketClock::Clone() const
{
    return std::make_unique<VorbisPacketClock>(*this);
}

long VorbisPacketClock::Blocksize(const ogg_packet& packet)
{
    if (packet.bytes <= 0)
        return headers_->Blocksize(packet);
    long& known = blocksizeByFirstByte_[packet.packet[0]];
    if (known == 0) {
        // The decoder library reads the type bit and the mode number from
        // the front of the packet; a packet of the first byte alone gives the
        // same answer, or an error when the mode number does not fit in it.
        ogg_packet front = packet;
        front.bytes = 1;
        known = headers_->Blocksize(front);
    }
    return known > 0 ? known : headers_->Blocksize(packet);
}

bool VorbisPacketClock::Place(const ogg_packet& packet, TimedPacket& time)
{
    const long blocksize = Blocksize(packet);
    if (blocksize <= 0)
        return false;
    time = timeline_.Place(blocksize, packet.granulepos, packet.e_o_s != 0);
    return true;
}

} // namespace oq
