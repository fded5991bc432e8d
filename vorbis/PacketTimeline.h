#pragma once

#include <cstdint>

namespace oq {

// Where one audio packet's samples land in the decoded output of its stream.
// A packet yields `Advance` samples, (previous block + this block) / 4, of
// which the decoder may drop some from the start (only on the first packet
// that carries a granule position, when the page says fewer samples precede
// it) or from the end (only on the end-of-stream packet). All positions are
// sample frames of the decoded output, counted from its first sample.
struct TimedPacket {
    long Blocksize = 0;
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

// Follows a stream's audio packets the way the reference decoder does, so
// that positions are counted from the packets themselves. The granule
// positions of the source's pages are used only where the decoder uses them:
// the first one fixes how much of its packet is dropped at the start, and the
// running position it resets to decides how much the end-of-stream packet
// drops. Pages whose granule positions disagree with their packets (as some
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
