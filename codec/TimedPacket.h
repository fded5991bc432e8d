#pragma once

#include <cstdint>

namespace oq {

// Where one audio packet's samples land in the decoded output of its stream.
// A packet yields `Advance` samples, of which the decoder may drop some from
// the start (the stream's granule positions say fewer samples precede it) or
// from the end (at the end of the stream). All positions are sample frames of
// the decoded output, counted from its first sample.
struct TimedPacket {
    std::int64_t Advance = 0;
    std::int64_t HeadTrim = 0;
    std::int64_t TailTrim = 0;
    std::int64_t End = 0; // one past the last sample this packet contributes
    bool Anchor = false;  // the first packet with a granule position

    std::int64_t Kept() const noexcept { return Advance - HeadTrim - TailTrim; }
    std::int64_t First() const noexcept { return End - Kept(); }
    // Where the packet's untrimmed samples would start.
    std::int64_t FullStart() const noexcept { return First() - HeadTrim; }
};

} // namespace oq
