#include "gui/editor/WaveformScale.h"

#include <algorithm>
#include <cmath>

namespace oq {

namespace {

constexpr double kPixelsPerDoubling = 8.5;

} // namespace

const std::array<std::uint8_t, WaveformScale::kAmplitudeValues>& WaveformScale::HeightTable()
{
    static const auto table = [] {
        std::array<std::uint8_t, kAmplitudeValues> heights{};
        heights[0] = 1;
        for (int a = 1; a < kAmplitudeValues; ++a)
            heights[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(kPixelsPerDoubling * std::log2(a));
        return heights;
    }();
    return table;
}

void WaveformScale::SetFile(std::int32_t blocks)
{
    blocks_ = std::max(blocks, 0);
    complete_ = false;
    entries_.clear();
}

void WaveformScale::SetProfile(const AmplitudeProfile& profile, bool complete)
{
    complete_ = complete && !profile.Entries.empty();
    if (complete_) {
        entries_ = profile.Entries;
        blocks_ = profile.LastIndex();
    } else {
        entries_.clear();
    }
}

int WaveformScale::Height(std::int32_t p) const
{
    if (!complete_ || p < 0 || static_cast<std::size_t>(p) >= entries_.size())
        return kPlaceholderHeight;
    const int amplitude = std::max<int>(entries_[static_cast<std::size_t>(p)], 0);
    return HeightTable()[static_cast<std::size_t>(amplitude)];
}

std::vector<int> WaveformScale::OverviewHeights() const
{
    const std::int32_t last = LastColumn();
    std::vector<int> heights;
    heights.reserve(static_cast<std::size_t>(last) + 1);
    for (std::int32_t d = 0; d <= last; ++d) {
        const auto p = static_cast<std::int32_t>(static_cast<long double>(blocks_) / last * d);
        heights.push_back(Height(p));
    }
    return heights;
}

std::array<int, WaveformScale::kZoomColumns> WaveformScale::ZoomHeights(std::int32_t q, std::int32_t step) const
{
    std::array<int, kZoomColumns> heights{};
    for (int i = 0; i < kZoomColumns; ++i) {
        const std::int64_t b = std::int64_t{q} + std::int64_t{i - kZoomCentre} * step;
        if (b < 0)
            heights[static_cast<std::size_t>(i)] = 0;
        else if (b > blocks_)
            heights[static_cast<std::size_t>(i)] = !complete_ && b <= std::int64_t{blocks_} + 1 ? kPlaceholderHeight : 0;
        else
            heights[static_cast<std::size_t>(i)] = Height(static_cast<std::int32_t>(b));
    }
    return heights;
}

} // namespace oq
