#pragma once

#include "cli/JsonReport.h"
#include "jobs/JobList.h"
#include "media/MPEGData.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace oq::cli {

class JobSession;

// What a command run over its input files did with each: a file that could
// not be done is named with the reason on standard error as it happens, and
// the run ends with a summary and status 1. With --json the results and the
// failures, in the order of the inputs, make one document, an array of one
// object per input ({"source": ..., "error": ...} for a failure).
class BatchReport {
public:
    BatchReport(std::string command, std::size_t sources, bool json);

    bool Json() const noexcept { return json_; }
    // Input `index`'s result, for the document.
    void Done(std::size_t index, cli::Json result);
    // Input `index` (`source`) was not done, for the reason `error` gives.
    void Failed(std::size_t index, const std::string& source, const std::string& error);
    std::size_t FailureCount() const noexcept { return failed_.size(); }

    // Prints the document, and the summary when some of several inputs
    // failed; returns the exit status, 1 when any failed.
    int Finish() const;

private:
    std::string command_;
    bool json_;
    std::vector<cli::Json> results_; // at each input's place; null until known
    std::vector<std::string> failed_;
};

// A cue sheet or label file (`methodInputs`, the files a section method
// reads) places its times on one recording: raises UsageError when it is
// given with several inputs.
void RequireOneSourceFor(const std::vector<std::string>& methodInputs, std::size_t sources);

// Runs `work` for each input in order, passing over one that raises
// oq::Error (reported to `report`). UsageError and a cancel end the run.
void ForEachSource(const std::vector<std::string>& sources, BatchReport& report,
                   const std::function<void(std::size_t index, const std::string& source)>& work);

// What --json prints for split and export, for their usage.
std::string JsonWrittenUsage();

// One input of a command that writes, planned: the source as described and
// the jobs that write its outputs.
struct PlannedSource {
    MPEGData Source;
    JobList Jobs;
};

// A command that writes, run over one or more inputs:
// - every input is planned first, its outputs named; one that cannot be
//   read or planned is passed over (named, as BatchReport does);
// - before the first byte is written, the outputs of all inputs are held
//   against each other and against every input: two inputs that would
//   write one file, or an output that is another input, refuse the run;
// - the overwrite question is asked once for the run;
// - the inputs run one after another under one progress line and one
//   Ctrl-C (which removes the file being written and ends the run); an
//   input replaced or changed since it was planned, or whose run fails, is
//   passed over;
// - without --json the files written are printed as each input finishes;
//   with it, the document holds each input's sections.
class WritingBatch {
public:
    // Plans one input; nothing when the planning was cancelled.
    using Planner = std::function<std::optional<PlannedSource>(const std::string& source, JobSession& session)>;

    WritingBatch(std::string command, bool quiet, bool json);

    // Returns the exit status: 0, 1 when an input was passed over or the
    // question declined, kExitCancelled after Ctrl-C.
    int Run(const std::vector<std::string>& sources, const Planner& plan, bool force);

private:
    std::string command_;
    bool quiet_;
    bool json_;
};

} // namespace oq::cli
