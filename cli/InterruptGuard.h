#pragma once

#include <functional>
#include <thread>

namespace oq::cli {

// From now on Ctrl-C (SIGINT), SIGTERM and SIGHUP that no InterruptGuard
// takes end the program the usual way, but delete the temporary files it
// has made first. A signal the program was started with ignored stays
// ignored (a run under nohup keeps running when its terminal goes).
void RemoveTempFilesOnInterrupt();

// While it lives, Ctrl-C (SIGINT) and SIGTERM call `onInterrupt` once, from
// an ordinary thread rather than from the signal handler, so the callback may
// do anything a cancel button does. A second interrupt ends the program at
// once, after deleting the temporary files (as RemoveTempFilesOnInterrupt).
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
