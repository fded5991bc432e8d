#include "cli/SectionMethod.h"

#include "cli/Arguments.h"
#include "cli/Command.h"
#include "cli/ProfileAnalysis.h"
#include "media/ChainTimeline.h"
#include "media/OggFileInfo.h"
#include "media/ProfileBlock.h"
#include "model/Chapters.h"
#include "model/CueSheet.h"
#include "model/EvenSplit.h"
#include "model/LabelFile.h"
#include "model/MarkerGeometry.h"
#include "model/MarkerLimit.h"
#include "model/MarkerTime.h"
#include "base/Error.h"
#include "base/FieldText.h"
#include "base/TimeText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace oq::cli {

namespace {

// The wizard's size field counts kilobytes of 1000 bytes.
constexpr std::int64_t kBytesPerKb = 1000;

// The items of a comma-separated list of cut points. An empty item ("",
// "1,,2", a trailing comma) is refused rather than passed over: a list
// that came out empty would cut nothing and write the whole file.
std::vector<std::string> SplitList(const std::string& option, const std::string& text)
{
    std::vector<std::string> items;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty())
            throw UsageError(option + " \"" + text + "\" holds an empty item: give the cut points separated by commas");
        items.push_back(std::move(item));
        if (comma == std::string::npos)
            return items;
        start = comma + 1;
    }
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
// Raises UsageError for other text and for lengths below the shortest
// section, which the split would raise to it in silence.
std::int32_t ParsePlayLength(const std::string& text)
{
    std::string shown = text;
    if (shown.size() == 8)
        shown += ":00";
    const auto digits = [&](std::size_t at) { return std::isdigit(static_cast<unsigned char>(shown[at])) != 0; };
    constexpr std::size_t kFieldStarts[] = {0, 3, 6, 9};
    bool valid = shown.size() == 11 && shown[2] == ':' && shown[5] == ':' && shown[8] == ':';
    for (const std::size_t at : kFieldStarts)
        valid = valid && digits(at) && digits(at + 1);
    if (!valid)
        throw UsageError("\"" + text + "\" is not a play length HH:MM:SS");
    if (shown[3] > '5' || shown[6] > '5')
        throw UsageError("\"" + text + "\" is not a play length: minutes and seconds run to 59");
    const std::int32_t hundredths = ReadShownTime(shown);
    if (hundredths < EvenSplit::kShortestLengthHundredths)
        throw UsageError("--length " + text + " is shorter than the shortest section, " +
                         ShownTimeCode(EvenSplit::kShortestLengthHundredths).substr(0, 8));
    return hundredths;
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

// An --at item as a cut point; a time at the start or past the end of the
// audio is refused naming the time as the user wrote it.
std::int64_t TimeWithinAudio(const std::string& item, const MPEGData& file)
{
    const std::int64_t sample = TimeToSample(item, file);
    if (sample <= 0 || sample >= file.PcmTotal) {
        char end[32];
        std::snprintf(end, sizeof end, "%.3f", ChainTimeline(file).Seconds(file.PcmTotal));
        throw UsageError("--at " + item + " lies outside the audio: cut points lie after 0 and before its end, " +
                         end + " seconds");
    }
    return sample;
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
    file.BlockCount = static_cast<std::int32_t>(DecodedBlockCount(file.PcmTotal, file.Channels));
    return file;
}

MPEGData DescribeFileToCut(const std::string& path)
{
    MPEGData file = DescribeSourceFile(path);
    // Its pages may hold packets, but cut points are counted in the samples
    // the granule positions give, and there are none to count.
    if (file.PcmTotal < 1)
        throw FormatError(path, "has no audio to cut: its granule positions count no samples "
                                "(the last one lies at or before the first sample)");
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
    static const std::set<std::string> flags{"--links", "--chapters"};
    return flags;
}

std::string SectionMethod::Usage(Choice choice)
{
    const std::string markers = "  --count N              N sections of equal length, at most " +
                                std::to_string(MostThatFit(MarkerDemand::EvenSections)) +
                                "\n"
                                "  --length HH:MM:SS      sections of this play length\n"
                                "  --size KB              sections of this many kilobytes (1000 bytes)\n"
                                "  --cue SHEET            sections at the track starts of a cue sheet: each\n"
                                "                         track's INDEX 01 to the frame (its INDEX 00 pregap\n"
                                "                         ends the track before), titled by its TITLE\n"
                                "  --labels FILE          sections at the labels of a label file (tab-separated\n"
                                "                         start, end and text a line; a region gives its start;\n"
                                "                         blank lines are passed over, any other line that is\n"
                                "                         not a label stops the command, naming the line), each\n"
                                "                         at its nearest sample, titled by its text\n"
                                "  --silence DB[:SECONDS] a cut in the middle of every pause: a stretch quieter\n"
                                "                         than DB dBFS (mean magnitude, such as -50) lasting at\n"
                                "                         least SECONDS (default 1, judged to within one block);\n"
                                "                         quiet at the start and the end is not cut off\n"
                                "  --links                a section per link of a chained file (a file joined\n"
                                "                         from others, a recorded stream): each with that\n"
                                "                         link's own headers and comments, titled by its TITLE\n"
                                "  --chapters             a section per chapter of FILE: its comments'\n"
                                "                         CHAPTERnnn=HH:MM:SS.fff fields (each link's counted\n"
                                "                         from its start), titled by CHAPTERnnnNAME\n";
    const std::string snap =
        "With --count, --length or --size:\n"
        "  --snap SECONDS         move each marker to the middle of the nearest pause\n"
        "                         within SECONDS; a marker without one stays, two drawn\n"
        "                         into one pause become one. Pauses are those of\n"
        "                         --silence, given beside it, or of -50:1\n";
    const std::string limit =
        "a choice that needs more than its " + std::to_string(MarkerGeometry::kMaxMarkers) + " markers.\n";
    if (choice == Choice::MarkersOnly)
        return "Choose the cut points with exactly one of:\n" + markers + snap +
               "Each lays markers on the file's blocks as the split wizard does (--cue,\n"
               "--labels, --links and --chapters at their exact samples too), and refuses\n" + limit;
    return "Choose the cut points with exactly one of:\n" + markers +
           "  --at-samples N1,N2,... cut at these sample positions (per channel, rising)\n"
           "  --at T1,T2,...         cut at these times, rising, each to the nearest\n"
           "                         sample: seconds (90, 1.5) or [HH:]MM:SS[.fff]; -T is\n"
           "                         T before the end\n" +
           snap + "All but --at-samples and --at lay markers on the file's blocks as the split\nwizard does, and refuse " +
           limit;
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
                             ? "choose the cut points with --count, --length, --size, --cue, --labels, --silence, "
                               "--links or --chapters"
                             : "choose the cut points with --count, --length, --size, --cue, --labels, --silence, "
                               "--links, --chapters, --at-samples or --at");
    if (arguments.Has("--silence"))
        pauses_ = ParsePauseSettings(*arguments.Value("--silence"));
    if (snapping) {
        if (!MovesIntoPauses(name_))
            throw UsageError("--snap moves the markers of --count, --length or --size, not those of " + name_);
        snapReach_ = ParseDecimal(*arguments.Value("--snap"), "a reach in seconds");
        if (*snapReach_ < 0)
            throw UsageError("--snap takes a reach of 0 seconds or more");
    }
    // The wizard's own count field answers 0 with one section and more
    // than its markers hold with as many as they hold, both in plain sight;
    // a command line that asks for either is a mistake.
    if (name_ == "--count") {
        const std::int64_t count = ParseWhole(value_, "a section count");
        if (count < 1)
            throw UsageError("--count takes a section count from 1 on");
        RequireMarkerRoom(MarkerDemand::EvenSections, count, "--count " + value_ + " asks for");
    }
    if (name_ == "--length")
        ParsePlayLength(value_);
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

LaidMarkers SectionMethod::Lay(const MPEGData& file) const
{
    if (name_ == "--silence") {
        const PauseFinder finder = FindPauses(file);
        RequireMarkerRoom(MarkerDemand::Pauses, static_cast<std::int64_t>(finder.Pauses().size()),
                          "\"" + file.FileName + "\" has");
        return LaidMarkers::OnBlocks(finder.Markers());
    }
    if (name_ == "--links") {
        RequireMarkerRoom(MarkerDemand::Links, static_cast<std::int64_t>(file.LinkStarts.size()) + 1,
                          "\"" + file.FileName + "\" has");
        LaidMarkers laid = MarkerTime::LinkMarkers(file);
        laid.Markers.push_back(MarkerTime(file).ExactPlace(file.PcmTotal));
        return laid;
    }
    if (name_ == "--chapters") {
        const MarkerTime time(file);
        LaidMarkers laid;
        for (const Chapter& chapter : FileChapters(file))
            laid.Markers.push_back(time.ExactPlace(chapter.Sample, chapter.Title));
        return laid;
    }
    if (name_ == "--labels") {
        LaidMarkers labels = LabelFile::Read(value_, MarkerTime(file));
        RequireMarkerRoom(MarkerDemand::Labels, static_cast<std::int64_t>(labels.Markers.size()),
                          "the label file \"" + value_ + "\" has");
        return labels;
    }
    if (name_ == "--cue") {
        const std::string sheet = ReadCueSheetBytes(value_);
        const CueTrackList tracks = ParseCueSheet(sheet);
        if (tracks.empty())
            throw FormatError(value_, "holds no track with a start");
        CuePlacement placement = PlanCueMarkers(tracks, ParseCueTitles(sheet), MarkerTime(file));
        RequireMarkerRoom(MarkerDemand::CueTracks, static_cast<std::int64_t>(placement.Laid.Markers.size()),
                          "the cue sheet \"" + value_ + "\" has");
        return std::move(placement.Laid);
    }
    const std::int64_t sections = EvenSections(file);
    std::vector<std::int32_t> positions = EvenPositions(file.BlockCount, sections);
    LaidMarkers laid;
    // A full list moves its last marker for each further position.
    const std::int64_t laidSections = std::min<std::int64_t>(std::ssize(positions), MarkerGeometry::kMaxMarkers) - 1;
    if (laidSections < sections)
        laid.Notes.push_back(name_ + " " + value_ + " gave " + std::to_string(laidSections) +
                             " sections: a section is at least " + std::to_string(EvenSplit::kSmallestStepBlocks) +
                             " blocks long, and \"" + file.FileName + "\" has " + std::to_string(file.BlockCount));
    if (snapReach_)
        positions = FindPauses(file).Snap(positions, *snapReach_);
    laid.Markers = LaidMarkers::OnBlocks(positions).Markers;
    return laid;
}

void SectionMethod::LayMarkers(const MPEGData& file, MarkerGeometry& markers, std::vector<std::string>& warnings) const
{
    LaidMarkers laid = Lay(file);
    markers.Replace(laid.Markers);
    warnings.insert(warnings.end(), laid.Notes.begin(), laid.Notes.end());
}

std::int64_t SectionMethod::EvenSections(const MPEGData& file) const
{
    const EvenSplit split(file);
    // The constructor refused a count beyond the markers.
    if (name_ == "--count")
        return split.ByCount(ParseFieldNumber(value_, "a section count")).Sections;
    if (name_ == "--length") {
        const std::int64_t sections = split.ByLength(ParsePlayLength(value_)).Sections;
        RequireMarkerRoom(MarkerDemand::EvenSections, sections, "--length " + value_ + " makes");
        return sections;
    }
    if (name_ == "--size") {
        // Counted here from the size as given: the split raises a size too
        // small for the markers, which would cut other sections than were
        // asked for.
        const std::int64_t size = ParseWhole(value_, "a size in kilobytes");
        if (size < 1)
            throw UsageError("--size takes a size from 1 kilobyte on");
        const std::int64_t kilobytes = file.FileSize / kBytesPerKb;
        RequireMarkerRoom(MarkerDemand::EvenSections, kilobytes / size + (kilobytes % size > 0 ? 1 : 0),
                          "--size " + value_ + " makes");
        return split.BySize(size).Sections;
    }
    throw UsageError(name_ + " gives sample positions, not markers");
}

SplitCuts SectionMethod::Cuts(const MPEGData& file, std::vector<std::string>& warnings) const
{
    SplitCuts cuts;
    if (name_ == "--at-samples" || name_ == "--at") {
        std::vector<std::int64_t>& samples = cuts.Markers;
        const std::vector<std::string> items = SplitList(name_, value_);
        for (const std::string& item : items)
            samples.push_back(name_ == "--at" ? TimeWithinAudio(item, file) : ParseWhole(item, "a sample position"));
        if (name_ == "--at")
            for (std::size_t k = 1; k < samples.size(); ++k)
                if (samples[k] <= samples[k - 1])
                    throw UsageError("--at " + items[k] + " follows " + items[k - 1] + ": cut points must rise");
        CheckCutPoints(samples, file.PcmTotal);
        return cuts;
    }
    MarkerGeometry markers(file);
    LayMarkers(file, markers, warnings);
    cuts = CutsOf(markers);
    if (name_ == "--cue")
        cuts.CueSheet = value_;
    else
        cuts.OtherInputs = InputFiles();
    return cuts;
}

std::vector<Chapter> SectionMethod::FileChapters(const MPEGData& file) const
{
    std::vector<Chapter> chapters = ReadChapters(file.FileName);
    if (chapters.empty())
        throw FormatError(file.FileName, "holds no chapters: its comments have no CHAPTERnnn field");
    RequireMarkerRoom(MarkerDemand::Chapters, static_cast<std::int64_t>(chapters.size()),
                      "\"" + file.FileName + "\" has");
    return chapters;
}

std::vector<Chapter> SectionMethod::SectionStarts(const MPEGData& file, std::vector<std::string>& warnings) const
{
    const SplitCuts cuts = Cuts(file, warnings);
    std::vector<Chapter> starts;
    // A leading section from the file's start, before the first cut, has no title.
    if (cuts.Markers.empty() || cuts.Markers.front() > 0)
        starts.push_back(Chapter{});
    for (std::size_t k = 0; k < cuts.Markers.size(); ++k) {
        if (cuts.Markers[k] >= file.PcmTotal)
            break;
        starts.push_back({cuts.Markers[k], k < cuts.Titles.size() ? cuts.Titles[k] : std::string()});
    }
    return starts;
}

std::int64_t TimeToSample(const std::string& text, const MPEGData& file)
{
    try {
        return ParseTimePoint(text, ChainTimeline(file), file.PcmTotal);
    } catch (const TimeTextError& failure) {
        throw UsageError("--at " + std::string(failure.what()));
    }
}

} // namespace oq::cli
