#include "cli/ChaptersCommand.h"

#include "cli/Arguments.h"
#include "cli/Batch.h"
#include "cli/Console.h"
#include "cli/SectionMethod.h"
#include "jobs/ChapterCopy.h"
#include "media/ChainTimeline.h"
#include "model/Chapters.h"
#include "base/OutputTarget.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace oq::cli {

namespace {

constexpr std::int32_t kMillisecondsPerSecond = 1000;

// `sample` as "HH:MM:SS.fff" from the start of the file: in a chain of
// links at different rates each link's samples count at the link's rate.
std::string WholeFileTime(std::int64_t sample, const ChainTimeline& timeline)
{
    // Whole milliseconds are samples at 1000 Hz to the chapter fields' format.
    return ChapterFields::Time(std::llround(timeline.Seconds(sample) * kMillisecondsPerSecond), kMillisecondsPerSecond);
}

} // namespace

std::string ChaptersCommand::Summary() const { return "list a file's chapters, or write a copy with new ones"; }

std::string ChaptersCommand::Usage() const
{
    return "Usage: oggquorvel-cli chapters FILE... [--json]\n"
           "Usage: oggquorvel-cli chapters FILE METHOD --to OUT [--quiet] [--json]\n\n"
           "Without METHOD, lists the chapters of each FILE (Ogg Vorbis or Opus): the\n"
           "CHAPTERnnn=HH:MM:SS.fff fields of its comments and their CHAPTERnnnNAME\n"
           "titles, a line each with its number, time, title and exact sample. In a\n"
           "chained file each link's chapters count from the link's start. Several\n"
           "FILEs are each listed after a line \"FileName: FILE\", a blank line between\n"
           "them; one that cannot be read is named and passed over, and the run ends\n"
           "with a summary and status 1.\n\n"
           "With METHOD, writes OUT: a copy of FILE whose comments carry a chapter at\n"
           "the start of every section METHOD gives (CHAPTER001 on, to the millisecond),\n"
           "named after the titles they came with or \"Chapter k\". Earlier chapter fields\n"
           "go, every other comment stays, and the audio is copied unchanged. In a\n"
           "chained file each link carries the chapters that begin in it. FILE is never\n"
           "written.\n\n" +
           SectionMethod::Usage() +
           "\nOptions:\n"
           "  --to OUT           the copy to write (replaced when it exists)\n"
           "  --quiet            no progress line while --silence or --snap analyses\n"
           "  --json             print one JSON document instead: an array with an object\n"
           "                     for each FILE, {\"source\", \"rate\", \"chapters\":\n"
           "                     [{\"chapter\", \"sample\", \"seconds\", \"title\",\n"
           "                     \"end_sample\" and \"end_seconds\" where the field gives\n"
           "                     an end}]} (samples per channel from the start of FILE),\n"
           "                     or {\"source\", \"error\"} for a FILE not done; with\n"
           "                     --to, the object also names OUT (\"file\") and lists the\n"
           "                     chapters as OUT holds them, to the millisecond\n\n" +
           kRefusedOutputs;
}

int ChaptersCommand::Run(const std::vector<std::string>& arguments)
{
    std::set<std::string> valueOptions = SectionMethod::Options();
    valueOptions.insert("--to");
    std::set<std::string> flagOptions = SectionMethod::Flags();
    flagOptions.insert({"--quiet", "--json"});
    const Arguments options(arguments, valueOptions, flagOptions);
    const std::vector<std::string>& sources = options.Plain();
    if (sources.empty())
        throw UsageError("give the FILE");
    const std::optional<std::string> target = options.Value("--to");
    const auto given = [&options](const std::string& option) { return options.Has(option); };
    const bool listing =
        std::ranges::none_of(SectionMethod::Options(), given) && std::ranges::none_of(SectionMethod::Flags(), given);
    BatchReport report(Name(), sources.size(), options.Has("--json"));
    if (listing) {
        if (target)
            throw UsageError("--to writes the sections of a METHOD as chapters: give one");
        bool shownOne = false;
        ForEachSource(sources, report, [&](std::size_t index, const std::string& source) {
            const MPEGData file = DescribeSourceFile(source);
            const std::vector<Chapter> chapters = ReadChapters(source);
            const ChainTimeline timeline(file);
            if (report.WantsJson()) {
                report.Done(index,
                            {{"source", source}, {"rate", file.Rate}, {"chapters", ChaptersJson(chapters, file)}});
                return;
            }
            if (sources.size() > 1)
                std::cout << (shownOne ? "\n" : "") << "FileName: " << source << "\n";
            shownOne = true;
            if (chapters.empty())
                std::cout << "\"" << source << "\" holds no chapters.\n";
            for (std::size_t k = 0; k < chapters.size(); ++k)
                std::cout << k + 1 << "\t" << WholeFileTime(chapters[k].Sample, timeline) << "\t"
                          << chapters[k].Title << "\t(sample " << chapters[k].Sample << ")\n";
        });
        return report.Finish();
    }
    if (sources.size() != 1)
        throw UsageError("--to names one file; give one FILE with a METHOD");
    if (!target)
        throw UsageError("give the copy to write with --to OUT");
    const SectionMethod method(options);
    ForEachSource(sources, report, [&](std::size_t index, const std::string& source) {
        // Refused before the method reads or analyses anything.
        std::vector<std::string> inputs = method.InputFiles();
        inputs.push_back(source);
        RequireWritableOutput(*target, inputs);
        const MPEGData file = DescribeFileToCut(source);
        std::vector<std::string> warnings;
        const std::vector<Chapter> chapters = method.SectionStarts(file, warnings);
        PrintWarnings(warnings);
        WriteChapterCopy(source, *target, chapters, method.InputFiles());
        if (!report.WantsJson()) {
            std::cout << "Wrote " << chapters.size() << " chapters to \"" << *target << "\".\n";
            return;
        }
        // Read back: the fields hold each time to the millisecond, and a
        // script is told what a reader of OUT will find.
        report.Done(index, {{"source", source},
                            {"file", *target},
                            {"rate", file.Rate},
                            {"chapters", ChaptersJson(ReadChapters(*target), file)}});
    });
    return report.Finish();
}

} // namespace oq::cli
