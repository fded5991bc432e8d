#include "opus/OpusPacketClock.h"

#include "base/Error.h"
#include "opus/OpusFormat.h"

#include <algorithm>
#include <opus.h>

namespace oq {

std::unique_ptr<PacketClock> OpusPacketClock::Clone() const { return std::make_unique<OpusPacketClock>(*this); }

bool OpusPacketClock::Place(const ogg_packet& packet, TimedPacket& time)
{
    if (packet.bytes <= 0)
        return false;
    // The table of contents leads every packet, the first stream's of a
    // multistream packet too, so its duration stands for all of them.
    const int samples = opus_packet_get_nb_samples(packet.packet, static_cast<opus_int32>(packet.bytes), kOpusRate);
    if (samples <= 0)
        return false;
    time = TimedPacket{};
    time.Advance = samples;
    const std::int64_t before = untrimmed_;
    untrimmed_ += samples;
    time.HeadTrim = std::clamp<std::int64_t>(preSkip_ - before, 0, samples);
    const std::int64_t granule = packet.granulepos;
    if (startGranule_ < 0 && granule >= 0) {
        time.Anchor = true;
        // A stream that is all one page may end short of its packets: it
        // starts at 0 and loses the rest at its end.
        startGranule_ = std::max<std::int64_t>(0, granule - untrimmed_);
    }
    if (packet.e_o_s != 0 && granule >= startGranule_ && startGranule_ >= 0) {
        const std::int64_t end = granule - startGranule_;
        if (end < before)
            throw FormatError(sourceName_, "ends its Opus stream with a granule position that drops more than its last "
                                           "packet (" + std::to_string(untrimmed_ - end) + " samples), which cannot be cut exactly");
        time.TailTrim = std::clamp<std::int64_t>(untrimmed_ - end, 0, samples - time.HeadTrim);
    }
    position_ += time.Kept();
    time.End = position_;
    return true;
}

} // namespace oq
