#pragma once

#include "tools/CatalogWriter.h"
#include "tools/Joiner.h"
#include "tools/SectionEngine.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace oq {

class JobControl;
class JobList;
class JobObserver;
struct JobStacker;

// The files and decoder states of one run, opened and released by the step
// flags of the jobs. Each step is a function of its own, and Perform runs
// them in the one order JobRunner promises.
class RunSteps {
public:
    RunSteps(JobList& jobs, const JobControl& control, JobObserver& observer);
    RunSteps(const RunSteps&) = delete;
    RunSteps& operator=(const RunSteps&) = delete;
    ~RunSteps();

    // Raises RangeError, before anything is written, when a section of the
    // list cannot be cut exactly (see CutPlanCheck).
    void RequireCuttableSections();

    // Performs the flagged steps of job `index`; false when a cancel was seen
    // at one of the check points between them.
    bool Perform(std::size_t index);

    // Closes everything still open without reporting: the outputs are
    // thrown away.
    void Abandon() noexcept;

private:
    // Each step does its part when the job's flag asks for it, and answers
    // false when a cancel was seen at its check point (true: go on).
    using Step = bool (RunSteps::*)(const JobStacker& job);
    static const Step kSteps[];

    bool OpenSource(const JobStacker& job);
    bool BeginStream(const JobStacker& job);
    bool CutSection(const JobStacker& job);
    bool ClearStream(const JobStacker& job);
    bool ReleasePackets(const JobStacker& job);
    bool CopyBytes(const JobStacker& job);
    bool AddCatalogEntry(const JobStacker& job);
    bool MakeWav(const JobStacker& job);
    bool WriteOneStream(const JobStacker& job);
    bool CloseSource(const JobStacker& job);
    bool CloseOutput(const JobStacker& job);
    // Gives job `index`'s finished output its final name.
    void Finish(std::size_t index);

    bool Stop() const noexcept;
    SectionEngine& Engine();
    CatalogWriter& Catalog(const JobStacker& job);

    JobList& jobs_;
    const JobControl& control_;
    JobObserver& observer_;
    std::unique_ptr<SectionEngine> engine_;
    Joiner joiner_;
    std::unique_ptr<CatalogWriter> catalog_;
    // Bytes of each source whose pages the check before the run verified.
    std::map<std::string, std::int64_t> verifiedBytes_;
};

} // namespace oq
