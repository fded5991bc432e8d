#include "tests/support/CliRunner.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace oq::test {

#ifndef OQ_CLI_PATH
#define OQ_CLI_PATH "oggquorvel-cli"
#endif

CliProcess::CliProcess(const std::vector<std::string>& arguments, int input)
{
    const std::string out = output_.Path("out"), err = output_.Path("err");
    std::vector<std::string> words{OQ_CLI_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0)
        posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + words[0]);
    child_ = child;
}

CliProcess::~CliProcess()
{
    if (child_ > 0) {
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
    }
}

void CliProcess::Signal(int signal) { kill(child_, signal); }

std::string CliProcess::ErrorsSoFar() const
{
    const Bytes errors = std::filesystem::exists(output_.Path("err")) ? ReadBytes(output_.Path("err")) : Bytes{};
    return {errors.begin(), errors.end()};
}

CliResult CliProcess::Wait()
{
    int status = 0;
    waitpid(child_, &status, 0);
    return Collect(status);
}

std::optional<CliResult> CliProcess::WaitFor(std::chrono::milliseconds limit)
{
    constexpr auto kPoll = std::chrono::milliseconds(5);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(child_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(kPoll);
    }
    return Collect(status);
}

CliResult CliProcess::Collect(int status)
{
    child_ = -1;
    CliResult result;
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const Bytes outBytes = ReadBytes(output_.Path("out")), errBytes = ReadBytes(output_.Path("err"));
    result.Out.assign(outBytes.begin(), outBytes.end());
    result.Err.assign(errBytes.begin(), errBytes.end());
    return result;
}

CliResult RunCli(const std::vector<std::string>& arguments) { return CliProcess(arguments).Wait(); }

} // namespace oq::test
