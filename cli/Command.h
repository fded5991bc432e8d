#pragma once

#include <string>
#include <vector>

namespace oq::cli {

// One subcommand of the command-line tool.
class Command {
public:
    virtual ~Command() = default;
    virtual std::string Name() const = 0;
    // One line for the overview of --help.
    virtual std::string Summary() const = 0;
    // The full usage text of `oggquorvel-cli NAME --help`.
    virtual std::string Usage() const = 0;
    // Runs with the arguments after the subcommand's name; returns the exit
    // status. Errors are raised as exceptions and reported by the caller.
    virtual int Run(const std::vector<std::string>& arguments) = 0;
    // Whether the command may analyse an amplitude profile: it then takes
    // the remembered profiles' option, which the tool handles for it.
    virtual bool AnalysesProfiles() const { return false; }
};

// The last line of the usage of every command that writes files: what
// RequireWritableOutput refuses, in a user's words.
inline constexpr char kRefusedOutputs[] = "An output that is an input, a link, a pipe or a device is refused, and so is\n"
                                          "a name that something else takes while the output is written.\n";

// Raised for a command line that cannot be understood; the tool prints the
// message with the command's usage and exits with status 2.
class UsageError : public std::exception {
public:
    explicit UsageError(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

} // namespace oq::cli
