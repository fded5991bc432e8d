#include "model/EvenSplit.h"

#include "base/Error.h"
#include "media/MPEGData.h"
#include "model/MarkerGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace oq {

namespace {

constexpr std::int64_t kBytesPerKb = 1000;
constexpr std::int64_t kHundredthsPerSecond = 100;

// Kilobytes per section, rounded up, or sections per size, rounded up.
std::int64_t DivideRoundingUp(std::int64_t total, std::int64_t part)
{
    if (part <= 0)
        throw RangeError("cannot divide by a section of " + std::to_string(part));
    return total / part + (total % part > 0 ? 1 : 0);
}

// Whole seconds as hundredths. A play time too long for that is far too
// long for any field that shows it, which refuses it then; saturating keeps
// the arithmetic defined until there.
std::int64_t Hundredths(std::int64_t seconds)
{
    constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
    return seconds > kMost / kHundredthsPerSecond ? kMost : seconds * kHundredthsPerSecond;
}

std::int64_t RoundHalfToEven(double seconds)
{
    const double whole = std::floor(seconds);
    const double fraction = seconds - whole;
    auto rounded = static_cast<std::int64_t>(whole);
    if (fraction > 0.5 || (fraction == 0.5 && rounded % 2 != 0))
        ++rounded;
    return rounded;
}

} // namespace

EvenSplit::EvenSplit(const MPEGData& file)
    : fileBytes_(file.FileSize), kilobytes_(file.FileSize / kBytesPerKb), roundedSeconds_(RoundHalfToEven(file.TimeTotal))
{
}

SplitFigures EvenSplit::ByCount(std::int64_t count) const
{
    count = std::clamp<std::int64_t>(count, 1, kMostSections);
    return {count, Hundredths(roundedSeconds_ / count), DivideRoundingUp(kilobytes_, count)};
}

SplitFigures EvenSplit::BySize(std::int64_t kilobytes) const
{
    // At most about 1000 sections: a size below a thousandth of the file is
    // raised just past it.
    const std::int64_t thousandth = kilobytes_ / 1000;
    if (kilobytes < thousandth)
        kilobytes = thousandth + 1;
    kilobytes = std::min(kilobytes, kilobytes_);
    const std::int64_t count = DivideRoundingUp(kilobytes_, kilobytes);
    return {count, Hundredths(roundedSeconds_ / count), kilobytes};
}

SplitFigures EvenSplit::ByLength(std::int64_t hundredths) const
{
    hundredths = std::max(hundredths, kShortestLengthHundredths);
    std::int64_t seconds = hundredths / kHundredthsPerSecond;
    if (roundedSeconds_ < seconds) {
        seconds = roundedSeconds_;
        hundredths = Hundredths(seconds);
    }
    if (seconds <= 0)
        throw RangeError("a file without play time cannot be split by length");
    // Through the size: sections of this length share the bytes in
    // proportion, and one whole kilobyte is always added.
    using Real = long double;
    const Real share = Real(fileBytes_) / (Real(roundedSeconds_) / Real(seconds)) / kBytesPerKb;
    const auto size = static_cast<std::int64_t>(share) + 1;
    return {DivideRoundingUp(kilobytes_, size), hundredths, size};
}

std::vector<std::int32_t> EvenPositions(std::int32_t blocks, std::int64_t count)
{
    if (count < 1)
        throw RangeError("cannot split into " + std::to_string(count) + " sections");
    // B div N is at most B, as N is at least 1.
    std::int32_t step = std::max(static_cast<std::int32_t>(blocks / count), EvenSplit::kSmallestStepBlocks);
    step = std::min(step, blocks);
    std::vector<std::int32_t> positions{0};
    int markersInList = 1;
    std::int32_t p = 0;
    do {
        p = step > blocks - p || count == markersInList ? blocks : p + step;
        positions.push_back(p);
        markersInList = std::min(markersInList + 1, MarkerGeometry::kMaxMarkers);
    } while (p < blocks);
    return positions;
}

} // namespace oq
