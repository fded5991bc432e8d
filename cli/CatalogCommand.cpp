#include "cli/CatalogCommand.h"

#include "cli/Arguments.h"
#include "cli/JobSession.h"
#include "cli/JsonReport.h"
#include "jobs/JobList.h"
#include "jobs/JobPlanner.h"

#include <algorithm>
#include <iostream>

namespace oq::cli {

namespace {

// The files a catalog's plan found, each with a job that makes its entry.
std::size_t CatalogEntryCount(const JobList& jobs)
{
    return static_cast<std::size_t>(
        std::count_if(jobs.begin(), jobs.end(), [](const JobStacker& job) { return job.MakeCatalogEntry; }));
}

} // namespace

std::string CatalogCommand::Summary() const { return "write a catalog of the Ogg files in a folder tree"; }

std::string CatalogCommand::Usage() const
{
    return "Usage: oggquorvel-cli catalog DIR --out FILE [OPTIONS]\n\n"
           "Describes every file of DIR (and its sub-folders) in FILE, made from a\n"
           "template: the head once, the body once per Ogg Vorbis or Opus file, the\n"
           "tail once. Files and folders that cannot be read are left out and\n"
           "named on standard error, and the command then exits with status 1.\n\n"
           "Options:\n"
           "  --template T    csv (default), html, or the path of your own template\n"
           "  --filter F      \"" + std::string(kOggAudioFilter) + "\" (default; in any case),\n"
           "                  \"*.Ogg\" (.ogg files only) or \"*.*\"\n"
           "  --no-sub        only DIR itself, not its sub-folders\n"
           "  --quiet         no progress line\n"
           "  --json          print, instead of the catalog's name, one JSON document:\n"
           "                  {\"source\": DIR, \"file\": FILE, \"entries\" (the files\n"
           "                  described), \"left_out\": [what was left out and why]}\n\n" +
           std::string(kRefusedOutputs);
}

int CatalogCommand::Run(const std::vector<std::string>& arguments)
{
    const Arguments options(arguments, {"--out", "--template", "--filter"}, {"--no-sub", "--quiet", "--json"});
    if (options.Plain().size() != 1)
        throw UsageError("give one DIR to catalog");
    CatalogOptions catalog;
    catalog.Directory = options.Plain()[0];
    catalog.OutputFile = options.Require("--out");
    const std::string chosen = options.Value("--template").value_or("csv");
    if (chosen == "csv") {
        catalog.Mode = CatalogMode::Csv;
    } else if (chosen == "html") {
        catalog.Mode = CatalogMode::Html;
    } else {
        catalog.Mode = CatalogMode::Custom;
        catalog.CustomTemplate = chosen;
    }
    catalog.Filter = options.Value("--filter").value_or(kOggAudioFilter);
    if (catalog.Filter != kOggAudioFilter && catalog.Filter != "*.Ogg" && catalog.Filter != "*.*")
        throw UsageError("--filter takes \"" + std::string(kOggAudioFilter) + "\", \"*.Ogg\" or \"*.*\"");
    catalog.IncludeSubFolders = !options.Has("--no-sub");

    const bool json = options.Has("--json");
    JobSession session(options.Has("--quiet"), !json);
    JobList jobs = PlanJobs(catalog, session.Control(), session.Observer());
    const std::size_t searched = CatalogEntryCount(jobs);
    const std::size_t unlisted = jobs.PassedOver().size();
    if (session.Control().Cancelled()) {
        std::cerr << "Cancelled: nothing was written.\n";
        return kExitCancelled;
    }
    const int status = session.RunPlan(jobs);
    if (status != 0)
        return status;
    // The catalog of the others is written; the files it could not hold
    // still fail the command.
    for (const std::string& problem : jobs.PassedOver())
        std::cerr << "oggquorvel-cli catalog: not in the catalog: " << problem << "\n";
    if (json)
        // Files passed over while the catalog was written were found and
        // given a job, but hold no entry; those of folders that could not be
        // listed never were.
        PrintJson({{"source", catalog.Directory},
                   {"file", catalog.OutputFile},
                   {"entries", searched - (jobs.PassedOver().size() - unlisted)},
                   {"left_out", jobs.PassedOver()}});
    return jobs.PassedOver().empty() ? 0 : 1;
}

} // namespace oq::cli
