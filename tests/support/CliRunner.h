#pragma once

#include <string>
#include <vector>

namespace oq::test {

struct CliResult {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// Runs the built command-line tool with the given arguments (no shell
// quoting needed), standard input from /dev/null, and collects what it
// printed and its exit status.
CliResult RunCli(const std::vector<std::string>& arguments);

} // namespace oq::test
