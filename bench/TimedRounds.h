#pragma once

#include "bench/ChildRun.h"

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace oq::bench {

// One thing to time: a run, and what must happen before each run (not timed,
// e.g. emptying the output folder).
struct Task {
    std::string Label;
    std::function<ChildOutcome()> Once;
    std::function<void()> Prepare;
};

// `work` run in a child process.
Task ChildTask(std::string label, std::function<void()> work, std::function<void()> prepare = {});
// A program run with its output discarded.
Task CommandTask(std::string label, std::vector<std::string> command, std::function<void()> prepare = {});
// A program that times the part of its run that matters itself and writes
// "name seconds" lines to `reportPath`: the figure `figure` (and
// "<figure>_cpu", when given, for the processor time) replace the process's
// own times, which would include its start.
Task SelfTimedTask(std::string label, std::vector<std::string> command, std::string reportPath, std::string figure);
// The "name value" lines of such a report; empty when it cannot be read.
std::map<std::string, double> ReadFigures(const std::string& reportPath);
// Programs run one after another and timed together (times and processor
// times add up, the peak is the highest); the first failure ends the chain.
Task ChainTask(std::string label, std::vector<std::vector<std::string>> commands, std::function<void()> prepare = {});

// The runs of one task. A failed run ends the task's measurement.
struct Measured {
    std::vector<ChildOutcome> Runs;
    double Seconds = 0;    // median wall time
    double CpuSeconds = 0; // median processor time
    std::int64_t Peak = 0; // highest peak of the runs
    std::string Failure;   // how the failed run ended, with its last error line
    bool Ok() const noexcept { return Failure.empty() && !Runs.empty(); }
};

// Runs the tasks in rounds, each task once per round in turn, so that a
// change in the machine's load during the run touches all of them alike.
// Each round's times go to `progress` as they come. The results are in the
// order of the tasks.
std::vector<Measured> TimeInRounds(const std::vector<Task>& tasks, int rounds, std::ostream& progress);

} // namespace oq::bench
