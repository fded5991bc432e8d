#pragma once

#include <functional>
#include <thread>

namespace oq::cli {

// While it lives, Ctrl-C (SIGINT) and SIGTERM call `onInterrupt` once, from
// an ordinary thread rather than from the signal handler, so the callback may
// do anything a cancel button does. A second interrupt ends the program the
// usual way.
//
// The watching thread sleeps on a pipe that the signal handler (or the
// guard's end) writes one byte to, so neither an interrupt nor the end of the
// run waits for a poll.
class InterruptGuard {
public:
    explicit InterruptGuard(std::function<void()> onInterrupt);
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
    ~InterruptGuard();

private:
    std::function<void()> onInterrupt_;
    int readEnd_ = -1;
    int writeEnd_ = -1;
    std::thread watcher_;
};

} // namespace oq::cli
