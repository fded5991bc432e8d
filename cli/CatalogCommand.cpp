#include "cli/CatalogCommand.h"

#include "cli/Arguments.h"
#include "cli/JobSession.h"
#include "jobs/JobList.h"
#include "jobs/JobPlanner.h"

#include <iostream>

namespace oq::cli {

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
           "  --quiet         no progress line\n\n" +
           std::string(kRefusedOutputs);
}

int CatalogCommand::Run(const std::vector<std::string>& arguments)
{
    const Arguments options(arguments, {"--out", "--template", "--filter"}, {"--no-sub", "--quiet"});
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

    JobSession session(options.Has("--quiet"));
    JobList jobs = PlanJobs(catalog, session.Control(), session.Observer());
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
    return jobs.PassedOver().empty() ? 0 : 1;
}

} // namespace oq::cli
