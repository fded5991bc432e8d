#include "media/ChainTimeline.h"

#include "base/TimeText.h"
#include "media/MPEGData.h"

#include <algorithm>
#include <cmath>
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

std::int64_t ChainTimeline::Sample(double seconds) const
{
    // Seconds from the start of the file to stretch k, summed as Length
    // sums them, so that a link's own start time gives back its first sample.
    double before = 0;
    std::size_t k = 0;
    for (; k + 1 < stretches_.size(); ++k) {
        const Stretch& stretch = stretches_[k];
        const std::int64_t samples = stretches_[k + 1].First - stretch.First;
        const double length = stretch.Rate > 0 ? static_cast<double>(samples) / stretch.Rate : 0;
        if (seconds < before + length)
            break;
        before += length;
    }
    const Stretch& stretch = stretches_[k];
    return stretch.First + static_cast<std::int64_t>(std::round((seconds - before) * stretch.Rate));
}

std::int64_t ParseTimePoint(const std::string& text, const ChainTimeline& timeline, std::int64_t totalSamples)
{
    if (timeline.OneRate())
        return ParseTimePoint(text, timeline.FirstRate(), totalSamples);
    // Read the text as exact nanoseconds (it has at most nine decimals) on
    // a timeline of that many a second as long as the chain plays, so that
    // "end", counting back from the end and the refusals keep their
    // meaning, then place those seconds in their link.
    constexpr std::int32_t kNanosecondsPerSecond = 1'000'000'000;
    const double total = timeline.Seconds(totalSamples);
    const auto nanoseconds = ParseTimePoint(text, kNanosecondsPerSecond,
                                            static_cast<std::int64_t>(std::llround(total * kNanosecondsPerSecond)));
    if (text == "end")
        return totalSamples;
    const double seconds = static_cast<double>(nanoseconds) / kNanosecondsPerSecond;
    return std::clamp<std::int64_t>(timeline.Sample(seconds), 0, totalSamples);
}

} // namespace oq
