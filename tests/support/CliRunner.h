#pragma once

#include "tests/support/TestAudio.h"

#include <string>
#include <vector>

namespace oq::test {

struct CliResult {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// The built command-line tool running with the given arguments (no shell
// quoting needed) and standard input from /dev/null.
class CliProcess {
public:
    explicit CliProcess(const std::vector<std::string>& arguments);
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;
    ~CliProcess();

    void Signal(int signal);
    // Waits for the end and collects what it printed and its exit status
    // (128 + the signal's number when a signal ended it).
    CliResult Wait();

private:
    TempDir output_;
    int child_ = -1;
};

// Runs the tool to its end.
CliResult RunCli(const std::vector<std::string>& arguments);

} // namespace oq::test
