#pragma once

#include "cli/InterruptGuard.h"
#include "cli/TerminalProgress.h"
#include "base/JobControl.h"

namespace oq {
class JobList;
}

namespace oq::cli {

// Exit status of a run that the user stopped (the shell's for SIGINT).
constexpr int kExitCancelled = 130;

// One planned and run job list from the terminal: progress on the terminal,
// Ctrl-C acting as the wizard's Cancel (the temporary output is removed,
// finished files stay).
class JobSession {
public:
    // With `printNames` off (a --json run), RunPlan prints nothing on
    // standard output: the command prints its document instead.
    explicit JobSession(bool quiet, bool printNames = true);

    JobControl& Control() noexcept { return control_; }
    JobObserver& Observer() noexcept { return progress_; }

    // The end of a command that writes: prints the plan's notes on standard
    // error, asks as ConfirmOverwrite does, runs the list and, when it
    // finished, prints the files written on standard output, one a line
    // (the planner leaves out sections without audio and those not chosen).
    // Returns 0, 1 when the question was declined, or kExitCancelled after
    // Ctrl-C.
    int RunPlan(JobList& jobs, bool force = false);

    // For a run of several lists. When a list would replace existing files
    // (`willOverwrite`): with `force` goes on; otherwise asks on the
    // terminal, and without a terminal refuses with an error. False when the
    // question was declined.
    bool MayOverwrite(bool willOverwrite, bool force);
    // Ends the progress line.
    void FinishProgress() { progress_.Finish(); }

private:
    // Runs the list; returns 0, or kExitCancelled after Ctrl-C.
    int Run(JobList& jobs);
    // MayOverwrite for one list; a declined question clears it (nothing is
    // written).
    bool ConfirmOverwrite(JobList& jobs, bool force);

    bool printNames_;
    JobControl control_;
    TerminalProgress progress_;
    InterruptGuard guard_;
};

} // namespace oq::cli
