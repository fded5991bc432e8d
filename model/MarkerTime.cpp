#include "model/MarkerTime.h"

#include "base/Error.h"
#include "media/MPEGData.h"

#include <algorithm>
#include <cmath>

namespace oq {

MarkerTime::MarkerTime(const MPEGData& file) : converter_(file), rate_(file.Rate), samples_(file.PcmTotal)
{
    if (file.BlockCount < 1 || file.PcmTotal < 1 || file.Rate < 1)
        throw RangeError("\"" + file.FileName + "\" has no audio to place markers in");
}

std::int32_t MarkerTime::PositionAtSample(std::int64_t sample) const
{
    const std::int32_t blocks = converter_.BlockCount();
    // The estimate is off by at most one block: the conversion truncates.
    const auto estimate = static_cast<std::int32_t>(
        std::clamp<long double>(std::round(static_cast<long double>(sample) * blocks / samples_), 0, blocks));
    std::int32_t best = estimate;
    std::int64_t bestDistance = -1;
    for (std::int32_t p = std::max(estimate - 1, 0); p <= std::min(estimate + 1, blocks); ++p) {
        const std::int64_t distance = std::abs(Sample(p) - sample);
        if (bestDistance < 0 || distance < bestDistance) {
            best = p;
            bestDistance = distance;
        }
    }
    return best;
}

std::optional<std::int32_t> MarkerTime::PositionAt(double seconds) const
{
    const double sample = std::round(seconds * rate_);
    if (!(sample >= 0) || sample > static_cast<double>(samples_))
        return std::nullopt;
    return PositionAtSample(static_cast<std::int64_t>(sample));
}

} // namespace oq
