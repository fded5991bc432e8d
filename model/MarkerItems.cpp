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

// An exact marker's time to the whole second, truncated as block times are.
std::string ExactTimeText(std::int64_t sample, std::int32_t rate)
{
    const std::int64_t seconds = sample / rate;
    return ShortTime(FormatTimeCode(static_cast<std::int32_t>(seconds * kHundredthsPerSecond)));
}

} // namespace

std::vector<std::string> MarkerItems(const MarkerGeometry& markers)
{
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(markers.Count()));
    for (int i = 1; i <= markers.Count(); ++i) {
        const Marker& marker = markers.At(i);
        const std::string time = marker.Sample ? ExactTimeText(*marker.Sample, markers.Rate())
                                               : TimeText(marker.Position, markers.Converter());
        items.push_back("Marker " + std::to_string(i) + " - " + time);
    }
    return items;
}

std::vector<std::string> SectionItems(const std::vector<Section>& sections, const PositionConverter& convert)
{
    std::vector<std::string> items;
    items.reserve(sections.size());
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const std::int32_t span = sections[k].End - sections[k].Start;
        items.push_back("Section " + std::to_string(k + 1) + " - " + TimeText(span, convert) + " - " +
                        KbText(convert.SpanToKb(span)));
    }
    return items;
}

} // namespace oq
