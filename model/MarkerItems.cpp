#include "model/MarkerItems.h"

#include "base/TimeCode.h"

namespace oq {

namespace {

constexpr std::int32_t kHundredthsPerSecond = 100;

// A position or a span as whole seconds, "HH:MM:SS".
std::string TimeText(std::int32_t blocks, const PositionConverter& convert)
{
    return ShortTime(FormatTimeCode(convert.PositionToSeconds(blocks) * kHundredthsPerSecond));
}

// The time samples [first, end) last to the whole second, truncated as
// block times are; in a chain each link's samples count at its own rate.
std::string SpanTimeText(std::int64_t first, std::int64_t end, const ChainTimeline& timeline)
{
    const auto seconds = static_cast<std::int32_t>(timeline.Length(first, end));
    return ShortTime(FormatTimeCode(seconds * kHundredthsPerSecond));
}

} // namespace

std::vector<std::string> MarkerItems(const MarkerGeometry& markers)
{
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(markers.Count()));
    for (int i = 1; i <= markers.Count(); ++i) {
        const Marker& marker = markers.At(i);
        // A block's time is its share of the play time only where every
        // link runs at one rate; elsewhere it is the time of its samples.
        const std::string time = marker.Sample || !markers.Timeline().OneRate()
                                     ? SpanTimeText(0, markers.CutSample(i), markers.Timeline())
                                     : TimeText(marker.Position, markers.Converter());
        items.push_back("Marker " + std::to_string(i) + " - " + time);
    }
    return items;
}

std::vector<std::string> SectionItems(const MarkerGeometry& markers)
{
    const PositionConverter& convert = markers.Converter();
    const std::vector<Section> sections = markers.Sections();
    std::vector<std::string> items;
    items.reserve(sections.size());
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const std::int32_t span = sections[k].End - sections[k].Start;
        // As for a marker on a block: a span of blocks has one length only
        // where every link runs at one rate.
        std::string time = TimeText(span, convert);
        if (!markers.Timeline().OneRate()) {
            const SampleRange samples = markers.SectionSamples(static_cast<int>(k) + 1);
            time = SpanTimeText(samples.Start, samples.End, markers.Timeline());
        }
        items.push_back("Section " + std::to_string(k + 1) + " - " + time + " - " + KbText(convert.SpanToKb(span)));
    }
    return items;
}

} // namespace oq
