#include "cli/JobSession.h"

#include "cli/Console.h"
#include "base/Error.h"
#include "jobs/JobList.h"
#include "jobs/JobPlanner.h"
#include "jobs/JobRunner.h"

#include <iostream>
#include <unistd.h>

namespace oq::cli {

JobSession::JobSession(bool quiet, bool printNames)
    : printNames_(printNames), progress_(quiet), guard_([this] { control_.RequestCancel(); })
{
}

bool JobSession::ConfirmOverwrite(JobList& jobs, bool force)
{
    if (MayOverwrite(jobs.WillOverwrite(), force))
        return true;
    jobs.Clear();
    return false;
}

bool JobSession::MayOverwrite(bool willOverwrite, bool force)
{
    if (!willOverwrite || force)
        return true;
    if (!isatty(STDIN_FILENO))
        throw Error("existing files would be overwritten; give --force to replace them");
    std::cerr << kOverwriteQuestion << " [OK/Cancel] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    for (char& c : answer)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (answer == "ok" || answer == "o" || answer == "y" || answer == "yes")
        return true;
    std::cerr << "Nothing was written.\n";
    return false;
}

int JobSession::Run(JobList& jobs)
{
    const RunResult result = JobRunner(control_, progress_).Run(jobs);
    progress_.Finish();
    if (result == RunResult::Cancelled) {
        std::cerr << "Cancelled: the unfinished output was removed; finished files stay.\n";
        return kExitCancelled;
    }
    return 0;
}

int JobSession::RunPlan(JobList& jobs, bool force)
{
    PrintNotes(jobs.Notes());
    if (!ConfirmOverwrite(jobs, force))
        return 1;
    const std::vector<std::string> written = jobs.FinalNames();
    const int status = Run(jobs);
    if (status == 0 && printNames_)
        for (const std::string& name : written)
            std::cout << name << "\n";
    return status;
}

} // namespace oq::cli
