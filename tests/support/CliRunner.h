#pragma once

#include "tests/support/TestAudio.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace oq::test {

struct CliResult {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// The built command-line tool running with the given arguments (no shell
// quoting needed) and standard input from /dev/null, or from the open file
// descriptor `input` (a terminal, say) when one is given.
class CliProcess {
public:
    explicit CliProcess(const std::vector<std::string>& arguments, int input = -1);
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;
    ~CliProcess();

    void Signal(int signal);
    // What it has printed on standard error so far.
    std::string ErrorsSoFar() const;
    // Waits for the end and collects what it printed and its exit status
    // (128 + the signal's number when a signal ended it).
    CliResult Wait();
    // The same, waiting at most `limit`: nothing when the tool still runs
    // then (it is killed when the process object goes), so a test of
    // something that could block never hangs.
    std::optional<CliResult> WaitFor(std::chrono::milliseconds limit);

private:
    CliResult Collect(int status);

    TempDir output_;
    int child_ = -1;
};

// Runs the tool to its end.
CliResult RunCli(const std::vector<std::string>& arguments);

} // namespace oq::test
