#include "jobs/JobRunner.h"

#include "jobs/JobList.h"
#include "jobs/RunSteps.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "base/PathParts.h"

#include <algorithm>

namespace oq {

namespace {

// Clears the run's start time however the run ends.
class ClockStop {
public:
    explicit ClockStop(std::atomic<std::chrono::steady_clock::rep>& ticks) : ticks_(ticks) {}
    ClockStop(const ClockStop&) = delete;
    ClockStop& operator=(const ClockStop&) = delete;
    ~ClockStop() { ticks_ = 0; }

private:
    std::atomic<std::chrono::steady_clock::rep>& ticks_;
};

} // namespace

RunResult JobRunner::Run(JobList& jobs)
{
    // Never 0, which stands for idle.
    startTicks_ = std::max<Clock::rep>(Clock::now().time_since_epoch().count(), 1);
    const ClockStop clockStop(startTicks_);

    const auto count = static_cast<std::int64_t>(jobs.Count());
    RunSteps steps(jobs, control_, observer_);
    bool cancelled = false;
    try {
        steps.RequireCuttableSections();
        for (std::size_t b = 0; b < jobs.Count() && !cancelled; ++b) {
            observer_.Progress(static_cast<std::int64_t>(b), count);
            observer_.TotalText(std::to_string(b + 1) + " / " + std::to_string(count));
            observer_.CurrentFile(NameOf(jobs[b].SourceName));
            cancelled = control_.CheckPoint() || !steps.Perform(b);
        }
    } catch (...) {
        steps.Abandon();
        jobs.RemoveTemporaries();
        throw;
    }
    observer_.Progress(count, count);
    steps.Abandon();
    jobs.RemoveTemporaries();
    // A cancel during the planning of an empty list counts too.
    return cancelled || control_.Cancelled() ? RunResult::Cancelled : RunResult::Finished;
}

std::int64_t JobRunner::ElapsedSeconds() const noexcept
{
    const Clock::rep ticks = startTicks_;
    if (ticks == 0)
        return 0;
    const auto elapsed = Clock::now() - Clock::time_point(Clock::duration(ticks));
    return std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
}

RunResult RunJobs(JobList& jobs, const JobControl& control, JobObserver& observer)
{
    JobRunner runner(control, observer);
    return runner.Run(jobs);
}

} // namespace oq
