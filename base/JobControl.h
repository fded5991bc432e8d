#pragma once

#include <atomic>

namespace oq {

// Pause and cancel requests for a running job. The requests may come from
// another thread (the window's) than the one doing the work; the worker
// looks at them only at its check points.
class JobControl {
public:
    void RequestCancel() noexcept;
    void SetPaused(bool paused) noexcept;
    // Clears both requests, as the wizard does whenever it is shown.
    void Reset() noexcept;

    bool Cancelled() const noexcept { return cancelled_.load(); }
    bool Paused() const noexcept { return paused_.load(); }

    // A check point: waits while paused, until resumed or cancelled; returns
    // true when the job is to stop.
    bool CheckPoint() const noexcept;

private:
    std::atomic<bool> paused_{false};
    std::atomic<bool> cancelled_{false};
    // Bumped on every request so that a paused worker wakes at once.
    mutable std::atomic<unsigned> generation_{0};
};

} // namespace oq
