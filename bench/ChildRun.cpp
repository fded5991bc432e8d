#include "bench/ChildRun.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace oq::bench {

namespace {

constexpr std::size_t kKeptErrorBytes = 2048;
constexpr int kExecFailed = 127; // the shell's code for a program that could not be run
constexpr std::int64_t kBytesPerMaxRssUnit = 1024; // Linux reports ru_maxrss in KiB

double ToSeconds(const timeval& time)
{
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

pid_t ForkOrThrow()
{
    std::fflush(nullptr); // buffered output would otherwise be written twice
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error(std::string("cannot start a child process: ") + std::strerror(errno));
    return pid;
}

ChildOutcome Reap(pid_t pid, double startSeconds)
{
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0)
        if (errno != EINTR)
            throw std::runtime_error(std::string("cannot wait for a child process: ") + std::strerror(errno));
    ChildOutcome result;
    result.Seconds = Now() - startSeconds;
    result.CpuSeconds = ToSeconds(usage.ru_utime) + ToSeconds(usage.ru_stime);
    result.PeakBytes = static_cast<std::int64_t>(usage.ru_maxrss) * kBytesPerMaxRssUnit;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

} // namespace

StartedChild StartChild(const std::function<void()>& work)
{
    StartedChild child;
    child.StartSeconds = Now();
    child.Pid = ForkOrThrow();
    if (child.Pid == 0) {
        int code = 0;
        try {
            work();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            code = 1;
        }
        std::fflush(nullptr);
        _exit(code); // the parent's exit handlers and buffers are not the child's to run
    }
    return child;
}

ChildOutcome WaitForChild(const StartedChild& child)
{
    return Reap(child.Pid, child.StartSeconds);
}

ChildOutcome RunInChild(const std::function<void()>& work)
{
    return WaitForChild(StartChild(work));
}

ChildOutcome RunCommand(const std::vector<std::string>& argv)
{
    if (argv.empty())
        throw std::invalid_argument("RunCommand needs a program");
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(errno));

    const double start = Now();
    const pid_t pid = ForkOrThrow();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(errorPipe[1], STDERR_FILENO);
        execvp(args[0], args.data());
        std::fprintf(stderr, "cannot run %s: %s\n", args[0], std::strerror(errno));
        _exit(kExecFailed);
    }
    close(errorPipe[1]);
    std::string errors;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(errorPipe[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        errors.append(buffer, static_cast<std::size_t>(got));
        if (errors.size() > 2 * kKeptErrorBytes)
            errors.erase(0, errors.size() - kKeptErrorBytes);
    }
    close(errorPipe[0]);
    ChildOutcome result = Reap(pid, start);
    if (errors.size() > kKeptErrorBytes)
        errors.erase(0, errors.size() - kKeptErrorBytes);
    result.Errors = std::move(errors);
    return result;
}

std::string FindProgram(const std::string& name)
{
    auto runnable = [](const std::string& path) {
        struct stat info{};
        return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
    };
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return runnable(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t from = 0;
    while (from <= folders.size()) {
        const std::size_t to = std::min(folders.find(':', from), folders.size());
        const std::string folder = to > from ? folders.substr(from, to - from) : std::string(".");
        const std::string candidate = folder + "/" + name;
        if (runnable(candidate))
            return candidate;
        from = to + 1;
    }
    return {};
}

double MedianSeconds(const std::vector<ChildOutcome>& runs)
{
    std::vector<double> seconds;
    for (const ChildOutcome& run : runs)
        seconds.push_back(run.Seconds);
    return Median(std::move(seconds));
}

double MedianCpuSeconds(const std::vector<ChildOutcome>& runs)
{
    std::vector<double> seconds;
    for (const ChildOutcome& run : runs)
        seconds.push_back(run.CpuSeconds);
    return Median(std::move(seconds));
}

std::int64_t HighestPeak(const std::vector<ChildOutcome>& runs)
{
    std::int64_t peak = 0;
    for (const ChildOutcome& run : runs)
        peak = std::max(peak, run.PeakBytes);
    return peak;
}

} // namespace oq::bench
