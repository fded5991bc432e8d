#pragma once

#include "codec/PacketClock.h"

#include <string>

namespace oq {

// An Opus stream's packet clock, following the file library: every packet
// yields the samples its table of contents says; the first `preSkip` samples
// of the stream are dropped, and the end-of-stream packet drops what its
// granule position says lies past the end. A granule position counts from
// the stream's starting granule, which the first page with one fixes (its
// position less the samples of the packets up to it); a stream may thus
// start after 0 without dropping anything more.
//
// Only the end-of-stream packet is trimmed at the end. A last page whose
// granule position takes more than that packet would have the clock count
// samples already given out that the file library drops: such a stream is
// refused (FormatError) when its end is reached.
class OpusPacketClock final : public PacketClock {
public:
    OpusPacketClock(std::string sourceName, std::int64_t preSkip) : sourceName_(std::move(sourceName)), preSkip_(preSkip) {}

    std::unique_ptr<PacketClock> Clone() const override;
    bool Place(const ogg_packet& packet, TimedPacket& time) override;
    std::int64_t Position() const noexcept override { return position_; }

private:
    std::string sourceName_;
    std::int64_t preSkip_;
    std::int64_t untrimmed_ = 0;     // samples of all packets placed, nothing dropped
    std::int64_t startGranule_ = -1; // granule position of the stream's first sample, -1 until known
    std::int64_t position_ = 0;
};

} // namespace oq
