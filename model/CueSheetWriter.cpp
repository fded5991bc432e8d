#include "model/CueSheetWriter.h"

#include "media/ChainTimeline.h"
#include "base/PathParts.h"
#include "base/TextFile.h"

#include <cmath>
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

} // namespace

std::string CueSheetWriter::TimeText(std::int64_t sample, const ChainTimeline& timeline)
{
    // At one rate in whole numbers, exact; across links of different rates
    // through the seconds each link's samples last.
    const std::int64_t rate = timeline.FirstRate();
    const std::int64_t frames = timeline.OneRate()
                                    ? (sample * kFramesPerSecond * 2 + rate) / (rate * 2)
                                    : std::llround(timeline.Seconds(sample) * kFramesPerSecond);
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(frames / kFramesPerMinute),
                  static_cast<long long>(frames / kFramesPerSecond % kSecondsPerMinute),
                  static_cast<long long>(frames % kFramesPerSecond));
    return text;
}

std::vector<CueSheetWriter::Track> CueSheetWriter::TracksOf(const MarkerGeometry& markers)
{
    std::vector<Track> tracks;
    for (int j = 1;; ++j) {
        const auto place = markers.PlaceOfSection(j);
        if (!place)
            return tracks;
        const int first = place->FirstMarker;
        tracks.push_back({markers.SectionSamples(j).Start, first == 0 ? std::string() : markers.At(first).Title});
    }
}

std::string CueSheetWriter::Format(const std::string& audioFile, const std::vector<Track>& tracks,
                                   const ChainTimeline& timeline)
{
    // The sheet format knows no Ogg file type; WAVE is what players accept
    // for any audio file.
    std::string text = "FILE " + Quoted(NameOf(audioFile)) + " WAVE\n";
    for (std::size_t k = 0; k < tracks.size(); ++k) {
        const int number = static_cast<int>(k) + 1;
        char track[16];
        std::snprintf(track, sizeof track, "%02d", number);
        const std::string& title = tracks[k].Title;
        text += std::string("  TRACK ") + track + " AUDIO\n";
        text += "    TITLE " + Quoted(title.empty() ? "Section " + std::to_string(number) : title) + "\n";
        text += "    INDEX 01 " + TimeText(tracks[k].Start, timeline) + "\n";
    }
    return text;
}

void CueSheetWriter::Write(const std::string& path, const std::string& audioFile, const std::vector<Track>& tracks,
                           const ChainTimeline& timeline, std::vector<std::string> otherInputs)
{
    otherInputs.push_back(audioFile);
    WriteFileReplacing(path, Format(audioFile, tracks, timeline), otherInputs);
}

} // namespace oq
