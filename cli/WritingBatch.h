#pragma once

#include "cli/Batch.h"
#include "jobs/JobList.h"
#include "media/MPEGData.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace oq {
class JobControl;
class JobObserver;
} // namespace oq

namespace oq::cli {

// What --json prints for split and export, for their usage.
std::string JsonWrittenUsage();

// The --jobs option of the commands that write several inputs: its lines of
// usage, and the number of inputs written at once that its value (or its
// absence) asks for. Raises UsageError for a value that is not a count.
std::string JobsUsage();
unsigned WorkersOf(const std::optional<std::string>& jobs);

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
// - the inputs are written in order, up to `workers` of them at once (each
//   by a thread of its own), under one progress line that counts the jobs
//   of the whole run; an input replaced or changed since it was planned, or
//   whose run fails, is named and passed over;
// - Ctrl-C stops every input being written (their temporary files are
//   removed), begins no other, and ends the run; the outputs already
//   finished stay, and those of an input stopped part way are named on
//   standard error (and listed in the document);
// - without --json the files written are printed once the run has ended,
//   in the order of the inputs; with it, the document holds each input's
//   sections, in that order too, whichever input finished first.
class WritingBatch {
public:
    // Plans one input, its progress shown through `observer`, pause and
    // cancel taken from `control`; nothing when the planning was cancelled.
    using Planner = std::function<std::optional<PlannedSource>(const std::string& source, const JobControl& control,
                                                               JobObserver& observer)>;
    // What the document holds for an input whose jobs finished, from its
    // plan once run (the jobs' names and sample ranges stay as planned).
    using Reporter = std::function<Json(const std::string& source, const PlannedSource& done)>;

    // By default each input is reported as split and export report theirs:
    // {"source", "files": the sections written} (see JsonWrittenUsage).
    WritingBatch(std::string command, bool quiet, bool json, Reporter reporter = WrittenSections);

    // Returns the exit status: 0, 1 when an input was passed over or the
    // question declined, kExitCancelled after Ctrl-C. `plan` is called for
    // one input after another, on the calling thread.
    int Run(const std::vector<std::string>& sources, const Planner& plan, bool force, unsigned workers = 1);

private:
    static Json WrittenSections(const std::string& source, const PlannedSource& done);

    std::string command_;
    bool quiet_;
    bool json_;
    Reporter reporter_;
};

} // namespace oq::cli
