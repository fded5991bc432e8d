#include "model/PauseFinder.h"

#include "base/Error.h"
#include "media/MPEGData.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace oq {

namespace {

// 0 dBFS: the magnitude of the most negative 16-bit sample, -32768.
constexpr double kFullScale = 32768.0;
// dB are 20 log10 of an amplitude ratio.
constexpr double kDbPerDecade = 20.0;

} // namespace

double PauseFinder::ThresholdEntry(double thresholdDb) noexcept
{
    return kFullScale * std::pow(10.0, thresholdDb / kDbPerDecade);
}

PauseFinder::PauseFinder(std::span<const std::int16_t> entries, const MPEGData& file, PauseSettings settings)
    : blocks_(file.BlockCount)
{
    if (file.BlockCount < 1 || !(file.TimeTotal > 0))
        throw RangeError("cannot look for pauses in \"" + file.FileName + "\": it has no play time");
    blocksPerSecond_ = file.BlockCount / file.TimeTotal;
    const double quietBelow = ThresholdEntry(settings.ThresholdDb);
    // The run's length judged as n + 1 blocks (see the class comment).
    const double shortestRun = settings.MinimumSeconds * blocksPerSecond_ - 1.0;

    // Entry BlockCount holds the end of the audio (a partial block, or 0
    // when the audio ends on a block boundary): a run that reaches the last
    // whole block, or the end of an incomplete profile, is trailing quiet.
    const auto searched =
        static_cast<std::int32_t>(std::min<std::size_t>(entries.size(), static_cast<std::size_t>(blocks_)));
    std::int32_t first = 0;
    for (std::int32_t k = 0; k <= searched; ++k) {
        const bool quiet = k < searched && entries[static_cast<std::size_t>(k)] < quietBelow;
        if (quiet)
            continue;
        const bool leading = first == 0;
        const bool trailing = k == searched;
        if (k > first && !leading && !trailing && k - first >= shortestRun)
            pauses_.push_back({first, k});
        first = k + 1;
    }
}

std::vector<std::int32_t> PauseFinder::Markers() const
{
    std::vector<std::int32_t> markers{0};
    for (const Pause& pause : pauses_)
        markers.push_back(pause.Middle());
    markers.push_back(blocks_);
    return markers;
}

std::vector<std::int32_t> PauseFinder::Snap(const std::vector<std::int32_t>& positions, double reachSeconds) const
{
    const double reach = reachSeconds * blocksPerSecond_;
    std::vector<std::int32_t> snapped;
    snapped.reserve(positions.size());
    for (const std::int32_t p : positions) {
        std::int32_t best = p;
        double nearest = reach + 1.0; // beyond reach: nothing found yet
        if (p > 0 && p < blocks_) {
            for (const Pause& pause : pauses_) {
                const double distance = std::abs(pause.Middle() - p);
                if (distance <= reach && distance < nearest) {
                    nearest = distance;
                    best = pause.Middle();
                }
                if (pause.Middle() > p + reach)
                    break;
            }
        }
        snapped.push_back(best);
    }
    std::sort(snapped.begin(), snapped.end());
    snapped.erase(std::unique(snapped.begin(), snapped.end()), snapped.end());
    return snapped;
}

} // namespace oq
