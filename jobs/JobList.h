#pragma once

#include "jobs/JobStacker.h"
#include "base/OutputTarget.h"
#include "base/TempFile.h"

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace oq {

// Which save tool a job list belongs to; the runner finishes a catalog
// differently from the other outputs.
enum class JobTool { Split = 0, Join = 1, Wav = 2, Catalog = 3 };

// The jobs of one run, in the order they run, together with the temporary
// files planned for them. A temporary file that has not been given its final
// name is deleted when the list is cleared or goes, so an abandoned plan
// (the overwrite question answered with Cancel) leaves nothing behind.
class JobList {
public:
    explicit JobList(JobTool tool = JobTool::Split) : tool_(tool) {}
    JobList(JobList&&) noexcept = default;
    JobList& operator=(JobList&&) noexcept = default;
    JobList(const JobList&) = delete;
    JobList& operator=(const JobList&) = delete;

    JobTool Tool() const noexcept { return tool_; }

    // Appends a new job reading `sourceName`, writing `outputName` and
    // finishing as `finalName`; its numbers are zero and no step is set.
    JobStacker& AddJob(const std::string& outputName, const std::string& finalName, const std::string& sourceName);

    std::size_t Count() const noexcept { return jobs_.size(); }
    bool Empty() const noexcept { return jobs_.empty(); }
    JobStacker& operator[](std::size_t index) { return jobs_[index]; }
    const JobStacker& operator[](std::size_t index) const { return jobs_[index]; }
    JobStacker& Back() { return jobs_.back(); }
    std::vector<JobStacker>::const_iterator begin() const noexcept { return jobs_.begin(); }
    std::vector<JobStacker>::const_iterator end() const noexcept { return jobs_.end(); }

    // The final names of the outputs the jobs finish, in list order: the
    // files a finished run has written.
    std::vector<std::string> FinalNames() const;

    // The outputs the runner has given their final names so far: the first
    // FinishedOutputs() of FinalNames(), since the jobs finish in list
    // order. What a run stopped part way has left on disk.
    void NoteFinishedOutput() noexcept { ++finishedOutputs_; }
    std::size_t FinishedOutputs() const noexcept { return finishedOutputs_; }

    // What a final name held when the planner checked it (the answer of
    // RequireWritableOutput), for the check at its rename; a final name
    // with no record is taken to have been new.
    void RecordTarget(OutputTarget target);
    OutputTarget Target(const std::string& finalName) const;

    // Takes charge of a temporary file the jobs write; returns its name.
    std::string Adopt(TempFile file);
    // The temporary file of this name has received its final name.
    void ReleaseTemporary(const std::string& path) noexcept;
    // Deletes every temporary file still in charge.
    void RemoveTemporaries() noexcept;
    std::size_t TemporaryCount() const noexcept { return temporaries_.size(); }

    // An existing, non-empty file would be replaced by a final name; the
    // caller asks before running.
    bool WillOverwrite() const noexcept { return willOverwrite_; }
    void NoteOverwrite() noexcept { willOverwrite_ = true; }

    // Why an output is written under another name than its options gave
    // it, one line each (see OutputNames), for the user to read before the
    // run.
    void AddNote(std::string note) { notes_.push_back(std::move(note)); }
    const std::vector<std::string>& Notes() const noexcept { return notes_; }

    // An input the run passes over because it cannot be read: the message
    // names it and the reason. A catalog lists the other files and tells
    // of these when it finishes.
    void NotePassedOver(std::string problem) { passedOver_.push_back(std::move(problem)); }
    const std::vector<std::string>& PassedOver() const noexcept { return passedOver_; }

    // Drops every job, what was passed over and the temporary files: the
    // run that follows does nothing.
    void Clear() noexcept;

private:
    JobTool tool_;
    std::vector<JobStacker> jobs_;
    std::vector<TempFile> temporaries_;
    std::map<std::string, OutputTarget> targets_; // by final name
    std::vector<std::string> notes_;
    std::vector<std::string> passedOver_;
    bool willOverwrite_ = false;
    std::size_t finishedOutputs_ = 0;
};

} // namespace oq
