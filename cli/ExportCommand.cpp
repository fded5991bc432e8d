#include "cli/ExportCommand.h"

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "cli/JobSession.h"
#include "cli/SectionMethod.h"
#include "cli/UserTags.h"
#include "jobs/JobList.h"
#include "jobs/JobPlanner.h"

#include <charconv>

namespace oq::cli {

std::string ExportCommand::Summary() const { return "write one section of a file to a file of its own"; }

std::string ExportCommand::Usage() const
{
    return "Usage: oggquorvel-cli export FILE METHOD --section K --to OUT [OPTIONS]\n\n"
           "Writes section K (counted from 1) of FILE to OUT without re-encoding,\n"
           "replacing OUT if it exists. An OUT ending in \".wav\" receives the section's\n"
           "decoded samples instead (16-bit PCM), exactly those of FILE in the section.\n\n" +
           SectionMethod::Usage() + "\nOptions:\n" + UserTagsUsage() + "  --quiet            no progress line\n\n" +
           kRefusedOutputs;
}

int ExportCommand::Run(const std::vector<std::string>& arguments)
{
    std::set<std::string> valueOptions = SectionMethod::Options();
    valueOptions.insert({"--section", "--to"});
    std::set<std::string> flagOptions = SectionMethod::Flags();
    flagOptions.insert("--quiet");
    const Arguments options(arguments, valueOptions, flagOptions, {"--tag"});
    if (options.Plain().size() != 1)
        throw UsageError("give one FILE to export from");
    const SectionMethod method(options);
    const std::string sectionText = options.Require("--section");
    ExportOptions exported;
    const auto [end, error] =
        std::from_chars(sectionText.data(), sectionText.data() + sectionText.size(), exported.Section);
    if (error != std::errc() || end != sectionText.data() + sectionText.size() || exported.Section < 1)
        throw UsageError("--section \"" + sectionText + "\" is not a section number (1, 2, ...)");
    exported.FileName = options.Require("--to");
    exported.Wav = NamesWavFile(exported.FileName);
    const UserTags tags = ParseUserTags(options.Values("--tag"));

    const MPEGData file = DescribeFileToCut(options.Plain()[0]);
    std::vector<std::string> warnings;
    exported.Source = SectionsOf(file, method.Cuts(file, warnings));
    PrintWarnings(warnings);
    AddUserTags(exported.Source, tags);
    const auto sections = static_cast<std::int32_t>(exported.Source.CutPoints.size() + 1);
    if (exported.Section > sections)
        throw UsageError("--section " + sectionText + ": the method gives " + std::to_string(sections) + " sections");

    JobSession session(options.Has("--quiet"));
    JobList jobs = PlanJobs(exported, session.Observer());
    return session.RunPlan(jobs);
}

} // namespace oq::cli
