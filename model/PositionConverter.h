#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace oq {

struct MPEGData;

// Conversions between block positions (amplitude-profile entries, the unit of
// every marker) and seconds, samples, display pixels and kilobytes. Each is
// evaluated in extended precision, dividing before multiplying, and
// truncated toward zero: the same numbers everywhere in the program.
// A conversion that would divide by zero (a file shorter than one block, an
// empty file, a display of no width) raises RangeError.
//
// In a chained file the block nearest each link boundary stands for the
// boundary itself (its samples are the boundary's), so that a marker laid
// there cuts where the links meet and the sections need no cut inside a
// link for it.
class PositionConverter {
public:
    PositionConverter(std::int32_t blockCount, double timeTotal, std::int64_t pcmTotal,
                      std::int64_t fileSize);
    explicit PositionConverter(const MPEGData& file);

    std::int32_t BlockCount() const noexcept { return blocks_; }

    std::int32_t PositionToSeconds(std::int32_t position) const;   // Trunc(p / B * T)
    std::int32_t SecondsToPosition(std::int32_t seconds) const;    // Trunc(s / T * B)
    std::int64_t PositionToSamples(std::int32_t position) const;   // Trunc(p / B * S), S at p >= B
    // The block whose samples lie nearest `sample` (the earlier of two as
    // near), within 0 .. B.
    std::int32_t SamplesToPosition(std::int64_t sample) const;
    // On a display `width` pixels wide (W).
    std::int32_t PositionToPixel(std::int32_t position, std::int32_t width) const; // Trunc(p / B * W)
    std::int32_t PixelToPosition(std::int32_t pixel, std::int32_t width) const;    // Trunc(x / W * B), not limited
    std::int64_t SpanToKb(std::int32_t span) const;                // Trunc(F / B * n / 1000)
    std::int32_t KbToSpan(std::int64_t kilobytes) const;           // Trunc(k * 1000 / (F / B))

private:
    std::int64_t PlainSamples(std::int32_t position) const;
    template <typename Samples>
    std::int32_t Nearest(std::int64_t sample, Samples samplesOf) const;

    std::vector<std::pair<std::int32_t, std::int64_t>> boundaries_; // block and link start, rising
    std::int32_t blocks_;
    double seconds_;
    std::int64_t samples_;
    std::int64_t bytes_;
};

} // namespace oq
