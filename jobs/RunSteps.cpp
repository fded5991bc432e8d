#include "jobs/RunSteps.h"

#include "jobs/JobList.h"
#include "tools/CutPlanCheck.h"
#include "tools/WavWriter.h"
#include "base/Error.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "base/OutputTarget.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>
#include <vector>

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
                      .SkipOutput = job.SkipOutput,
                      .SectionNumber = job.SectionNumber,
                      .Title = job.SectionTitle,
                      .Comments = job.Comments};
}

} // namespace

// The order JobRunner promises its callers; finishing the output follows.
const RunSteps::Step RunSteps::kSteps[] = {
    &RunSteps::OpenSource,     &RunSteps::BeginStream, &RunSteps::CutSection,      &RunSteps::ClearStream,
    &RunSteps::ReleasePackets, &RunSteps::CopyBytes,   &RunSteps::AddCatalogEntry, &RunSteps::MakeWav,
    &RunSteps::WriteOneStream, &RunSteps::CloseSource, &RunSteps::CloseOutput,
};

RunSteps::RunSteps(JobList& jobs, const JobControl& control, JobObserver& observer)
    : jobs_(jobs), control_(control), observer_(observer)
{
}

RunSteps::~RunSteps() = default;

// The cut jobs of one source run from the one that opens it to the one that
// cuts its last section.
void RunSteps::RequireCuttableSections()
{
    std::vector<SectionJob> sections;
    for (std::size_t index = 0; index < jobs_.Count(); ++index) {
        const JobStacker& job = jobs_[index];
        if (job.OpenSource)
            sections.clear();
        if (job.CutFirst || job.CutMiddle || job.CutLast)
            sections.push_back(SectionOf(job));
        if (job.CutLast)
            verifiedBytes_[job.SourceName] = CutPlanCheck::Require(job.SourceName, sections);
    }
}

bool RunSteps::Perform(std::size_t index)
{
    const JobStacker& job = jobs_[index];
    for (const Step step : kSteps)
        if (!(this->*step)(job))
            return false;
    if (job.FinishOutput)
        Finish(index);
    return true;
}

void RunSteps::Abandon() noexcept
{
    engine_.reset();
    joiner_.Abandon();
    catalog_.reset();
}

bool RunSteps::Stop() const noexcept { return control_.Cancelled(); }

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

bool RunSteps::OpenSource(const JobStacker& job)
{
    if (!job.OpenSource)
        return true;
    const auto verified = verifiedBytes_.find(job.SourceName);
    Engine().OpenSourceForCutting(job.SourceName, verified == verifiedBytes_.end() ? 0 : verified->second);
    return !Stop();
}

bool RunSteps::BeginStream(const JobStacker& job)
{
    if (!job.BeginStream)
        return true;
    Engine().BeginOutputStream(SectionOf(job));
    return !Stop();
}

// A job cuts at most one section: the first, one in the middle or the last.
bool RunSteps::CutSection(const JobStacker& job)
{
    if (job.CutFirst)
        Engine().CutFirstSection(SectionOf(job));
    else if (job.CutMiddle)
        Engine().CutMiddleSection(SectionOf(job));
    else if (job.CutLast)
        Engine().CutLastSection(SectionOf(job));
    return true;
}

bool RunSteps::ClearStream(const JobStacker& job)
{
    if (job.ClearStream)
        Engine().ClearStream();
    return true;
}

bool RunSteps::ReleasePackets(const JobStacker& job)
{
    if (!job.ReleasePackets)
        return true;
    Engine().ReleasePackets();
    return !Stop();
}

bool RunSteps::CopyBytes(const JobStacker& job)
{
    if (!job.CopyBytes)
        return true;
    observer_.ProcessText(kCopyingText);
    return joiner_.CopyBytes(job.SourceName, job.OutputName, job.CopyOffset, job.CopyLength, control_) && !Stop();
}

bool RunSteps::AddCatalogEntry(const JobStacker& job)
{
    if (!job.MakeCatalogEntry)
        return true;
    std::optional<MPEGData> entry;
    try {
        entry = DescribeCatalogEntry(job.SourceName);
    } catch (const FileError& problem) {
        // One file that cannot be read costs its own entry, not the catalog
        // of the others; the list tells of it.
        jobs_.NotePassedOver(problem.what());
    }
    if (entry)
        Catalog(job).AddEntry(*entry);
    return !Stop();
}

bool RunSteps::MakeWav(const JobStacker& job)
{
    if (!job.MakeWav)
        return true;
    observer_.ProcessText(kWavText);
    // The list holds only files that were readable Ogg Vorbis or Opus when
    // they were added; one that no longer is must not become an empty WAV
    // file under its final name.
    try {
        if (job.DecodesRange)
            ConvertRangeToWav(job.SourceName, job.StartGranule, job.EndGranule, job.OutputName, control_, observer_);
        else
            ConvertToWav(job.SourceName, job.OutputName, control_, observer_);
    } catch (const NotOggAudioError&) {
        throw NotOggAudioError(job.SourceName, "is no longer an Ogg Vorbis or Opus file");
    }
    return !Stop();
}

bool RunSteps::WriteOneStream(const JobStacker& job)
{
    if (!job.WriteOneStream)
        return true;
    observer_.ProcessText(kCopyingText);
    return OneStreamCut::Write(job.SourceName, job.Stretches, SectionOf(job), control_) && !Stop();
}

bool RunSteps::CloseSource(const JobStacker& job)
{
    if (!job.CloseSource)
        return true;
    if (engine_ && engine_->SourceOpen())
        engine_->CloseSource();
    joiner_.CloseSource();
    return true;
}

bool RunSteps::CloseOutput(const JobStacker& job)
{
    if (!job.CloseOutput)
        return true;
    if (engine_ && engine_->OutputOpen())
        engine_->CloseOutput();
    joiner_.CloseOutput();
    return !Stop();
}

void RunSteps::Finish(std::size_t index)
{
    const JobStacker& job = jobs_[index];
    if (jobs_.Tool() == JobTool::Catalog) {
        Catalog(job).Finish();
        catalog_.reset();
    }
    // The rename replaces an older file of the final name in one step: it
    // stays whole until the new one is complete, and stays when the rename
    // fails or is refused (something else took the name meanwhile).
    try {
        MoveIntoPlace(job.OutputName, jobs_.Target(job.FinalName));
    } catch (const Error&) {
        std::remove(job.OutputName.c_str());
        throw;
    }
    jobs_.NoteFinishedOutput();
    // A temporary name that later jobs write again stays in the list's
    // charge until its last use.
    const auto later = std::next(jobs_.begin(), static_cast<std::ptrdiff_t>(index) + 1);
    if (std::none_of(later, jobs_.end(), [&](const JobStacker& other) { return other.OutputName == job.OutputName; }))
        jobs_.ReleaseTemporary(job.OutputName);
}

} // namespace oq
