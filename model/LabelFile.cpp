#include "model/LabelFile.h"

#include "base/Error.h"
#include "base/TextFile.h"
#include "model/MarkerTime.h"

#include <charconv>
#include <cstdio>

namespace oq {

namespace {

constexpr char kSeparator = '\t';
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// Microseconds: finer than one sample at every rate up to 1 MHz, so a
// written marker reads back onto its own block.
constexpr int kDecimals = 6;

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find(kSeparator);
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

// Digits with an optional fraction: no sign, no exponent, no locale's comma.
bool ReadTime(std::string_view field, double& seconds)
{
    if (field.empty() || field.find_first_not_of("0123456789.") != std::string_view::npos)
        return false;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), seconds);
    return error == std::errc() && end == field.data() + field.size();
}

} // namespace

std::string LabelFile::Format(const std::vector<MarkerPlace>& markers, const MarkerTime& time)
{
    std::string text;
    for (std::size_t k = 0; k < markers.size(); ++k) {
        char seconds[64];
        std::snprintf(seconds, sizeof seconds, "%.*f", kDecimals,
                      time.SecondsAt(time.CutSample(markers[k])));
        // A tab or line end in a title would end its label early.
        std::string title = markers[k].Title.empty() ? "Marker " + std::to_string(k + 1) : markers[k].Title;
        for (char& c : title)
            if (c == kSeparator || c == '\n' || c == '\r')
                c = ' ';
        text += std::string(seconds) + kSeparator + seconds + kSeparator + title + "\n";
    }
    return text;
}

void LabelFile::Write(const std::string& path, const std::vector<MarkerPlace>& markers, const MarkerTime& time,
                      const std::vector<std::string>& inputs)
{
    WriteFileReplacing(path, Format(markers, time), inputs);
}

LaidMarkers LabelFile::Parse(std::string_view text, const std::string& name, const MarkerTime& time)
{
    // Editors that save UTF-8 with a byte order mark put it before the
    // first label.
    if (text.starts_with(kUtf8Mark))
        text.remove_prefix(kUtf8Mark.size());
    LaidMarkers laid;
    auto& markers = laid.Markers;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        const std::vector<std::string_view> fields = Fields(line);
        double start = 0;
        double finish = 0;
        if (fields.size() < 2 || fields.size() > 3 || !ReadTime(fields[0], start) || !ReadTime(fields[1], finish) ||
            finish < start)
            throw FormatError(name, "line " + std::to_string(number) +
                                        " is not a label (start and end in seconds and a text, tab-separated)");
        const auto sample = time.SampleAt(start);
        if (!sample) {
            laid.Notes.push_back("the label on line " + std::to_string(number) + " was skipped: it lies outside the audio");
            continue;
        }
        markers.push_back(time.ExactPlace(*sample, fields.size() == 3 ? std::string(fields[2]) : std::string()));
    }
    if (markers.empty())
        throw FormatError(name, "holds no label within the audio");
    // One cut point still needs a second marker for its sections, as a cue
    // sheet of one track does.
    if (markers.size() == 1)
        markers.push_back(time.ExactPlace(markers.front().Sample == time.TotalSamples() ? 0 : time.TotalSamples()));
    return laid;
}

LaidMarkers LabelFile::Read(const std::string& path, const MarkerTime& time)
{
    return Parse(ReadWholeFile(path), path, time);
}

} // namespace oq
