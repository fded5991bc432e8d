#include "model/CueSheetWriter.h"

#include "base/PathParts.h"
#include "base/TextFile.h"
#include "model/MarkerTime.h"

#include <charconv>
#include <cstdio>

namespace oq {

namespace {

constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kFramesPerMinute = kSecondsPerMinute * CueSheetWriter::kFramesPerSecond;

// A title stands in double quotes, which it cannot hold itself.
std::string Quoted(std::string text)
{
    for (char& c : text)
        if (c == '"')
            c = '\'';
    return '"' + text + '"';
}

std::optional<std::int64_t> Number(std::string_view field)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc() || end != field.data() + field.size() || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

std::string CueSheetWriter::TimeText(std::int64_t sample, std::int32_t rate)
{
    const std::int64_t frames = (sample * kFramesPerSecond * 2 + rate) / (std::int64_t{rate} * 2);
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(frames / kFramesPerMinute),
                  static_cast<long long>(frames / kFramesPerSecond % kSecondsPerMinute),
                  static_cast<long long>(frames % kFramesPerSecond));
    return text;
}

std::optional<std::int64_t> CueSheetWriter::SampleOf(std::string_view text, std::int32_t rate)
{
    const std::size_t first = text.find(':');
    const std::size_t second = text.find(':', first == std::string_view::npos ? first : first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    const auto minutes = Number(text.substr(0, first));
    const auto seconds = Number(text.substr(first + 1, second - first - 1));
    const auto frames = Number(text.substr(second + 1));
    if (!minutes || !seconds || !frames || *seconds >= kSecondsPerMinute || *frames >= kFramesPerSecond)
        return std::nullopt;
    const std::int64_t total = *minutes * kFramesPerMinute + *seconds * kFramesPerSecond + *frames;
    return (total * rate * 2 + kFramesPerSecond) / (kFramesPerSecond * 2);
}

std::string CueSheetWriter::Format(const std::string& audioFile, const std::vector<Section>& sections,
                                   const MarkerTitles& titles, const MarkerTime& time)
{
    // The sheet format knows no Ogg file type; WAVE is what players accept
    // for any audio file.
    std::string text = "FILE " + Quoted(NameOf(audioFile)) + " WAVE\n";
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const int number = static_cast<int>(k) + 1;
        char track[16];
        std::snprintf(track, sizeof track, "%02d", number);
        text += std::string("  TRACK ") + track + " AUDIO\n";
        text += "    TITLE " + Quoted(titles.TitleAt(sections[k].Start, "Section " + std::to_string(number))) + "\n";
        text += "    INDEX 01 " + TimeText(time.Sample(sections[k].Start), time.Rate()) + "\n";
    }
    return text;
}

void CueSheetWriter::Write(const std::string& path, const std::string& audioFile, const std::vector<Section>& sections,
                           const MarkerTitles& titles, const MarkerTime& time, std::vector<std::string> otherInputs)
{
    otherInputs.push_back(audioFile);
    WriteFileReplacing(path, Format(audioFile, sections, titles, time), otherInputs);
}

} // namespace oq
