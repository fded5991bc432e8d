#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace oq {

// A window's worker thread: runs one piece of work at a time off the
// window's thread and carries what the work reports back to it.
//
// The work shares its reports with the window by state of its own (atomics,
// or fields under a mutex) and calls Report() after each change; the window
// hears reportsReady() on its own thread, at most once per report interval
// however often the work reports, so a worker that reports faster than the
// window paints does not flood its event queue. When the work is over the
// worker is joined and the end handler runs on the window's thread; a
// hand-over still waiting then is dropped, the handler reads the last state.
class WorkerThread : public QObject {
    Q_OBJECT

public:
    // `reportIntervalMs`: the least time between two hand-overs; 0 hands a
    // report over as soon as the window's thread is free.
    explicit WorkerThread(int reportIntervalMs = 0, QObject* parent = nullptr);
    // Joins a running worker: its owner must have asked the work to stop.
    ~WorkerThread() override;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // The failure's text for work that failed without saying why.
    static QString UnexplainedFailure();

    // A worker has not been taken back yet.
    bool Busy() const noexcept { return worker_.joinable(); }
    // Runs `work` on a new worker, after taking back the last one. `then`
    // runs on the window's thread once the worker is joined, with the
    // failure's text: empty when `work` returned, else the message of what
    // it threw (UnexplainedFailure when there is none).
    void Start(std::function<void()> work, std::function<void(const QString& failure)> then);
    // From the work, on the worker: its reports changed.
    void Report();

signals:
    void reportsReady();

private:
    void HandOver(std::uint64_t run);

    const int reportIntervalMs_;
    std::atomic<bool> reportPending_{false};
    // Counts the runs ended, so that a hand-over of an ended run is dropped.
    std::uint64_t run_ = 0;
    // Last: joined before anything the work uses here goes.
    std::jthread worker_;
};

} // namespace oq
