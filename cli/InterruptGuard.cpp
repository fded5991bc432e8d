#include "cli/InterruptGuard.h"

#include "base/Error.h"
#include "base/TempFileRegistry.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace oq::cli {

namespace {

// Read by the signal handler, so lock-free atomics and nothing more.
std::atomic<bool> interrupted{false};
std::atomic<int> wakeEnd{-1}; // the pipe's write end while a guard lives
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

constexpr char kInterrupted = 'i';
constexpr char kEnded = 'e';

// write() is safe in a signal handler; the pipe cannot fill, since it takes
// at most one byte from the handler and one from the guard's end.
void WriteByte(int end, char byte) noexcept
{
    while (write(end, &byte, 1) < 0 && errno == EINTR) {
    }
}

void OnSignal(int signal)
{
    const int saved = errno;
    const int end = wakeEnd.load();
    if (end >= 0 && signal != SIGHUP && !interrupted.exchange(true)) {
        WriteByte(end, kInterrupted);
        errno = saved;
        return;
    }
    // Ending at once: the usual end by the signal would leave the
    // temporary files behind. The signal is let through here, not after the
    // handler returns, so the other threads get no time to make one again.
    RemoveRegisteredTempFiles();
    std::signal(signal, SIG_DFL);
    sigset_t own;
    sigemptyset(&own);
    sigaddset(&own, signal);
    pthread_sigmask(SIG_UNBLOCK, &own, nullptr);
    std::raise(signal);
}

// Installs OnSignal for `signal` unless the program was started with it
// ignored.
void Handle(int signal)
{
    struct sigaction action {};
    if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)
        return;
    action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

} // namespace

void RemoveTempFilesOnInterrupt()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        Handle(signal);
}

InterruptGuard::InterruptGuard(std::function<void()> onInterrupt) : onInterrupt_(std::move(onInterrupt))
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        throw Error("cannot create the pipe that watches for Ctrl-C");
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    interrupted = false;
    wakeEnd = writeEnd_;
    RemoveTempFilesOnInterrupt();
    watcher_ = std::thread([this] {
        char byte = 0;
        ssize_t got;
        while ((got = read(readEnd_, &byte, 1)) < 0 && errno == EINTR) {
        }
        if (got == 1 && byte == kInterrupted)
            onInterrupt_();
    });
}

InterruptGuard::~InterruptGuard()
{
    // An interrupt from here on ends the program, as one without a guard.
    wakeEnd = -1;
    WriteByte(writeEnd_, kEnded);
    watcher_.join();
    close(readEnd_);
    close(writeEnd_);
}

} // namespace oq::cli
