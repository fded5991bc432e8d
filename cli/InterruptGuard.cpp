#include "cli/InterruptGuard.h"

#include <atomic>
#include <chrono>
#include <csignal>

namespace oq::cli {

namespace {

// Written by the signal handler, so a lock-free atomic and nothing more.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnSignal(int signal)
{
    if (interrupted.exchange(true)) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

// How often the watcher looks at the flag: quick enough to feel immediate.
constexpr auto kPollInterval = std::chrono::milliseconds(50);

} // namespace

InterruptGuard::InterruptGuard(std::function<void()> onInterrupt) : onInterrupt_(std::move(onInterrupt))
{
    interrupted = false;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    watcher_ = std::jthread([this](std::stop_token stop) {
        while (!stop.stop_requested()) {
            if (interrupted.load()) {
                onInterrupt_();
                return;
            }
            std::this_thread::sleep_for(kPollInterval);
        }
    });
}

InterruptGuard::~InterruptGuard()
{
    watcher_.request_stop();
    watcher_.join();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

} // namespace oq::cli
