#include "model/PositionConverter.h"

#include "media/MPEGData.h"
#include "base/Error.h"

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
