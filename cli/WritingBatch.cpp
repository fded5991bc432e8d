#include "cli/WritingBatch.h"

#include "cli/Console.h"
#include "cli/JobSession.h"
#include "base/Error.h"
#include "base/JobObserver.h"
#include "base/NameOwners.h"
#include "base/OutputTarget.h"
#include "base/PathParts.h"
#include "jobs/JobRunner.h"

#include <iostream>
#include <sys/stat.h>
#include <tuple>

namespace oq::cli {

namespace {

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

// One file's progress within the run: the runner's job count follows the
// file's place, "file 2 of 3: 1 / 4".
class SourceOfRunObserver : public JobObserver {
public:
    SourceOfRunObserver(JobObserver& line, std::size_t place, std::size_t count)
        : line_(line), prefix_(count > 1 ? "file " + std::to_string(place) + " of " + std::to_string(count) + ": " : "")
    {
    }

    void CurrentFile(const std::string& name) override { line_.CurrentFile(name); }
    void TotalText(const std::string& text) override { line_.TotalText(prefix_ + text); }
    void ProcessText(const std::string& text) override { line_.ProcessText(text); }
    void Progress(std::int64_t position, std::int64_t maximum) override { line_.Progress(position, maximum); }

private:
    JobObserver& line_;
    std::string prefix_;
};

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

} // namespace

std::string JsonWrittenUsage()
{
    return "The JSON document is an array with an object for each FILE, in order:\n"
           "{\"source\": FILE, \"files\": [{\"file\", \"section\", \"first_sample\",\n"
           "\"end_sample\", \"samples\", \"seconds\"}, ...]}, the files written with the\n"
           "samples they hold (from first_sample up to end_sample, per channel, counted\n"
           "from the start of FILE); or {\"source\": FILE, \"error\": REASON} for a FILE\n"
           "not done. Errors and progress still go to standard error.\n";
}

WritingBatch::WritingBatch(std::string command, bool quiet, bool json, Reporter reporter)
    : command_(std::move(command)), quiet_(quiet), json_(json), reporter_(std::move(reporter))
{
}

Json WritingBatch::WrittenSections(const std::string& source, const PlannedSource& done)
{
    return {{"source", source}, {"files", WrittenSectionsJson(done.Jobs, done.Source)}};
}

int WritingBatch::Run(const std::vector<std::string>& sources, const Planner& plan, bool force)
{
    BatchReport report(command_, sources.size(), json_);
    JobSession session(quiet_, !json_);
    std::vector<Planned> planned;
    bool cancelled = false;
    ForEachSource(sources, report, [&](std::size_t index, const std::string& source) {
        if (cancelled)
            return;
        // Taken before the source is read, so that a change while it is
        // planned counts too.
        std::optional<FileStamp> stamp = StampOf(source);
        SourceOfRunObserver observer(session.Observer(), index + 1, sources.size());
        observer.TotalText("");
        observer.CurrentFile(NameOf(source));
        std::optional<PlannedSource> made = plan(source, session.Control(), observer);
        if (!made)
            cancelled = true;
        else
            planned.push_back({index, source, stamp, std::move(*made)});
    });
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

    std::vector<std::string> writtenNames;
    for (Planned& input : planned) {
        JobList& jobs = input.Plan.Jobs;
        if (StampOf(input.Source) != input.Stamp) {
            report.Failed(input.Index, input.Source,
                          "\"" + input.Source +
                              "\" was replaced or changed since it was read; nothing of it was written");
            continue;
        }
        SourceOfRunObserver observer(session.Observer(), input.Index + 1, sources.size());
        const std::vector<std::string> written = jobs.FinalNames();
        RunResult result = RunResult::Finished;
        try {
            result = JobRunner(session.Control(), observer).Run(jobs);
        } catch (const CancelledError&) {
            result = RunResult::Cancelled;
        } catch (const Error& error) {
            report.Failed(input.Index, input.Source, error.what());
            continue;
        }
        if (result == RunResult::Cancelled) {
            cancelled = true;
            break;
        }
        if (json_)
            report.Done(input.Index, reporter_(input.Source, input.Plan));
        writtenNames.insert(writtenNames.end(), written.begin(), written.end());
    }
    // Printed once the progress line is done with, so the two do not mix
    // on a terminal.
    session.FinishProgress();
    if (!json_)
        for (const std::string& name : writtenNames)
            std::cout << name << "\n";
    const int status = report.Finish();
    if (cancelled) {
        std::cerr << "Cancelled: the unfinished output was removed; finished files stay.\n";
        return kExitCancelled;
    }
    return status;
}

} // namespace oq::cli
