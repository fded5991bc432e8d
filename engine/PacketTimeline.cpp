#include "engine/PacketTimeline.h"

#include <algorithm>

namespace oq {

TimedPacket PacketTimeline::Place(long blocksize, std::int64_t granule, bool endOfStream)
{
    TimedPacket packet;
    packet.Blocksize = blocksize;
    // The first packet only primes the overlap and yields nothing.
    packet.Advance = started_ ? (previousBlocksize_ + blocksize) / 4 : 0;
    started_ = true;
    previousBlocksize_ = blocksize;
    sampleCount_ += packet.Advance;

    if (decoderGranule_ == -1) {
        if (granule != -1) {
            packet.Anchor = true;
            decoderGranule_ = granule;
            const std::int64_t extra = std::min(std::max<std::int64_t>(sampleCount_ - granule, 0), packet.Advance);
            // A stream that is all one page ends short instead of starting late.
            (endOfStream ? packet.TailTrim : packet.HeadTrim) = extra;
        }
    } else {
        decoderGranule_ += packet.Advance;
        if (granule != -1 && decoderGranule_ != granule) {
            if (endOfStream && decoderGranule_ > granule)
                packet.TailTrim = std::min(decoderGranule_ - granule, packet.Advance);
            // Elsewhere the decoder believes the page and moves on from it.
            decoderGranule_ = granule;
        }
    }
    position_ += packet.Kept();
    packet.End = position_;
    return packet;
}

} // namespace oq
