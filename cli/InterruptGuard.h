#pragma once

#include <functional>
#include <thread>

namespace oq::cli {

// While it lives, Ctrl-C (SIGINT) and SIGTERM call `onInterrupt` once, from
// an ordinary thread rather than from the signal handler, so the callback may
// do anything a cancel button does. A second interrupt ends the program the
// usual way.
class InterruptGuard {
public:
    explicit InterruptGuard(std::function<void()> onInterrupt);
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
    ~InterruptGuard();

private:
    std::function<void()> onInterrupt_;
    std::jthread watcher_;
};

} // namespace oq::cli
