#include "model/PositionConverter.h"

#include "media/MPEGData.h"
#include "base/Error.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace oq {

namespace {

// Extended precision, as every conversion of the program uses.
using Real = long double;

void RequireNonZero(Real divisor, const char* what)
{
    if (divisor == 0)
        throw RangeError(std::string("cannot convert positions: ") + what + " is zero");
}

// Truncated toward zero. A result beyond the integer's range (positions of
// a time far past the end of a very long file) is held at the range's end:
// it still lies past every position of the file, where a plain conversion
// would be undefined.
template <typename Integer>
Integer Truncated(Real value)
{
    constexpr Real lowest = std::numeric_limits<Integer>::min();
    constexpr Real highest = std::numeric_limits<Integer>::max();
    if (std::isnan(value))
        return 0;
    if (value <= lowest)
        return std::numeric_limits<Integer>::min();
    if (value >= highest)
        return std::numeric_limits<Integer>::max();
    return static_cast<Integer>(value);
}

} // namespace

PositionConverter::PositionConverter(std::int32_t blockCount, double timeTotal, std::int64_t pcmTotal,
                                     std::int64_t fileSize)
    : blocks_(blockCount), seconds_(timeTotal), samples_(pcmTotal), bytes_(fileSize)
{
}

PositionConverter::PositionConverter(const MPEGData& file)
    : PositionConverter(file.BlockCount, file.TimeTotal, file.PcmTotal, file.FileSize)
{
    if (blocks_ <= 0 || samples_ <= 0)
        return;
    for (const std::int64_t start : file.LinkStarts) {
        const std::int32_t block = Nearest(start, [this](std::int32_t p) { return PlainSamples(p); });
        // The file's ends stay its ends; of two boundaries nearest one block
        // (a link shorter than a block) the first is kept.
        if (block > 0 && block < blocks_ && (boundaries_.empty() || block > boundaries_.back().first))
            boundaries_.emplace_back(block, start);
    }
}

template <typename Samples>
std::int32_t PositionConverter::Nearest(std::int64_t sample, Samples samplesOf) const
{
    // The estimate is off by at most one block: the conversion truncates,
    // and a boundary's block lies within half a block of it.
    const auto estimate = static_cast<std::int32_t>(
        std::clamp<Real>(std::round(Real(sample) * blocks_ / Real(samples_)), 0, blocks_));
    std::int32_t best = estimate;
    std::int64_t bestDistance = -1;
    // Counted in 64 bits: the estimate may be the largest block position.
    const std::int64_t last = std::min<std::int64_t>(std::int64_t(estimate) + 1, blocks_);
    for (std::int64_t p = std::max(estimate - 1, 0); p <= last; ++p) {
        const std::int64_t distance = std::abs(samplesOf(static_cast<std::int32_t>(p)) - sample);
        if (bestDistance < 0 || distance < bestDistance) {
            best = static_cast<std::int32_t>(p);
            bestDistance = distance;
        }
    }
    return best;
}

std::int32_t PositionConverter::SamplesToPosition(std::int64_t sample) const
{
    RequireNonZero(Real(samples_), "the sample count");
    return Nearest(sample, [this](std::int32_t p) { return PositionToSamples(p); });
}

std::int32_t PositionConverter::PositionToSeconds(std::int32_t position) const
{
    RequireNonZero(blocks_, "the block count");
    return Truncated<std::int32_t>(Real(position) / blocks_ * Real(seconds_));
}

std::int32_t PositionConverter::SecondsToPosition(std::int32_t seconds) const
{
    RequireNonZero(Real(seconds_), "the play time");
    return Truncated<std::int32_t>(Real(seconds) / Real(seconds_) * blocks_);
}

std::int64_t PositionConverter::PositionToSamples(std::int32_t position) const
{
    const auto boundary = std::lower_bound(boundaries_.begin(), boundaries_.end(), std::pair{position, std::int64_t{0}});
    if (boundary != boundaries_.end() && boundary->first == position)
        return boundary->second;
    return PlainSamples(position);
}

std::int64_t PositionConverter::PlainSamples(std::int32_t position) const
{
    if (position >= blocks_)
        return samples_;
    RequireNonZero(blocks_, "the block count");
    return Truncated<std::int64_t>(Real(position) / blocks_ * Real(samples_));
}

std::int32_t PositionConverter::PositionToPixel(std::int32_t position, std::int32_t width) const
{
    RequireNonZero(blocks_, "the block count");
    return Truncated<std::int32_t>(Real(position) / blocks_ * width);
}

std::int32_t PositionConverter::PixelToPosition(std::int32_t pixel, std::int32_t width) const
{
    RequireNonZero(width, "the display width");
    return Truncated<std::int32_t>(Real(pixel) / width * blocks_);
}

std::int64_t PositionConverter::SpanToKb(std::int32_t span) const
{
    RequireNonZero(blocks_, "the block count");
    return Truncated<std::int64_t>(Real(bytes_) / blocks_ * span / 1000);
}

std::int32_t PositionConverter::KbToSpan(std::int64_t kilobytes) const
{
    RequireNonZero(blocks_, "the block count");
    RequireNonZero(Real(bytes_), "the file size");
    // 64-bit product: sizes past 2 GB would overflow the 32-bit one.
    return Truncated<std::int32_t>(Real(kilobytes * 1000) / (Real(bytes_) / blocks_));
}

} // namespace oq
