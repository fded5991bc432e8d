#pragma once

#include "codec/TimedPacket.h"

#include <cstdint>

namespace oq {

// Follows a Vorbis stream's audio packets the way the reference decoder does,
// so that positions are counted from the packets themselves. A packet yields
// (previous block + this block) / 4 samples; the decoder drops some from the
// start only on the first packet that carries a granule position, when the
// page says fewer samples precede it, and from the end only on the
// end-of-stream packet. The granule positions of the source's pages are used
// only where the decoder uses them: the first one fixes how much of its
// packet is dropped at the start, and the running position it resets to
// decides how much the end-of-stream packet drops. Pages whose granule positions disagree with their packets (as some
// muxers write them) therefore cannot move a cut.
class PacketTimeline {
public:
    // Places the next audio packet: its block size, the granule position the
    // stream layer gave it (-1 when none) and its end-of-stream flag.
    TimedPacket Place(long blocksize, std::int64_t granule, bool endOfStream);

    // PreviousBlocksize: the block size of the last packet placed, 0 before
    // the first.
    long PreviousBlocksize() const noexcept { return previousBlocksize_; }
    // Samples placed so far.
    std::int64_t Position() const noexcept { return position_; }

private:
    long previousBlocksize_ = 0;
    bool started_ = false;
    std::int64_t sampleCount_ = 0; // untrimmed samples of all packets so far
    std::int64_t decoderGranule_ = -1; // the decoder's running position, -1 until anchored
    std::int64_t position_ = 0;
};

} // namespace oq
