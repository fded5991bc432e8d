#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace oq {

class JobControl;
class JobList;
class JobObserver;

enum class RunResult { Finished, Cancelled };

// Runs a job list: for each job, in list order, the steps its flags name, in
// one fixed order (open source, begin stream, cut, clear stream, release
// packets, copy bytes, catalog entry, WAV, close source, close output,
// finish). Pause and cancel are looked at before every job and after the
// steps that take time; a cancel ends the run at the next such point.
//
// A catalog's file that cannot be read or described (DescribeCatalogEntry)
// is noted in the list's PassedOver and the run goes on without its entry.
//
// Before the first job, every section the list cuts is checked against the
// source (CutPlanCheck): a section that cannot be cut exactly fails the run
// before anything is written.
//
// Whether the run finishes, is cancelled or fails, it ends the same way:
// every file is closed, the temporary files of the list are deleted, and
// only outputs that were finished carry a final name (each replacing an
// older file of that name in one rename, so a failure never leaves a final
// name without a complete file). The rename replaces only what the plan
// found at the name (see MoveIntoPlace): a file, link or folder put there
// since fails the run with a FileError naming it, and stays. A failure is
// raised again as the oq::Error that caused it, after that clean-up.
//
// Reports go to the observer from the running thread: the current file, the
// job count text "3 / 12", the step texts and the progress position.
class JobRunner {
public:
    JobRunner(const JobControl& control, JobObserver& observer) : control_(control), observer_(observer) {}
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    RunResult Run(JobList& jobs);

    // Whole seconds since the running list started, 0 while no list runs.
    // Safe to call from any thread, e.g. a once-a-second timer of a window.
    std::int64_t ElapsedSeconds() const noexcept;

private:
    using Clock = std::chrono::steady_clock;

    const JobControl& control_;
    JobObserver& observer_;
    // Clock ticks of the run's start; 0 while idle.
    std::atomic<Clock::rep> startTicks_{0};
};

// Runs `jobs` with a runner of its own.
RunResult RunJobs(JobList& jobs, const JobControl& control, JobObserver& observer);

} // namespace oq
