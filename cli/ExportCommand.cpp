#include "cli/ExportCommand.h"

#include "cli/Arguments.h"
#include "cli/WritingBatch.h"
#include "cli/Console.h"
#include "cli/SectionMethod.h"
#include "cli/UserTags.h"
#include "jobs/JobList.h"
#include "jobs/JobPlanner.h"
#include "base/FileSystem.h"
#include "base/PathParts.h"

#include <charconv>

namespace oq::cli {

namespace {

// The name split gives section `k` of `source` in `folder` with its usual
// texts, so a section exported and the same one split land on one name.
std::string SplitSectionName(const SectionSource& source, const std::string& folder, std::int32_t k)
{
    SplitOptions split{.Source = source, .OutputFolder = folder, .PostText = " - " + NameOf(source.FileName)};
    return SectionFileNames(split).Path(static_cast<std::size_t>(k - 1));
}

} // namespace

std::string ExportCommand::Summary() const { return "write one section of a file to a file of its own"; }

std::string ExportCommand::Usage() const
{
    return "Usage: oggquorvel-cli export FILE METHOD --section K --to OUT [OPTIONS]\n"
           "Usage: oggquorvel-cli export FILE... METHOD --section K --dir DIR [OPTIONS]\n\n"
           "Writes section K (counted from 1) of FILE to OUT without re-encoding,\n"
           "replacing OUT if it exists. An OUT ending in \".wav\" receives the section's\n"
           "decoded samples instead (16-bit PCM), exactly those of FILE in the section.\n"
           "With --dir, section K of each FILE goes into DIR under the name split gives\n"
           "it (\"Part 0K - \" and FILE's name); existing files are asked about as\n"
           "split asks. Every FILE is read and every name settled before anything is\n"
           "written; two FILEs whose sections would have one name refuse the run. A\n"
           "FILE that cannot be read or cut is named and passed over, the others are\n"
           "written, and the run ends with a summary and status 1.\n\n" +
           SectionMethod::Usage() + "\nOptions:\n" + UserTagsUsage() +
           "  --dir DIR          folder for the section of each FILE, instead of --to\n" +
           JobsUsage() +
           "  --force            with --dir, replace existing files without asking\n"
           "  --quiet            no progress line\n"
           "  --json             print one JSON document instead of the files written\n\n" +
           JsonWrittenUsage() + "\n" +
           kRefusedOutputs;
}

int ExportCommand::Run(const std::vector<std::string>& arguments)
{
    std::set<std::string> valueOptions = SectionMethod::Options();
    valueOptions.insert({"--section", "--to", "--dir", "--jobs"});
    std::set<std::string> flagOptions = SectionMethod::Flags();
    flagOptions.insert({"--quiet", "--force", "--json"});
    const Arguments options(arguments, valueOptions, flagOptions, {"--tag"});
    const std::vector<std::string>& sources = options.Plain();
    if (sources.empty())
        throw UsageError("give the FILE to export from");
    const SectionMethod method(options);
    RequireOneSourceFor(method.InputFiles(), sources.size());
    const std::string sectionText = options.Require("--section");
    std::int32_t section = 0;
    const auto [end, error] = std::from_chars(sectionText.data(), sectionText.data() + sectionText.size(), section);
    if (error != std::errc() || end != sectionText.data() + sectionText.size() || section < 1)
        throw UsageError("--section \"" + sectionText + "\" is not a section number (1, 2, ...)");
    const std::optional<std::string> folder = options.Value("--dir");
    if (folder && options.Has("--to"))
        throw UsageError("give either --to OUT or --dir DIR");
    if (!folder && sources.size() > 1)
        throw UsageError("--to names one file; give --dir DIR for the sections of several FILEs");
    const std::string to = folder ? std::string() : options.Require("--to");
    const UserTags tags = ParseUserTags(options.Values("--tag"));
    const unsigned workers = WorkersOf(options.Value("--jobs"));

    const auto plan = [&](const std::string& source, const JobControl& /*control*/,
                          JobObserver& observer) -> std::optional<PlannedSource> {
        const MPEGData file = DescribeFileToCut(source);
        std::vector<std::string> warnings;
        ExportOptions exported{
            .Source = SectionsOf(file, method.Cuts(file, warnings)), .FileName = to, .Section = section};
        PrintWarnings(warnings);
        AddUserTags(exported.Source, tags);
        const auto sections = static_cast<std::int32_t>(exported.Source.CutPoints.size() + 1);
        if (section > sections)
            throw UsageError("--section " + sectionText + ": the method gives " + std::to_string(sections) +
                             " sections");
        if (folder)
            exported.FileName = SplitSectionName(exported.Source, *folder, section);
        exported.Wav = NamesWavFile(exported.FileName);
        JobList jobs = PlanJobs(exported, observer);
        // A name the user did not choose is asked about before it replaces a file.
        if (folder && FileSizeOf(exported.FileName) > 0)
            jobs.NoteOverwrite();
        return PlannedSource{file, std::move(jobs)};
    };
    return WritingBatch(Name(), options.Has("--quiet"), options.Has("--json"))
        .Run(sources, plan, !folder || options.Has("--force"), workers);
}

} // namespace oq::cli
