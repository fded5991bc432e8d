#include "jobs/JobRunner.h"

#include "tools/WavWriter.h"
#include "tools/CatalogWriter.h"
#include "base/Error.h"
#include "base/JobControl.h"
#include "jobs/JobList.h"
#include "base/JobObserver.h"
#include "tools/Joiner.h"
#include "tools/SectionEngine.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace oq {

namespace {

constexpr char kCopyingText[] = "Copying Ogg Data...";
constexpr char kWavText[] = "Creating WAV File...";

SectionJob SectionOf(const JobStacker& job)
{
    return SectionJob{.OutputName = job.OutputName,
                      .StreamSerial = job.StreamSerial,
                      .StartGranule = job.StartGranule,
                      .EndGranule = job.EndGranule,
                      .SkipOutput = job.SkipOutput};
}

// The files and decoder states of one run, opened and released by the step
// flags of the jobs.
class RunSteps {
public:
    RunSteps(JobList& jobs, const JobControl& control, JobObserver& observer)
        : jobs_(jobs), control_(control), observer_(observer)
    {
    }

    // Performs the flagged steps of job `index`; false when a cancel was seen
    // at one of the check points between them.
    bool Perform(std::size_t index);

    // Closes everything still open without reporting: the outputs are
    // thrown away.
    void Abandon() noexcept
    {
        engine_.reset();
        joiner_.Abandon();
        catalog_.reset();
    }

private:
    bool Stop() const noexcept { return control_.Cancelled(); }
    SectionEngine& Engine();
    CatalogWriter& Catalog(const JobStacker& job);
    void Finish(std::size_t index);

    JobList& jobs_;
    const JobControl& control_;
    JobObserver& observer_;
    std::unique_ptr<SectionEngine> engine_;
    Joiner joiner_;
    std::unique_ptr<CatalogWriter> catalog_;
};

SectionEngine& RunSteps::Engine()
{
    if (!engine_)
        engine_ = std::make_unique<SectionEngine>();
    return *engine_;
}

// The catalog file of the run, begun with the template's head when the
// first job needs it.
CatalogWriter& RunSteps::Catalog(const JobStacker& job)
{
    if (!catalog_) {
        auto writer = std::make_unique<CatalogWriter>(CatalogTemplate::Load(job.TemplateName), job.OutputName);
        writer->Start();
        catalog_ = std::move(writer);
    }
    return *catalog_;
}

bool RunSteps::Perform(std::size_t index)
{
    const JobStacker& job = jobs_[index];
    if (job.OpenSource) {
        Engine().OpenSourceForCutting(job.SourceName);
        if (Stop())
            return false;
    }
    if (job.BeginStream) {
        Engine().BeginOutputStream(SectionOf(job));
        if (Stop())
            return false;
    }
    if (job.CutFirst)
        Engine().CutFirstSection(SectionOf(job));
    else if (job.CutMiddle)
        Engine().CutMiddleSection(SectionOf(job));
    else if (job.CutLast)
        Engine().CutLastSection(SectionOf(job));
    if (job.ClearStream)
        Engine().ClearStream();
    if (job.ReleasePackets) {
        Engine().ReleasePackets();
        if (Stop())
            return false;
    }
    if (job.CopyBytes) {
        observer_.ProcessText(kCopyingText);
        if (!joiner_.CopyBytes(job.SourceName, job.OutputName, job.CopyOffset, job.CopyLength, control_) || Stop())
            return false;
    }
    if (job.MakeCatalogEntry) {
        Catalog(job).AddEntry(job.SourceName);
        if (Stop())
            return false;
    }
    if (job.MakeWav) {
        observer_.ProcessText(kWavText);
        // The list holds only files that were readable Ogg Vorbis when they
        // were added; one that no longer is must not become an empty WAV
        // file under its final name.
        try {
            ConvertToWav(job.SourceName, job.OutputName, control_, observer_);
        } catch (const NotOggVorbisError&) {
            throw NotOggVorbisError(job.SourceName, "is no longer an Ogg Vorbis file");
        }
        if (Stop())
            return false;
    }
    if (job.CloseSource) {
        if (engine_ && engine_->SourceOpen())
            engine_->CloseSource();
        joiner_.CloseSource();
    }
    if (job.CloseOutput) {
        if (engine_ && engine_->OutputOpen())
            engine_->CloseOutput();
        joiner_.CloseOutput();
        if (Stop())
            return false;
    }
    if (job.FinishOutput)
        Finish(index);
    return true;
}

void RunSteps::Finish(std::size_t index)
{
    const JobStacker& job = jobs_[index];
    if (jobs_.Tool() == JobTool::Catalog) {
        Catalog(job).Finish();
        catalog_.reset();
    }
    // rename() replaces an existing file of the final name in one step: the
    // old file stays whole until the new one is complete, and stays when
    // the rename fails.
    if (std::rename(job.OutputName.c_str(), job.FinalName.c_str()) != 0) {
        const int err = errno;
        std::remove(job.OutputName.c_str());
        throw IoError(job.FinalName, "cannot give the finished output its name", err);
    }
    // A temporary name that later jobs write again stays in the list's
    // charge until its last use.
    const auto later = std::next(jobs_.begin(), static_cast<std::ptrdiff_t>(index) + 1);
    if (std::none_of(later, jobs_.end(), [&](const JobStacker& other) { return other.OutputName == job.OutputName; }))
        jobs_.ReleaseTemporary(job.OutputName);
}

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
        for (std::size_t b = 0; b < jobs.Count() && !cancelled; ++b) {
            observer_.Progress(static_cast<std::int64_t>(b), count);
            observer_.TotalText(std::to_string(b + 1) + " / " + std::to_string(count));
            observer_.CurrentFile(std::filesystem::path(jobs[b].SourceName).filename().string());
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
