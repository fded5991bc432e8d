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

std::int32_t MarkerTime::PositionAtSample(std::int64_t sample) const { return converter_.SamplesToPosition(sample); }

std::optional<std::int32_t> MarkerTime::PositionAt(double seconds) const
{
    const double sample = std::round(seconds * rate_);
    if (!(sample >= 0) || sample > static_cast<double>(samples_))
        return std::nullopt;
    return PositionAtSample(static_cast<std::int64_t>(sample));
}

std::vector<std::int32_t> MarkerTime::LinkPositions(const MPEGData& file)
{
    const MarkerTime time(file);
    std::vector<std::int32_t> positions;
    positions.reserve(file.LinkStarts.size());
    for (const std::int64_t start : file.LinkStarts)
        positions.push_back(time.PositionAtSample(start));
    return positions;
}

} // namespace oq
