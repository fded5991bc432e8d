#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace oq::bench {

// One timed run in a child process. Running each measurement in a process
// of its own keeps the benchmark's own memory (and that of earlier runs)
// out of the peak figure, which the kernel reports for the child alone.
struct ChildOutcome {
    double Seconds = 0;         // wall time from the start of the child to its end
    double CpuSeconds = 0;      // processor time of the child (user and system), which a busy machine disturbs less
    std::int64_t PeakBytes = 0; // the child's peak resident set (ru_maxrss)
    int ExitCode = 0;           // 128 + signal number when a signal ended it
    std::string Errors;         // the end of a command's error output
    bool Ok() const noexcept { return ExitCode == 0; }
};

// Runs `work` in a forked child and waits for it. The child exits 0 when
// `work` returns and 1 when it throws (after printing the message to the
// standard error).
ChildOutcome RunInChild(const std::function<void()>& work);

// A child started by StartChild and not yet waited for.
struct StartedChild {
    pid_t Pid = -1;
    double StartSeconds = 0;
};
StartedChild StartChild(const std::function<void()>& work);
ChildOutcome WaitForChild(const StartedChild& child);

// Runs a program (looked up on the PATH when the name has no '/') with its
// output discarded; the last part of its error output is kept in the result.
ChildOutcome RunCommand(const std::vector<std::string>& argv);

// The full path of a program found on the PATH, empty when there is none;
// what `command -v` answers for a program.
std::string FindProgram(const std::string& name);

// Middle value of the run times (the mean of the middle two for an even
// count), 0 when there are none. A median shrugs off the odd run that a
// busy machine slows down.
double MedianSeconds(const std::vector<ChildOutcome>& runs);
double MedianCpuSeconds(const std::vector<ChildOutcome>& runs);
// Highest peak of the runs.
std::int64_t HighestPeak(const std::vector<ChildOutcome>& runs);

} // namespace oq::bench
