#include "media/ChainTimeline.h"

#include "media/MPEGData.h"

#include <algorithm>
#include <limits>

namespace oq {

ChainTimeline::ChainTimeline(const MPEGData& file)
{
    stretches_.push_back({0, std::max(file.Rate, 0)});
    for (std::size_t k = 0; k < file.LinkStarts.size(); ++k) {
        // A record made without the links' rates counts them all at the first's.
        const std::int32_t rate = k < file.LinkRates.size() ? file.LinkRates[k] : file.Rate;
        stretches_.push_back({file.LinkStarts[k], std::max(rate, 0)});
    }
}

ChainTimeline::ChainTimeline(std::int32_t rate) : stretches_{{0, std::max(rate, 0)}} {}

bool ChainTimeline::OneRate() const noexcept
{
    const std::int32_t first = stretches_.front().Rate;
    return std::ranges::all_of(stretches_, [first](const Stretch& stretch) { return stretch.Rate == first; });
}

double ChainTimeline::Length(std::int64_t first, std::int64_t end) const
{
    double seconds = 0;
    for (std::size_t k = 0; k < stretches_.size(); ++k) {
        const std::int64_t stretchEnd =
            k + 1 < stretches_.size() ? stretches_[k + 1].First : std::numeric_limits<std::int64_t>::max();
        const std::int64_t from = std::max(first, stretches_[k].First);
        const std::int64_t to = std::min(end, stretchEnd);
        if (to > from && stretches_[k].Rate > 0)
            seconds += static_cast<double>(to - from) / stretches_[k].Rate;
    }
    return seconds;
}

} // namespace oq
