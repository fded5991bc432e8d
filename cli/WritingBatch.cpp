#include "cli/WritingBatch.h"

#include "cli/BatchProgress.h"
#include "cli/Command.h"
#include "cli/Console.h"
#include "cli/JobSession.h"
#include "base/Error.h"
#include "base/JobObserver.h"
#include "base/NameOwners.h"
#include "base/OutputTarget.h"
#include "base/PathParts.h"
#include "jobs/JobRunner.h"
#include "tools/ParallelParts.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <map>
#include <thread>
#include <sys/stat.h>
#include <tuple>

namespace oq::cli {

namespace {

// Inputs written at once unless --jobs says otherwise (and never more than
// the cores). Writing a split is reading, checksumming and writing pages on
// one thread, so a second worker can keep a second core busy: on the
// benchmark's batch of twenty files two runs of half of them side by side
// took 0.56 x one run on a free machine. More workers than two mostly take
// turns at the disk.
constexpr unsigned kDefaultMostWorkers = 2;
// More threads than this gain nothing on any disk, and a typing slip such
// as "--jobs 200" would start that many.
constexpr unsigned kMostWorkers = 64;

// What tells a file apart from one put in its place or changed: the file
// system's identity, its size and the time it was last written (seconds and
// nanoseconds). A source whose stamp
// differs between planning and running is not cut by the plan made for it.
struct FileStamp {
    std::tuple<dev_t, ino_t, off_t, time_t, long> Fields{};
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> StampOf(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FileStamp{{status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec}};
}

// An input planned: its place among the inputs, its stamp as it was read.
struct Planned {
    std::size_t Index = 0;
    std::string Source;
    std::optional<FileStamp> Stamp;
    PlannedSource Plan;
};

// Refuses the run when two inputs would write one file, or an input's
// output is another input; every input's own outputs were already held
// against its own inputs and each other when it was planned.
void RequireDistinctOutputs(const std::vector<Planned>& planned, const std::vector<std::string>& sources)
{
    NameOwners owners;
    for (std::size_t index = 0; index < planned.size(); ++index) {
        const Planned& input = planned[index];
        for (const std::string& name : input.Plan.Jobs.FinalNames()) {
            RequireWritableOutput(name, sources);
            const NameOwners::Holder owner = owners.Claim(name, index);
            if (owner.Output == index)
                continue;
            std::string reason = "is an output of both \"" + planned[owner.Output].Source + "\" and \"" +
                                 input.Source + "\"";
            if (owner.Name != NameOf(name))
                reason += " (as \"" + owner.Name + "\", one file in a folder that ignores case)";
            throw FileError(name, reason,
                            "\"" + name + "\" " + reason +
                                "; give their outputs other names or folders. Nothing was written.");
        }
    }
}

// What became of a planned input in the writing.
enum class Outcome {
    NotStarted, // a cancel came first
    Written,
    Failed,    // named, with the reason, in the report
    Cancelled, // stopped part way: its finished outputs stay
};

// Runs one input's jobs, after the check that it is still the file that
// was planned.
Outcome WriteOne(Planned& input, const JobControl& control, JobObserver& observer, BatchReport& report)
{
    if (StampOf(input.Source) != input.Stamp) {
        report.Failed(input.Index, input.Source,
                      "\"" + input.Source + "\" was replaced or changed since it was read; nothing of it was written");
        return Outcome::Failed;
    }
    try {
        if (JobRunner(control, observer).Run(input.Plan.Jobs) == RunResult::Cancelled)
            return Outcome::Cancelled;
    } catch (const CancelledError&) {
        return Outcome::Cancelled;
    } catch (const Error& error) {
        report.Failed(input.Index, input.Source, error.what());
        return Outcome::Failed;
    }
    return Outcome::Written;
}

// Names the outputs of an input stopped part way (`how`: "before the
// cancel", "before it failed") that were finished and stay, so that nothing
// written goes unmentioned.
void PrintFinishedPart(const std::string& command, const Planned& input, const char* how)
{
    const JobList& jobs = input.Plan.Jobs;
    const std::vector<std::string> names = jobs.FinalNames();
    const std::size_t finished = std::min(jobs.FinishedOutputs(), names.size());
    if (finished == 0)
        return;
    std::cerr << "oggquorvel-cli " << command << ": of \"" << input.Source << "\", " << finished << " of "
              << names.size() << " files were finished " << how << " and stay:";
    for (std::size_t k = 0; k < finished; ++k)
        std::cerr << " \"" << names[k] << "\"";
    std::cerr << "\n";
}

// Writes the planned inputs, taken in order by up to `workers` workers at
// once, under one progress line; returns what became of each.
std::vector<Outcome> WriteAll(std::vector<Planned>& planned, std::size_t sources, unsigned workers,
                              JobSession& session, BatchReport& report)
{
    std::int64_t jobs = 0;
    for (const Planned& input : planned)
        jobs += static_cast<std::int64_t>(input.Plan.Jobs.Count());
    BatchProgress progress(session.Observer(), sources, jobs);
    // Each element is written by the one worker that takes its input, and
    // read only once every worker has ended.
    std::vector<Outcome> outcomes(planned.size(), Outcome::NotStarted);
    const JobControl& control = session.Control();
    const auto write = [&](std::size_t k, const std::atomic<bool>& stop) {
        // Inputs not yet begun when Ctrl-C came are left as they are.
        if (stop || control.Cancelled())
            return;
        Planned& input = planned[k];
        BatchProgress::Input observer(progress, input.Index + 1, NameOf(input.Source),
                                      static_cast<std::int64_t>(input.Plan.Jobs.Count()));
        outcomes[k] = WriteOne(input, control, observer, report);
    };
    // The workers stop taking inputs once a cancel is asked for; those
    // running see it at their next check point.
    RunParts(planned.size(), workers, write, [&] { return !control.Cancelled(); });
    return outcomes;
}

} // namespace

std::string JsonWrittenUsage()
{
    return "The JSON document is an array with an object for each FILE, in order:\n"
           "{\"source\": FILE, \"files\": [{\"file\", \"section\", \"first_sample\",\n"
           "\"end_sample\", \"samples\", \"seconds\"}, ...]}, the files written with the\n"
           "samples they hold (from first_sample up to end_sample, per channel, counted\n"
           "from the start of FILE); or {\"source\": FILE, \"error\": REASON} for a FILE\n"
           "not done, with \"files\": [...] when some of its files were finished\n"
           "before it failed and stay. After Ctrl-C a FILE stopped part way or not\n"
           "begun is {\"source\": FILE, \"cancelled\": true, \"files\": [...]}, with the\n"
           "files of it that were finished and stay. Errors and progress still go to\n"
           "standard error.\n";
}

std::string JobsUsage()
{
    return "  --jobs N           write N FILEs at a time, each on a processor core of its\n"
           "                     own (default: one per core, at most " +
           std::to_string(kDefaultMostWorkers) +
           "; 1: one after\n"
           "                     another)\n";
}

unsigned WorkersOf(const std::optional<std::string>& jobs)
{
    if (!jobs)
        return std::clamp(std::thread::hardware_concurrency(), 1u, kDefaultMostWorkers);
    unsigned workers = 0;
    const char* end = jobs->data() + jobs->size();
    const auto [stop, error] = std::from_chars(jobs->data(), end, workers);
    if (error != std::errc() || stop != end || workers < 1 || workers > kMostWorkers)
        throw UsageError("--jobs \"" + *jobs + "\" is not a count of files at a time (1 to " +
                         std::to_string(kMostWorkers) + ")");
    return workers;
}

WritingBatch::WritingBatch(std::string command, bool quiet, bool json, Reporter reporter)
    : command_(std::move(command)), quiet_(quiet), json_(json), reporter_(std::move(reporter))
{
}

Json WritingBatch::WrittenSections(const std::string& source, const PlannedSource& done)
{
    return {{"source", source}, {"files", WrittenSectionsJson(done.Jobs, done.Source)}};
}

int WritingBatch::Run(const std::vector<std::string>& sources, const Planner& plan, bool force, unsigned workers)
{
    BatchReport report(command_, sources.size(), json_);
    JobSession session(quiet_, !json_);
    // The inputs are planned by the same workers that write them: reading
    // one (its headers, the walk over its pages, an analysis or loudness
    // where asked) is as much of a short file's work as writing it. Every
    // plan is made, and every name checked, before the first byte is written.
    std::vector<std::optional<Planned>> plans(sources.size());
    std::atomic<bool> cancelled = false;
    BatchProgress planning(session.Observer(), sources.size(), static_cast<std::int64_t>(sources.size()));
    const auto planOne = [&](std::size_t k, const std::atomic<bool>& stop) {
        ForSource(sources, k, report, [&](std::size_t index, const std::string& source) {
            if (stop || cancelled)
                return;
            // Taken before the source is read, so that a change while it is
            // planned counts too.
            std::optional<FileStamp> stamp = StampOf(source);
            BatchProgress::Input observer(planning, index + 1, NameOf(source), 1);
            std::optional<PlannedSource> made = plan(source, session.Control(), observer);
            if (!made)
                cancelled = true;
            else
                plans[index] = Planned{index, source, stamp, std::move(*made)};
        });
    };
    RunParts(sources.size(), workers, planOne, [&] { return !session.Control().Cancelled(); });
    std::vector<Planned> planned;
    for (std::optional<Planned>& one : plans)
        if (one)
            planned.push_back(std::move(*one));
    if (cancelled || session.Control().Cancelled()) {
        session.FinishProgress();
        std::cerr << "Cancelled: nothing was written.\n";
        return kExitCancelled;
    }
    RequireDistinctOutputs(planned, sources);
    bool willOverwrite = false;
    for (const Planned& input : planned) {
        PrintNotes(input.Plan.Jobs.Notes());
        willOverwrite = willOverwrite || input.Plan.Jobs.WillOverwrite();
    }
    if (!session.MayOverwrite(willOverwrite, force))
        return 1;

    const std::vector<Outcome> outcomes = WriteAll(planned, sources.size(), workers, session, report);
    // Printed once the progress line is done with, so the two do not mix
    // on a terminal: the files of every input written, in the order of the
    // inputs whatever order they finished in.
    session.FinishProgress();
    const bool interrupted = std::any_of(outcomes.begin(), outcomes.end(), [](Outcome outcome) {
        return outcome == Outcome::Cancelled || outcome == Outcome::NotStarted;
    });
    for (std::size_t k = 0; k < planned.size(); ++k) {
        const Planned& input = planned[k];
        if (outcomes[k] == Outcome::Written) {
            if (json_)
                report.Done(input.Index, reporter_(input.Source, input.Plan));
            else
                for (const std::string& name : input.Plan.Jobs.FinalNames())
                    std::cout << name << "\n";
        } else if (outcomes[k] == Outcome::Failed) {
            // Failed part way: the sections finished before stay.
            const JobList& jobs = input.Plan.Jobs;
            if (jobs.FinishedOutputs() == 0)
                continue;
            PrintFinishedPart(command_, input, "before it failed");
            if (json_)
                report.FailedAfter(input.Index, WrittenSectionsJson(jobs, input.Plan.Source, jobs.FinishedOutputs()));
        } else if (json_) {
            // Stopped part way, or not begun: what of it stays.
            const JobList& jobs = input.Plan.Jobs;
            report.Done(input.Index, {{"source", input.Source},
                                      {"cancelled", true},
                                      {"files", WrittenSectionsJson(jobs, input.Plan.Source, jobs.FinishedOutputs())}});
        }
    }
    const int status = report.Finish();
    if (!interrupted)
        return status;
    std::cerr << "Cancelled: the unfinished output was removed; finished files stay.\n";
    for (std::size_t k = 0; k < planned.size(); ++k)
        if (outcomes[k] == Outcome::Cancelled)
            PrintFinishedPart(command_, planned[k], "before the cancel");
    return kExitCancelled;
}

} // namespace oq::cli
