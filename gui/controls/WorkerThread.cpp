#include "gui/controls/WorkerThread.h"

#include <QTimer>

#include <exception>

namespace oq {

WorkerThread::WorkerThread(int reportIntervalMs, QObject* parent) : QObject(parent), reportIntervalMs_(reportIntervalMs) {}

WorkerThread::~WorkerThread()
{
    if (worker_.joinable())
        worker_.join();
}

QString WorkerThread::UnexplainedFailure()
{
    return tr("The job failed.");
}

void WorkerThread::Start(std::function<void()> work, std::function<void(const QString&)> then)
{
    if (worker_.joinable())
        worker_.join();
    worker_ = std::jthread([this, work = std::move(work), then = std::move(then)] {
        QString failure;
        try {
            work();
        } catch (const std::exception& error) {
            failure = QString::fromStdString(error.what());
            if (failure.isEmpty())
                failure = UnexplainedFailure();
        } catch (...) {
            failure = UnexplainedFailure();
        }
        QMetaObject::invokeMethod(
            this,
            [this, then, failure] {
                if (worker_.joinable())
                    worker_.join();
                ++run_;
                reportPending_.store(false);
                then(failure);
            },
            Qt::QueuedConnection);
    });
}

void WorkerThread::Report()
{
    if (reportPending_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            const std::uint64_t run = run_;
            if (reportIntervalMs_ == 0)
                HandOver(run);
            else
                QTimer::singleShot(reportIntervalMs_, this, [this, run] { HandOver(run); });
        },
        Qt::QueuedConnection);
}

void WorkerThread::HandOver(std::uint64_t run)
{
    if (run != run_)
        return;
    reportPending_.store(false);
    emit reportsReady();
}

} // namespace oq
