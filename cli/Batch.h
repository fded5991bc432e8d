#pragma once

#include "cli/JsonReport.h"

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace oq::cli {

// What a command run over its input files did with each: a file that could
// not be done is named with the reason on standard error as it happens, and
// the run ends with a summary and status 1. With --json the results and the
// failures, in the order of the inputs, make one document, an array of one
// object per input ({"source": ..., "error": ...} for a failure). Inputs
// done at once may report from their own threads.
class BatchReport {
public:
    BatchReport(std::string command, std::size_t sources, bool json);

    bool WantsJson() const noexcept { return json_; }
    // Input `index`'s result, for the document.
    void Done(std::size_t index, Json result);
    // Input `index` (`source`) was not done, for the reason `error` gives.
    void Failed(std::size_t index, const std::string& source, const std::string& error);
    // The outputs of failed input `index` that were finished before it
    // failed and stay, for the document.
    void FailedAfter(std::size_t index, Json files);

    // Prints the document, and the summary when some of several inputs
    // failed; returns the exit status, 1 when any failed.
    int Finish() const;

private:
    std::string command_;
    bool json_;
    // Guards the two lists below, and keeps each failure's line on standard
    // error whole.
    mutable std::mutex mutex_;
    std::vector<Json> results_; // at each input's place; null until known
    std::map<std::size_t, std::string> failed_; // the inputs not done, by place
};

// A cue sheet or label file (`methodInputs`, the files a section method
// reads) places its times on one recording: raises UsageError when it is
// given with several inputs.
void RequireOneSourceFor(const std::vector<std::string>& methodInputs, std::size_t sources);

using SourceWork = std::function<void(std::size_t index, const std::string& source)>;

// Runs `work` for each input in order, passing over one that raises
// oq::Error (reported to `report`), or UsageError when there are several
// inputs. A cancel ends the run, and so does UsageError for a single input.
void ForEachSource(const std::vector<std::string>& sources, BatchReport& report, const SourceWork& work);
// The same for input `index` alone, from any thread.
void ForSource(const std::vector<std::string>& sources, std::size_t index, BatchReport& report,
               const SourceWork& work);

} // namespace oq::cli
