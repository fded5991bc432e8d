#include "cli/SectionMethod.h"

#include "cli/Arguments.h"
#include "cli/Command.h"
#include "cli/ProfileAnalysis.h"
#include "media/OggFileInfo.h"
#include "media/ProfileBlock.h"
#include "jobs/CueSections.h"
#include "model/CueSheet.h"
#include "model/EvenSplit.h"
#include "model/LabelFile.h"
#include "model/MarkerGeometry.h"
#include "model/MarkerTime.h"
#include "base/Error.h"
#include "base/FieldText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>

namespace oq::cli {

namespace {

// Decoded samples are 16-bit.
constexpr std::int64_t kBytesPerSample = 2;

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> items;
    std::stringstream stream(text);
    for (std::string item; std::getline(stream, item, ',');)
        if (!item.empty())
            items.push_back(item);
    return items;
}

std::int64_t ParseWhole(const std::string& text, const std::string& what)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        throw UsageError("\"" + text + "\" is not " + what);
    return value;
}

// A count or a size within 32 bits, as the split wizard's fields hold them.
std::int32_t ParseFieldNumber(const std::string& text, const std::string& what)
{
    const std::int64_t value = ParseWhole(text, what);
    if (value > std::numeric_limits<std::int32_t>::max())
        throw RangeError("\"" + std::to_string(value) + "\" is too large a number");
    return static_cast<std::int32_t>(value);
}

// "HH:MM:SS" (or with hundredths, "HH:MM:SS:XX") in hundredths of a second.
std::int32_t ParsePlayLength(const std::string& text)
{
    std::string shown = text;
    if (shown.size() == 8)
        shown += ":00";
    if (shown.size() != 11 || shown[2] != ':' || shown[5] != ':' || shown[8] != ':')
        throw UsageError("\"" + text + "\" is not a play length HH:MM:SS");
    return ReadShownTime(shown);
}

// A decimal number with an optional sign and fraction.
double ParseDecimal(const std::string& text, const std::string& what)
{
    double value = 0;
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        throw UsageError("\"" + text + "\" is not " + what);
    return value;
}

// "DB[:SECONDS]": a level below full scale and a shortest pause.
PauseSettings ParsePauseSettings(const std::string& text)
{
    PauseSettings settings;
    const std::size_t colon = text.find(':');
    settings.ThresholdDb = ParseDecimal(text.substr(0, colon), "a level in dBFS");
    if (settings.ThresholdDb >= 0)
        throw UsageError("--silence takes a level below full scale, such as -50");
    if (colon != std::string::npos) {
        settings.MinimumSeconds = ParseDecimal(text.substr(colon + 1), "a pause length in seconds");
        if (settings.MinimumSeconds <= 0)
            throw UsageError("--silence takes a pause length above 0 seconds");
    }
    return settings;
}

bool MovesIntoPauses(const std::string& method)
{
    return method == "--count" || method == "--length" || method == "--size";
}

// Cut points must rise strictly and lie inside the audio.
void CheckCutPoints(const std::vector<std::int64_t>& cuts, std::int64_t total)
{
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        if (cuts[i] <= 0 || cuts[i] >= total)
            throw RangeError("the cut point at sample " + std::to_string(cuts[i]) + " lies outside the audio (1 to " +
                             std::to_string(total - 1) + ")");
        if (i > 0 && cuts[i] <= cuts[i - 1])
            throw RangeError("cut points must rise: sample " + std::to_string(cuts[i]) + " follows sample " +
                             std::to_string(cuts[i - 1]));
    }
}

} // namespace

MPEGData DescribeSourceFile(const std::string& path)
{
    MPEGData file = ReadOggFileInfo(path);
    file.BlockCount = static_cast<std::int32_t>(file.PcmTotal * file.Channels * kBytesPerSample / kProfileBlockBytes);
    return file;
}

const std::set<std::string>& SectionMethod::Options(Choice choice)
{
    static const std::set<std::string> markers{"--count",  "--length",  "--size", "--cue",
                                               "--labels", "--silence", "--snap"};
    static const std::set<std::string> all{"--count",   "--length", "--size",       "--cue", "--labels",
                                           "--silence", "--snap",   "--at-samples", "--at"};
    return choice == Choice::MarkersOnly ? markers : all;
}

const std::set<std::string>& SectionMethod::Flags()
{
    static const std::set<std::string> flags{"--links"};
    return flags;
}

std::string SectionMethod::Usage(Choice choice)
{
    const std::string markers = "  --count N              N sections of equal length\n"
                                "  --length HH:MM:SS      sections of this play length\n"
                                "  --size KB              sections of this many kilobytes (1000 bytes)\n"
                                "  --cue SHEET            sections at the track starts of a cue sheet\n"
                                "  --labels FILE          sections at the labels of a label file (tab-separated\n"
                                "                         start, end and text a line; a region gives its start;\n"
                                "                         blank lines are passed over, any other line that is\n"
                                "                         not a label stops the command, naming the line)\n"
                                "  --silence DB[:SECONDS] a cut in the middle of every pause: a stretch quieter\n"
                                "                         than DB dBFS (mean magnitude, such as -50) lasting at\n"
                                "                         least SECONDS (default 1, judged to within one block);\n"
                                "                         quiet at the start and the end is not cut off\n"
                                "  --links                a section per link of a chained file (a file joined\n"
                                "                         from others, a recorded stream): each with that\n"
                                "                         link's own headers and comments\n";
    const std::string snap =
        "With --count, --length or --size:\n"
        "  --snap SECONDS         move each marker to the middle of the nearest pause\n"
        "                         within SECONDS; a marker without one stays, two drawn\n"
        "                         into one pause become one. Pauses are those of\n"
        "                         --silence, given beside it, or of -50:1\n";
    if (choice == Choice::MarkersOnly)
        return "Choose the cut points with exactly one of:\n" + markers + snap +
               "Each lays markers on the file's blocks as the split wizard does.\n";
    return "Choose the cut points with exactly one of:\n" + markers +
           "  --at-samples N1,N2,... cut at these sample positions (per channel, rising)\n"
           "  --at T1,T2,...         cut at these times: seconds (90, 1.5) or [HH:]MM:SS[.fff]\n" +
           snap + "All but --at-samples and --at lay markers on the file's blocks as the split\nwizard does.\n";
}

SectionMethod::SectionMethod(const Arguments& arguments, Choice choice) : quiet_(arguments.Has("--quiet"))
{
    // Beside --snap, --silence only says what a pause is.
    const bool snapping = arguments.Has("--snap");
    std::set<std::string> methods = Options(choice);
    methods.insert(Flags().begin(), Flags().end());
    for (const std::string& option : methods) {
        if (!arguments.Has(option) || option == "--snap" || (snapping && option == "--silence"))
            continue;
        if (!name_.empty())
            throw UsageError("give only one of " + name_ + " and " + option);
        name_ = option;
        value_ = arguments.Value(option).value_or("");
    }
    if (name_.empty() && snapping)
        throw UsageError("--snap moves the markers of --count, --length or --size: give one of them");
    if (name_.empty())
        throw UsageError(choice == Choice::MarkersOnly
                             ? "choose the cut points with --count, --length, --size, --cue, --labels, --silence "
                               "or --links"
                             : "choose the cut points with --count, --length, --size, --cue, --labels, --silence, "
                               "--links, --at-samples or --at");
    if (arguments.Has("--silence"))
        pauses_ = ParsePauseSettings(*arguments.Value("--silence"));
    if (snapping) {
        if (!MovesIntoPauses(name_))
            throw UsageError("--snap moves the markers of --count, --length or --size, not those of " + name_);
        snapReach_ = ParseDecimal(*arguments.Value("--snap"), "a reach in seconds");
        if (*snapReach_ < 0)
            throw UsageError("--snap takes a reach of 0 seconds or more");
    }
    // The wizard's own count field answers 0 with one section; a command
    // line that asks for no sections is a mistake.
    if (name_ == "--count" && ParseWhole(value_, "a section count") < 1)
        throw UsageError("--count takes a section count from 1 on");
}

std::vector<std::string> SectionMethod::InputFiles() const
{
    if (name_ == "--cue" || name_ == "--labels")
        return {value_};
    return {};
}

PauseFinder SectionMethod::FindPauses(const MPEGData& file) const
{
    return PauseFinder(AnalyseProfile(file, quiet_).Entries, file, pauses_);
}

MarkerTitles SectionMethod::LayMarkers(const MPEGData& file, MarkerGeometry& markers,
                                       std::vector<std::string>& warnings) const
{
    if (name_ == "--silence") {
        markers.Replace(FindPauses(file).Markers());
        return {};
    }
    if (name_ == "--links") {
        markers.Replace(MarkerTime::LinkPositions(file));
        return {};
    }
    if (name_ == "--labels") {
        LabelMarkers labels = LabelFile::Read(value_, MarkerTime(file));
        for (int line : labels.PastEnd)
            warnings.push_back("the label on line " + std::to_string(line) + " was skipped: it lies outside the audio");
        markers.Replace(labels.Positions);
        return std::move(labels.Titles);
    }
    if (name_ == "--cue")
        return LayCueMarkers(markers, warnings);
    markers.Replace(EvenPositions(markers.Blocks(), EvenSections(file)));
    // The snap moves the markers the list holds: past the limit, those it kept.
    if (snapReach_)
        markers.Replace(FindPauses(file).Snap(markers.Positions(), *snapReach_));
    return {};
}

std::int64_t SectionMethod::EvenSections(const MPEGData& file) const
{
    const EvenSplit split(file);
    if (name_ == "--count")
        return split.ByCount(ParseFieldNumber(value_, "a section count")).Sections;
    if (name_ == "--length")
        return split.ByLength(ParsePlayLength(value_)).Sections;
    if (name_ == "--size")
        return split.BySize(ParseFieldNumber(value_, "a size in kilobytes")).Sections;
    throw UsageError(name_ + " gives sample positions, not markers");
}

MarkerTitles SectionMethod::LayCueMarkers(MarkerGeometry& markers, std::vector<std::string>& warnings) const
{
    const CueTrackList tracks = ReadCueSheet(value_);
    if (tracks.empty())
        throw FormatError(value_, "holds no track with a start");
    const CuePlacement placement = PlanCueMarkers(tracks, markers.Converter());
    markers.Replace(placement.Positions);
    const CueSkips& skipped = placement.Skipped;
    for (int track : skipped.Unreadable)
        warnings.push_back("cue track " + std::to_string(track) + " was skipped: its start cannot be read");
    for (int track : skipped.PastEnd)
        warnings.push_back("cue track " + std::to_string(track) + " was skipped: it starts after the end of the file");

    // The tracks that gave markers, in the sheet's order, gave the first of
    // the planned positions.
    const std::vector<std::string> trackTitles = ReadCueTitles(value_);
    const auto gaveNoMarker = [&skipped](int track) {
        return std::ranges::find(skipped.Unreadable, track) != skipped.Unreadable.end() ||
               std::ranges::find(skipped.PastEnd, track) != skipped.PastEnd.end();
    };
    MarkerTitles titles;
    std::size_t next = 0;
    for (std::size_t k = 0; k < trackTitles.size() && next < placement.Positions.size(); ++k)
        if (!gaveNoMarker(static_cast<int>(k) + 1))
            titles.Add(placement.Positions[next++], trackTitles[k]);
    return titles;
}

SectionSource SectionMethod::Sections(const MPEGData& file, std::vector<std::string>& warnings) const
{
    if (LaysMarkers()) {
        MarkerGeometry markers(file);
        LayMarkers(file, markers, warnings);
        SectionSource source = SectionsFromMarkers(file, markers.Positions());
        source.OtherInputs = InputFiles();
        if (name_ == "--cue") {
            const std::string sheet = ReadCueSheetBytes(value_);
            TagCueSections(source, file, markers.Positions(), ParseCueSheet(sheet), ParseCueTags(sheet));
        }
        return source;
    }
    SectionSource source;
    source.FileName = file.FileName;
    source.SerialNumber = file.SerialNumber;
    source.PcmTotal = file.PcmTotal;
    if (name_ == "--links")
        source.CutPoints = file.LinkStarts;
    for (const std::string& item : SplitList(value_))
        source.CutPoints.push_back(name_ == "--at" ? TimeToSample(item, file.Rate)
                                                   : ParseWhole(item, "a sample position"));
    CheckCutPoints(source.CutPoints, file.PcmTotal);
    return source;
}

std::int64_t TimeToSample(const std::string& text, std::int32_t rate)
{
    // Up to three colon-separated fields; the last may carry a fraction.
    std::int64_t whole = 0;
    std::int64_t fraction = 0;
    std::int64_t scale = 1;
    int fields = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = text.find(':', start);
        std::string field = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        ++fields;
        if (colon == std::string::npos) {
            if (const auto dot = field.find('.'); dot != std::string::npos) {
                const std::string digits = field.substr(dot + 1);
                if (digits.empty() || digits.size() > 9)
                    throw UsageError("\"" + text + "\" is not a time");
                fraction = ParseWhole(digits, "a time");
                for (std::size_t i = 0; i < digits.size(); ++i)
                    scale *= 10;
                field = field.substr(0, dot);
            }
        }
        const std::int64_t value = field.empty() ? throw UsageError("\"" + text + "\" is not a time")
                                                 : ParseWhole(field, "a time");
        if (fields > 1 && value >= 60)
            throw UsageError("\"" + text + "\" is not a time: minutes and seconds run to 59");
        whole = whole * 60 + value;
        if (colon == std::string::npos)
            break;
        if (fields == 3)
            throw UsageError("\"" + text + "\" is not a time");
        start = colon + 1;
    }
    // Exact: (whole + fraction / scale) * rate, rounded half up.
    return whole * rate + (fraction * rate * 2 + scale) / (scale * 2);
}

} // namespace oq::cli
