#include "vorbis/PacketTimeline.h"

#include <algorithm>

namespace oq {

namespace {

// Granule positions of damaged pages can lie anywhere in 64 bits. The
// decoder's arithmetic on them wraps around; so does this, without the
// undefined behaviour of a signed overflow.
std::int64_t WrappingAdd(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

std::int64_t WrappingSub(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

} // namespace

TimedPacket PacketTimeline::Place(long blocksize, std::int64_t granule, bool endOfStream)
{
    TimedPacket packet;
    // The first packet only primes the overlap and yields nothing.
    packet.Advance = started_ ? (previousBlocksize_ + blocksize) / 4 : 0;
    started_ = true;
    previousBlocksize_ = blocksize;
    sampleCount_ += packet.Advance;

    if (decoderGranule_ == -1) {
        if (granule != -1) {
            packet.Anchor = true;
            decoderGranule_ = granule;
            const std::int64_t extra = std::clamp<std::int64_t>(WrappingSub(sampleCount_, granule), 0, packet.Advance);
            // A stream that is all one page ends short instead of starting late.
            (endOfStream ? packet.TailTrim : packet.HeadTrim) = extra;
        }
    } else {
        decoderGranule_ = WrappingAdd(decoderGranule_, packet.Advance);
        if (granule != -1 && decoderGranule_ != granule) {
            if (endOfStream && decoderGranule_ > granule)
                packet.TailTrim = std::clamp<std::int64_t>(WrappingSub(decoderGranule_, granule), 0, packet.Advance);
            // Elsewhere the decoder believes the page and moves on from it.
            decoderGranule_ = granule;
        }
    }
    position_ += packet.Kept();
    packet.End = position_;
    return packet;
}

} // namespace oq
