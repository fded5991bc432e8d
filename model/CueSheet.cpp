#include "model/CueSheet.h"

#include "model/CueLines.h"
#include "model/MarkerTime.h"
#include "base/TextFile.h"
#include "base/Utf8Text.h"

#include <algorithm>

namespace oq {

namespace {

constexpr std::string_view kTrackKeyword = "TRACK";
constexpr std::string_view kIndexKeyword = "INDEX";
constexpr std::string_view kTitleKeyword = "TITLE";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
// More minutes than this (about 19 years) is not a track start of any file.
constexpr std::int64_t kMostMinutes = 9'999'999;
constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kFramesPerSecond = 75;
// The index of the track's own start; 00 is the pregap before it.
constexpr std::int64_t kTrackStartIndex = 1;

// UTF-16 text (after its byte order mark) as UTF-8; the keywords and
// times are ASCII, the rest only has to survive. A lone surrogate becomes
// U+FFFD, an odd last byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    constexpr char32_t kReplacement = 0xFFFD;
    std::string out;
    out.reserve(bytes.size() / 2);
    const auto unit = [&](std::size_t k) {
        const auto first = static_cast<unsigned char>(bytes[k]);
        const auto second = static_cast<unsigned char>(bytes[k + 1]);
        return static_cast<char32_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    };
    for (std::size_t k = 0; k + 1 < bytes.size(); k += 2) {
        char32_t code = unit(k);
        if (code >= 0xD800 && code < 0xDC00 && k + 3 < bytes.size() && unit(k + 2) >= 0xDC00 && unit(k + 2) < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(k + 2) - 0xDC00);
            k += 2;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = kReplacement;
        }
        AppendUtf8(out, code);
    }
    return out;
}

enum class Utf16Order { None, LittleEndian, BigEndian };

// UTF-16 without a byte order mark, told by its zero bytes: text in 8-bit
// encodings holds none (a stray one, or zeros padding the end, fall on both
// sides alike), while the ASCII keywords, times and line ends of a sheet,
// whatever script its titles are in, put one in a large share of the units,
// on the high byte's side. A few units of other scripts (U+0100, U+0200,
// ...) put some on the other side, so a clear majority decides.
Utf16Order Utf16OrderOfZeros(std::string_view raw)
{
    constexpr std::size_t kMajority = 4;
    constexpr std::size_t kShareOfUnits = 4; // at least a quarter of the units
    std::size_t evenZeros = 0;
    std::size_t oddZeros = 0;
    for (std::size_t k = 0; k < raw.size(); ++k)
        if (raw[k] == '\0')
            ++(k % 2 == 0 ? evenZeros : oddZeros);
    const std::size_t enough = raw.size() / 2 / kShareOfUnits;
    if (oddZeros >= enough && oddZeros > kMajority * evenZeros)
        return Utf16Order::LittleEndian;
    if (evenZeros >= enough && evenZeros > kMajority * oddZeros)
        return Utf16Order::BigEndian;
    return Utf16Order::None;
}

std::string DecodeSheet(std::string_view raw)
{
    // A sheet marked as UTF-8 whose bytes are not UTF-8 is read like an
    // unmarked one: the mark was put before text of another encoding.
    if (raw.starts_with(kUtf8Mark))
        return AsUtf8(raw.substr(kUtf8Mark.size()));
    if (raw.starts_with(kUtf16LeMark))
        return Utf16ToUtf8(raw.substr(kUtf16LeMark.size()), false);
    if (raw.starts_with(kUtf16BeMark))
        return Utf16ToUtf8(raw.substr(kUtf16BeMark.size()), true);
    switch (Utf16OrderOfZeros(raw)) {
    case Utf16Order::LittleEndian:
        return Utf16ToUtf8(raw, false);
    case Utf16Order::BigEndian:
        return Utf16ToUtf8(raw, true);
    case Utf16Order::None:
        break;
    }
    return AsUtf8(raw);
}

// An INDEX line's number and start: after the keyword and its separator
// the number, then the start to the end of the line.
struct IndexLine {
    std::string_view Number;
    std::string Start;
};

IndexLine ReadIndexLine(std::string_view line, std::size_t keyword)
{
    std::string_view rest = line.substr(keyword + kIndexKeyword.size());
    while (!rest.empty() && IsCueBlank(rest.front()))
        rest.remove_prefix(1);
    std::size_t digits = 0;
    while (digits < rest.size() && !IsCueBlank(rest[digits]))
        ++digits;
    return {rest.substr(0, digits), std::string(TrimCue(rest.substr(digits)))};
}

// A field of digits only, of `minDigits` to `maxDigits` characters.
std::optional<std::int64_t> Digits(std::string_view field, std::size_t minDigits, std::size_t maxDigits)
{
    if (field.size() < minDigits || field.size() > maxDigits)
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A track's title: the first TITLE line from its TRACK line on, before the
// next track, with the quotes around it taken off.
std::string TitleAfterKeyword(std::string_view line, std::size_t keyword)
{
    std::string_view title = TrimCue(line.substr(keyword + kTitleKeyword.size()));
    if (title.size() >= 2 && title.front() == '"' && title.back() == '"')
        title = title.substr(1, title.size() - 2);
    return std::string(title);
}

struct ScannedSheet {
    CueTrackList Starts;
    std::vector<std::string> Titles; // one per start, empty when the track has none
};

ScannedSheet ScanSheet(std::string_view contents)
{
    const std::string text = DecodeSheet(contents);
    ScannedSheet sheet;
    bool inTrackHeader = false;
    bool titled = false;
    // The track's start came from its INDEX 01: later INDEX lines (02 and
    // on) do not move it.
    bool ownStart = false;
    for (const std::string_view line : CueLines(text)) {
        const std::size_t index = line.find(kIndexKeyword);
        if (!inTrackHeader) {
            if (line.find(kTrackKeyword) != std::string_view::npos) {
                sheet.Starts.emplace_back();
                sheet.Titles.emplace_back();
                inTrackHeader = true;
                titled = false;
                ownStart = false;
                continue;
            }
            if (index != std::string_view::npos && !sheet.Starts.empty() && !ownStart) {
                // An INDEX 01 after the pregap's INDEX 00.
                const IndexLine read = ReadIndexLine(line, index);
                if (Digits(read.Number, 1, 2) == kTrackStartIndex) {
                    sheet.Starts.back() = read.Start;
                    ownStart = true;
                }
                continue;
            }
        } else if (index != std::string_view::npos) {
            const IndexLine read = ReadIndexLine(line, index);
            sheet.Starts.back() = read.Start;
            ownStart = Digits(read.Number, 1, 2) == kTrackStartIndex;
            inTrackHeader = false;
            continue;
        }
        const std::size_t title = line.find(kTitleKeyword);
        if (!sheet.Titles.empty() && !titled && title != std::string_view::npos) {
            sheet.Titles.back() = TitleAfterKeyword(line, title);
            titled = true;
        }
    }
    if (inTrackHeader) {
        sheet.Starts.pop_back();
        sheet.Titles.pop_back();
    }
    return sheet;
}

} // namespace

CueTrackList ParseCueSheet(std::string_view contents)
{
    return ScanSheet(contents).Starts;
}

std::string ReadCueSheetBytes(const std::string& path)
{
    return ReadWholeFile(path);
}

std::vector<std::string> ParseCueTitles(std::string_view contents)
{
    return ScanSheet(contents).Titles;
}

std::vector<std::string> ReadCueTitles(const std::string& path)
{
    return ParseCueTitles(ReadCueSheetBytes(path));
}

CueTrackList ReadCueSheet(const std::string& path) { return ParseCueSheet(ReadCueSheetBytes(path)); }

std::string CueSheetText(std::string_view raw) { return DecodeSheet(raw); }

std::optional<std::int64_t> CueStartFrames(std::string_view start)
{
    const std::size_t first = start.find(':');
    if (first == std::string_view::npos)
        return std::nullopt;
    const std::size_t second = start.find(':', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    const auto minutes = Digits(start.substr(0, first), 1, 7);
    const auto seconds = Digits(start.substr(first + 1, second - first - 1), 2, 2);
    // Only the frames' first two characters are looked at, so a one-digit
    // frame or text after the time does not lose the track.
    std::string_view frameText = start.substr(second + 1, 2);
    if (frameText.size() == 2 && (frameText[1] < '0' || frameText[1] > '9'))
        frameText.remove_suffix(1);
    const auto frames = Digits(frameText, 1, 2);
    if (!minutes || !seconds || !frames || *minutes > kMostMinutes)
        return std::nullopt;
    return (*minutes * kSecondsPerMinute + *seconds) * kFramesPerSecond + *frames;
}

std::optional<std::int64_t> CueStartSample(std::string_view start, const ChainTimeline& timeline)
{
    const auto frames = CueStartFrames(start);
    if (!frames)
        return std::nullopt;
    if (!timeline.OneRate())
        return timeline.Sample(static_cast<double>(*frames) / kFramesPerSecond);
    const std::int64_t rate = timeline.FirstRate();
    // Below 10^7 minutes of frames (4.5 * 10^10) times a 32-bit rate: within 64 bits.
    return (*frames * rate * 2 + kFramesPerSecond) / (kFramesPerSecond * 2);
}

CuePlacement PlanCueMarkers(const CueTrackList& tracks, const std::vector<std::string>& titles,
                            const MarkerTime& time)
{
    const std::int64_t total = time.TotalSamples();
    CuePlacement placement;
    auto& markers = placement.Laid.Markers;
    for (std::size_t k = 0; k < tracks.size(); ++k) {
        const int track = static_cast<int>(k) + 1;
        const auto sample = CueStartSample(tracks[k], time.Timeline());
        if (!sample) {
            placement.Skipped.Unreadable.push_back(track);
            placement.Laid.Notes.push_back("cue track " + std::to_string(track) +
                                           " was skipped: its start cannot be read");
        } else if (*sample > total) {
            placement.Skipped.PastEnd.push_back(track);
            placement.Laid.Notes.push_back("cue track " + std::to_string(track) +
                                           " was skipped: it starts after the end of the file");
        } else {
            markers.push_back(time.ExactPlace(*sample, k < titles.size() ? titles[k] : std::string()));
        }
    }
    // The last track runs to the end of the file without a marker there; a
    // sheet of one track (or none that fits) still needs two markers.
    if (markers.empty()) {
        markers.push_back(time.ExactPlace(total));
        markers.push_back(time.ExactPlace(0));
    } else if (markers.size() == 1) {
        // A single start at the very end must not give an empty section.
        markers.push_back(time.ExactPlace(markers.front().Sample == total ? 0 : total));
    }
    return placement;
}

} // namespace oq
