#include "jobs/JobPlanner.h"

#include "model/Chapters.h"

#include "jobs/OutputNames.h"
#include "jobs/Placeholders.h"
#include "media/CodecChoice.h"
#include "media/OggFileInfo.h"
#include "model/Chapters.h"
#include "model/PositionConverter.h"
#include "tools/CatalogSearch.h"
#include "tools/CatalogTemplate.h"
#include "tools/OneStreamCut.h"
#include "tools/WavWriter.h"
#include "base/Error.h"
#include "base/FileSystem.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "base/OutputTarget.h"
#include "base/PathParts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

namespace oq {

namespace {

namespace fs = std::filesystem;

constexpr char kOggPrefix[] = "Ogg";
constexpr char kWavPrefix[] = "wav";
constexpr char kCatalogPrefix[] = "cat";
constexpr char kFindingText[] = "Finding Files...";
constexpr char kCreatingCatalogText[] = "Creating Catalog...";
constexpr char kOggExtension[] = ".ogg";
constexpr char kWavExtension[] = ".wav";

// The files a split or an export reads.
std::vector<std::string> InputsOf(const SectionSource& source)
{
    std::vector<std::string> inputs = source.OtherInputs;
    inputs.push_back(source.FileName);
    return inputs;
}

// Whether a catalog gives `path`, one of the files its search found, an
// entry: a found file of another kind (an older catalog that "*.*" finds)
// has none and is no input the catalog may not replace. A file that cannot
// be read counts as described.
bool CatalogDescribes(const std::string& path)
{
    try {
        ReadOggFileInfo(path);
    } catch (const NotOggAudioError&) {
        return false;
    } catch (const IoError&) {
    }
    return true;
}

// A catalog's inputs: its template, and the found files it describes. Only
// a found file that is the output can matter, so no other is opened.
std::vector<std::string> CatalogInputs(const std::vector<std::string>& found, const std::string& templateName,
                                       const std::string& output)
{
    std::vector<std::string> inputs{templateName};
    std::error_code ignored;
    for (const std::string& file : found)
        if (fs::equivalent(file, output, ignored) && CatalogDescribes(file))
            inputs.push_back(file);
    return inputs;
}

JobStacker& AddJob(JobList& jobs, JobObserver& observer, const std::string& outputName, const std::string& finalName,
                   const std::string& sourceName)
{
    JobStacker& job = jobs.AddJob(outputName, finalName, sourceName);
    observer.TotalText(std::to_string(jobs.Count()));
    observer.CurrentFile(NameOf(sourceName));
    return job;
}

// A joined file is one chain of links, which players decode with a single
// codec's library.
void RequireOneCodec(const std::vector<MPEGData>& files)
{
    for (const MPEGData& file : files) {
        if (file.Codec != files.front().Codec)
            throw RangeError("cannot join \"" + file.FileName + "\" (" + file.Codec + ") after \"" +
                             files.front().FileName + "\" (" + files.front().Codec +
                             "): Vorbis and Opus files cannot be joined into one file");
    }
}

// Cut points rise and stay within the source. Two may coincide (two markers
// at one place): the section between them is empty and gets no job.
// Finding a wrong order here stops the run before any file is written.
void RequireCutPoints(const SectionSource& source)
{
    std::int64_t previous = 0;
    for (const std::int64_t cut : source.CutPoints) {
        if (cut < previous || cut > source.PcmTotal)
            throw RangeError("cannot split \"" + source.FileName + "\": the cut point at sample " + std::to_string(cut) +
                             " lies before the previous one or past the end (sample " +
                             std::to_string(source.PcmTotal) + ")");
        previous = cut;
    }
}

std::int64_t SectionStart(const SectionSource& source, std::int32_t k)
{
    return k == 1 ? 0 : source.CutPoints[k - 2];
}

// The numbers of the sections that hold samples, in order; there is always
// at least one, since the source is not empty.
std::vector<std::int32_t> SectionsWithAudio(const SectionSource& source)
{
    const auto count = static_cast<std::int32_t>(source.CutPoints.size()) + 1;
    std::vector<std::int32_t> sections;
    for (std::int32_t k = 1; k <= count; ++k) {
        const std::int64_t end = k < count ? source.CutPoints[k - 1] : source.PcmTotal;
        if (end > SectionStart(source, k) || (k == count && sections.empty()))
            sections.push_back(k);
    }
    return sections;
}

// Section k's place in the one forward pass over the source (`first` and
// `last` among the sections that hold samples), its samples and its stream;
// `written` chooses whether it reaches a file.
void SetSectionSteps(JobStacker& job, const SectionSource& source, std::int32_t k, bool first, bool last, bool written)
{
    job.SkipOutput = !written;
    // Unsigned arithmetic: the serial number wraps instead of overflowing.
    job.StreamSerial = static_cast<std::uint32_t>(source.SerialNumber) + static_cast<std::uint32_t>(k - 1);
    job.BeginStream = true;
    job.ClearStream = true;
    job.CloseOutput = true;
    job.FinishOutput = written;
    job.StartGranule = SectionStart(source, k);
    job.SectionNumber = k;
    if (static_cast<std::size_t>(k) <= source.Comments.size())
        job.Comments = source.Comments[static_cast<std::size_t>(k - 1)];
    job.Comments.DropsChapters = !source.KeepsChapters;
    // The last section with samples, the only one included, runs to the end
    // of the source (sections after it are empty) and frees everything the
    // run held for it.
    job.EndGranule = last ? 0 : source.CutPoints[k - 1];
    job.OpenSource = first;
    job.CutFirst = first && !last;
    job.CutMiddle = !first && !last;
    job.CutLast = last;
    job.ReleasePackets = last;
    job.CloseSource = last;
}

bool Chosen(SectionChoice choice, std::int32_t k)
{
    switch (choice) {
    case SectionChoice::Odd:
        return k % 2 == 1;
    case SectionChoice::Even:
        return k % 2 == 0;
    case SectionChoice::All:
        break;
    }
    return true;
}

std::string TwoDigits(std::int32_t number) { return (number < 10 ? "0" : "") + std::to_string(number); }

// Section `section`'s name by the template, or nothing where the template
// does not name it.
std::optional<std::string> ExpandTemplate(const SplitOptions& options, std::int32_t section)
{
    const auto& named = options.Source.TrackNames;
    const auto index = static_cast<std::size_t>(section - 1);
    if (options.NameTemplate.empty() || section < 1 || index >= named.size() || named[index].empty() ||
        index >= options.Source.Comments.size())
        return std::nullopt;
    const CommentEdit& comments = options.Source.Comments[index];
    const Placeholder fields[] = {{"{n}", TwoDigits(section)},
                                  {"{title}", comments.Value("TITLE")},
                                  {"{artist}", comments.Value("ARTIST")},
                                  {"{album}", comments.Value("ALBUM")}};
    return Expanded(options.NameTemplate, fields);
}

// `section` with zeros in front up to the width of `count`, the number of
// sections, and two digits at least: "07" of 12, "007" of 100.
std::string PaddedNumber(std::int32_t section, std::int32_t count)
{
    constexpr std::size_t kLeastWidth = 2;
    const std::string number = std::to_string(section);
    const std::size_t width = std::max(kLeastWidth, std::to_string(count).size());
    return std::string(width - std::min(width, number.size()), '0') + number;
}

bool EndsWithNoCase(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() &&
           std::equal(tail.rbegin(), tail.rend(), text.rbegin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

// The pre text, the number (padded with zeros on) and the post text, then
// the source's extension. A Vorbis name keeps an extension of its own (a
// post text ".oga"). Players tell an Opus file by its ".opus", so an Opus
// name gets it unless it already ends in it, whatever dots the texts hold
// ("Live 2.0 01" would otherwise pass for a file of type ".0 01").
NameParts UsualSectionName(const SplitOptions& options, std::int32_t section, std::int32_t count)
{
    const std::string number = options.Zeros ? PaddedNumber(section, count) : std::to_string(section);
    const std::string name = options.PreText + number + options.PostText;
    const std::string& extension = options.Source.Extension;
    if (extension != kOggExtension) {
        if (!EndsWithNoCase(name, extension))
            return {name, extension};
        const std::size_t stemLength = name.size() - extension.size();
        return {name.substr(0, stemLength), name.substr(stemLength)};
    }
    const std::size_t dot = ExtensionStart(name);
    if (dot == std::string::npos)
        return {name, extension};
    return {name.substr(0, dot), name.substr(dot)};
}

WantedOutput WantedSection(const SplitOptions& options, std::int32_t section, std::int32_t count)
{
    WantedOutput wanted{.Folder = options.OutputFolder,
                        .Name = {},
                        .Usual = UsualSectionName(options, section, count),
                        .Item = "section " + std::to_string(section),
                        .Number = section};
    const auto& named = options.Source.TrackNames;
    const auto index = static_cast<std::size_t>(section - 1);
    if (const auto templated = ExpandTemplate(options, section))
        wanted.Name = {*templated, options.Source.Extension};
    else if (options.NamesFromTitles && index < named.size() && !named[index].empty())
        wanted.Name = {named[index], options.Source.Extension};
    else
        wanted.Name = wanted.Usual;
    return wanted;
}

std::string TitleOf(const std::vector<std::string>& titles, std::int32_t k)
{
    const auto index = static_cast<std::size_t>(k - 1);
    return index < titles.size() ? titles[index] : std::string();
}

// "312 samples (6.5 ms) later" at 48 kHz; nothing for no move.
std::string Moved(std::int64_t samples, long rate)
{
    if (samples == 0)
        return {};
    char text[96];
    std::snprintf(text, sizeof text, "%lld samples (%.1f ms) %s", static_cast<long long>(std::abs(samples)),
                  1000.0 * static_cast<double>(std::abs(samples)) / static_cast<double>(rate),
                  samples > 0 ? "later" : "earlier");
    return text;
}

// The kept sections as one stream: placed on the source's packets now, so
// that the chapters carry the output's own times and the user learns before
// the run how far each end moved. `target` is the output's name as checked.
JobList PlanOneStream(const CutOptions& options, OutputTarget target, const std::vector<std::int32_t>& sections,
                      const std::function<bool(std::int32_t)>& kept, JobObserver& observer)
{
    const SectionSource& source = options.Source;
    const long rate = source.Rate;
    if (rate <= 0)
        throw RangeError("cannot cut \"" + source.FileName + "\" as one stream: its sample rate is not known");
    const auto count = static_cast<std::int32_t>(source.CutPoints.size()) + 1;
    std::vector<StreamStretch> asked;
    std::vector<std::int32_t> numbers;
    for (const std::int32_t k : sections) {
        if (!kept(k))
            continue;
        const std::string title = TitleOf(options.Titles, k);
        asked.push_back({.From = SectionStart(source, k),
                         .To = k < count ? source.CutPoints[static_cast<std::size_t>(k - 1)] : source.PcmTotal,
                         .Title = title.empty() ? "section " + std::to_string(k) : title});
        numbers.push_back(k);
    }
    const std::vector<StreamStretch> placed = OneStreamCut::Plan(source.FileName, std::move(asked));
    JobList jobs(JobTool::Split);
    jobs.RecordTarget(std::move(target));
    if (FileSizeOf(options.FileName) > 0)
        jobs.NoteOverwrite();
    std::vector<std::pair<std::int64_t, std::string>> chapters;
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const StreamStretch& stretch = placed[i];
        const std::string start = Moved(stretch.Start - stretch.From, rate);
        const std::string end = Moved(stretch.End - stretch.To, rate);
        if (!start.empty() || !end.empty())
            jobs.AddNote(stretch.Title + ": in one stream its start moved " + (start.empty() ? "0 samples" : start) +
                         " and its end " + (end.empty() ? "0 samples" : end) + ", to packet boundaries");
        chapters.emplace_back(stretch.OutputStart, TitleOf(options.ChapterTitles, numbers[i]));
    }
    JobStacker& job = AddJob(jobs, observer, jobs.Adopt(TempFile::Create(FolderOf(options.FileName), kOggPrefix)),
                             options.FileName, source.FileName);
    job.WriteOneStream = true;
    job.Stretches = placed;
    job.StreamSerial = static_cast<std::uint32_t>(source.SerialNumber);
    if (options.Chapters)
        job.Comments.Override(ChapterComments(chapters, rate));
    job.FinishOutput = true;
    return jobs;
}

} // namespace

std::vector<std::pair<std::string, std::string>>
ChapterComments(const std::vector<std::pair<std::int64_t, std::string>>& starts, long rate)
{
    std::vector<Chapter> chapters;
    for (const auto& [sample, title] : starts)
        chapters.push_back({sample, title});
    std::vector<std::pair<std::string, std::string>> fields;
    for (const std::string& field : ChapterFields::Format(chapters, static_cast<std::int32_t>(rate))) {
        const std::size_t equals = field.find('=');
        fields.emplace_back(field.substr(0, equals), field.substr(equals + 1));
    }
    return fields;
}

CutOptions ChosenSectionsAsOneFile(const SplitOptions& options, bool oneStream)
{
    const SectionSource& source = options.Source;
    const std::string name = NameOf(source.FileName);
    const OutputNames names({{.Folder = options.OutputFolder,
                              .Name = {name.substr(0, ExtensionStart(name)) + " (cut)", source.Extension},
                              .Usual = {"cut", source.Extension},
                              .Item = "the chosen sections",
                              .Number = 1}});
    CutOptions cut{.Source = source, .Kept = {}, .Titles = {}, .FileName = names.Path(0), .OneStream = oneStream,
                   .Chapters = oneStream};
    const auto count = static_cast<std::int32_t>(source.CutPoints.size()) + 1;
    for (std::int32_t k = 1; k <= count; ++k) {
        cut.Kept.push_back(Chosen(options.Sections, k));
        const auto index = static_cast<std::size_t>(k - 1);
        cut.ChapterTitles.push_back(index < source.Comments.size() ? source.Comments[index].Value("TITLE") : "");
    }
    return cut;
}

bool NamesWavFile(const std::string& path)
{
    const std::size_t dot = ExtensionStart(path);
    return dot != std::string::npos && EndsWithNoCase(path, kWavExtension) && path.size() - dot == 4;
}

SectionSource SectionsFromMarkers(const MPEGData& file, const std::vector<std::int32_t>& markerPositions)
{
    if (markerPositions.empty())
        throw RangeError("cannot split \"" + file.FileName + "\": there is no marker");
    const PositionConverter converter(file);
    const auto markers = static_cast<std::int32_t>(markerPositions.size());
    const bool leading = markerPositions.front() > 0;
    const bool trailing = markerPositions.back() < file.BlockCount;
    const std::int32_t sections = (leading ? 1 : 0) + (markers - 1) + (trailing ? 1 : 0);

    // Section k ends at marker k with a leading section, else at marker k + 1
    // (markers counted from 1); the last section runs to the end.
    std::vector<std::int64_t> cutPoints;
    for (std::int32_t k = 1; k < sections; ++k)
        cutPoints.push_back(converter.PositionToSamples(markerPositions[leading ? k - 1 : k]));
    return SectionsAtSamples(file, std::move(cutPoints));
}

SectionSource SectionsAtSamples(const MPEGData& file, std::vector<std::int64_t> cutPoints)
{
    SectionSource source;
    source.FileName = file.FileName;
    source.SerialNumber = file.SerialNumber;
    source.PcmTotal = file.PcmTotal;
    source.Rate = file.Rate;
    // A record that names no codec (one not read from a file) keeps ".ogg".
    if (const CodecDescriptor* codec = FindCodec(file.Codec))
        source.Extension = codec->Extension;
    source.CutPoints = std::move(cutPoints);
    source.Chained = file.Streams > 1;
    source.KeepsChapters = source.CutPoints == file.LinkStarts;
    return source;
}

OutputNames SectionFileNames(const SplitOptions& options)
{
    std::vector<WantedOutput> wanted;
    const auto count = static_cast<std::int32_t>(options.Source.CutPoints.size()) + 1;
    for (std::int32_t k = 1; k <= count; ++k)
        wanted.push_back(WantedSection(options, k, count));
    return OutputNames(wanted);
}

JobList PlanJobs(const SplitOptions& options, JobObserver& observer)
{
    const SectionSource& source = options.Source;
    RequireCutPoints(source);
    const OutputNames names = SectionFileNames(options);
    const std::vector<std::int32_t> sections = SectionsWithAudio(source);
    const std::vector<std::string> inputs = InputsOf(source);
    JobList jobs(JobTool::Split);
    for (const std::int32_t k : sections)
        if (Chosen(options.Sections, k))
            jobs.RecordTarget(RequireWritableOutput(names.Path(static_cast<std::size_t>(k - 1)), inputs));
    // One temporary name serves every section: each is moved to its final
    // name before the next one writes it again.
    const std::string temporary = jobs.Adopt(TempFile::Create(options.OutputFolder, kOggPrefix));
    // Sections keep their numbers in the names; an empty one leaves a gap.
    // The question about replacing files looks at every section's name,
    // written or not.
    const auto count = static_cast<std::int32_t>(source.CutPoints.size()) + 1;
    for (std::int32_t k = 1; k <= count; ++k) {
        const auto index = static_cast<std::size_t>(k - 1);
        const std::string& finalName = names.Path(index);
        if (FileSizeOf(finalName) > 0)
            jobs.NoteOverwrite();
        if (std::find(sections.begin(), sections.end(), k) == sections.end())
            continue;
        if (Chosen(options.Sections, k) && !names.Note(index).empty())
            jobs.AddNote(names.Note(index));
        SetSectionSteps(AddJob(jobs, observer, temporary, finalName, source.FileName), source, k, k == sections.front(),
                        k == sections.back(), Chosen(options.Sections, k));
    }
    return jobs;
}

JobList PlanJobs(const ExportOptions& options, JobObserver& observer)
{
    const SectionSource& source = options.Source;
    RequireCutPoints(source);
    const auto count = static_cast<std::int32_t>(source.CutPoints.size()) + 1;
    if (options.Section < 1 || options.Section > count)
        throw RangeError("cannot export section " + std::to_string(options.Section) + " of " + std::to_string(count));
    const std::vector<std::int32_t> sections = SectionsWithAudio(source);
    if (std::find(sections.begin(), sections.end(), options.Section) == sections.end())
        throw RangeError("cannot export section " + std::to_string(options.Section) + " of \"" + source.FileName +
                         "\": it holds no audio (its two markers stand at one place)");
    JobList jobs(JobTool::Split);
    jobs.RecordTarget(RequireWritableOutput(options.FileName, InputsOf(source)));
    const std::string folder = FolderOf(options.FileName);
    // What the decoding job reports: the section's samples of the source.
    const auto addDecoding = [&](const std::string& decoded) -> JobStacker& {
        JobStacker& decode =
            AddJob(jobs, observer, jobs.Adopt(TempFile::Create(folder, kWavPrefix)), options.FileName, decoded);
        decode.MakeWav = true;
        decode.SectionNumber = options.Section;
        decode.StartGranule = SectionStart(source, options.Section);
        decode.EndGranule = options.Section == count ? source.PcmTotal
                                                     : source.CutPoints[static_cast<std::size_t>(options.Section - 1)];
        decode.FinishOutput = true;
        return decode;
    };
    if (options.Wav && !source.Chained) {
        // Decoded straight from the source, from the places nearest the
        // section: no section is cut for it.
        addDecoding(source.FileName).DecodesRange = true;
        return jobs;
    }
    const std::string temporary = jobs.Adopt(TempFile::Create(folder, kOggPrefix));
    for (const std::int32_t k : sections) {
        JobStacker& job = AddJob(jobs, observer, temporary, options.FileName, source.FileName);
        SetSectionSteps(job, source, k, k == sections.front(), k == sections.back(), k == options.Section);
        // A chain is decoded only from its start: its section is cut into
        // an Ogg file of its own, which keeps its temporary name (the list
        // removes it when it goes), and decoded from there.
        job.FinishOutput = job.FinishOutput && !options.Wav;
    }
    if (options.Wav)
        addDecoding(temporary);
    return jobs;
}

JobList PlanJobs(const CutOptions& options, JobObserver& observer)
{
    const SectionSource& source = options.Source;
    RequireCutPoints(source);
    const std::vector<std::int32_t> sections = SectionsWithAudio(source);
    const auto kept = [&](std::int32_t k) {
        const auto index = static_cast<std::size_t>(k - 1);
        return index < options.Kept.size() && options.Kept[index];
    };
    const auto lastKept = std::find_if(sections.rbegin(), sections.rend(), kept);
    if (lastKept == sections.rend())
        throw RangeError("cannot cut \"" + source.FileName + "\": nothing with audio is kept");
    OutputTarget target = RequireWritableOutput(options.FileName, InputsOf(source));
    if (options.OneStream)
        return PlanOneStream(options, std::move(target), sections, kept, observer);
    JobList jobs(JobTool::Split);
    jobs.RecordTarget(std::move(target));
    if (FileSizeOf(options.FileName) > 0)
        jobs.NoteOverwrite();
    const std::string temporary = jobs.Adopt(TempFile::Create(FolderOf(options.FileName), kOggPrefix));
    for (const std::int32_t k : sections) {
        JobStacker& job = AddJob(jobs, observer, temporary, options.FileName, source.FileName);
        SetSectionSteps(job, source, k, k == sections.front(), k == sections.back(), kept(k));
        if (const auto index = static_cast<std::size_t>(k - 1); index < options.Titles.size())
            job.SectionTitle = options.Titles[index];
        // The output stays open from the first kept section to the last: a
        // second opening would start the file anew.
        job.CloseOutput = k == *lastKept;
        job.FinishOutput = k == *lastKept;
    }
    return jobs;
}

JobList PlanJobs(const JoinOptions& options, JobObserver& observer)
{
    if (options.Files.empty())
        throw RangeError("cannot join: no file is listed");
    RequireOneCodec(options.Files);
    std::vector<std::string> inputs;
    for (const MPEGData& file : options.Files)
        inputs.push_back(file.FileName);
    JobList jobs(JobTool::Join);
    jobs.RecordTarget(RequireWritableOutput(options.OutputFile, inputs));
    const std::string temporary = jobs.Adopt(TempFile::Create(FolderOf(options.OutputFile), kOggPrefix));
    for (const MPEGData& file : options.Files) {
        JobStacker& job = AddJob(jobs, observer, temporary, options.OutputFile, file.FileName);
        job.CopyBytes = true;
        job.CloseSource = true;
        job.CopyOffset = 0;
        job.CopyLength = file.FileSize;
    }
    JobStacker& finish = AddJob(jobs, observer, temporary, options.OutputFile, options.Files.front().FileName);
    finish.CloseOutput = true;
    finish.FinishOutput = true;
    return jobs;
}

JobList PlanJobs(const WavOptions& options, JobObserver& /*observer*/)
{
    // Every source is checked before the first temporary file is made. One
    // that cannot be read now is left to its run, which refuses it as it
    // refuses one that stops being readable after planning.
    for (const std::string& source : options.Files) {
        try {
            RequireOneWavFormat(source);
        } catch (const NotOggAudioError&) {
        } catch (const IoError&) {
        }
    }
    // Each WAV file is named after its source, numbered by its place in the
    // list where two sources share a name.
    std::vector<WantedOutput> wanted;
    for (const std::string& source : options.Files) {
        const std::string name = NameOf(source);
        const auto place = static_cast<std::int32_t>(wanted.size()) + 1;
        wanted.push_back({.Folder = options.OneDirectory ? options.OutputFolder : FolderOf(source),
                          .Name = {name.substr(0, ExtensionStart(name)), kWavExtension},
                          .Usual = {name, kWavExtension},
                          .Item = "file " + std::to_string(place),
                          .Number = place});
    }
    const OutputNames names(wanted);
    JobList jobs(JobTool::Wav);
    for (std::size_t i = 0; i < options.Files.size(); ++i)
        jobs.RecordTarget(RequireWritableOutput(names.Path(i), options.Files));
    for (std::size_t i = 0; i < options.Files.size(); ++i) {
        const std::string& source = options.Files[i];
        if (!names.Note(i).empty())
            jobs.AddNote(names.Note(i));
        JobStacker& job = jobs.AddJob(jobs.Adopt(TempFile::Create(wanted[i].Folder, kWavPrefix)), names.Path(i), source);
        job.MakeWav = true;
        job.FinishOutput = true;
    }
    return jobs;
}

JobList PlanJobs(const CatalogOptions& options, const JobControl& control, JobObserver& observer)
{
    observer.TotalText("0");
    observer.CurrentFile("");
    observer.ProcessText(kFindingText);
    std::vector<std::string> unreadable;
    const std::vector<std::string> files =
        CollectCatalogFiles(options.Directory, options.Filter, options.IncludeSubFolders, control, observer, unreadable);
    JobList jobs(JobTool::Catalog);
    for (std::string& problem : unreadable)
        jobs.NotePassedOver(std::move(problem));
    if (control.Cancelled())
        return jobs;

    observer.ProcessText(kCreatingCatalogText);
    const std::string templateName = CatalogTemplatePath(options.Mode, options.CustomTemplate);
    // Read once here only to refuse an unreadable or broken template before
    // anything is written; the run reads it again for the catalog itself.
    CatalogTemplate::Load(templateName);
    jobs.RecordTarget(
        RequireWritableOutput(options.OutputFile, CatalogInputs(files, templateName, options.OutputFile)));
    const std::string temporary = jobs.Adopt(TempFile::Create(FolderOf(options.OutputFile), kCatalogPrefix));
    for (const std::string& file : files) {
        JobStacker& job = AddJob(jobs, observer, temporary, {}, file);
        job.MakeCatalogEntry = true;
        job.TemplateName = templateName;
    }
    // With no file found, a job of its own finishes the catalog, which then
    // holds the template's head and tail.
    if (jobs.Empty())
        AddJob(jobs, observer, temporary, {}, {}).TemplateName = templateName;
    jobs.Back().FinalName = options.OutputFile;
    jobs.Back().FinishOutput = true;
    return jobs;
}

} // namespace oq
