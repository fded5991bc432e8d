#include "gui/savewizard/SaveWizardRun.h"

#include <exception>

namespace oq {

// Passes the worker's reports to the window's thread.
class SaveWizardRun::Reporter : public JobObserver {
public:
    explicit Reporter(SaveWizardRun& run) : run_(run) {}

    void CurrentFile(const std::string& name) override
    {
        run_.PostReports([&](Reports& r) { r.CurrentFile = name; });
    }
    void TotalText(const std::string& text) override
    {
        run_.PostReports([&](Reports& r) { r.TotalText = text; });
    }
    void ProcessText(const std::string& text) override
    {
        run_.PostReports([&](Reports& r) { r.ProcessText = text; });
    }
    void Progress(std::int64_t position, std::int64_t maximum) override
    {
        run_.PostReports([&](Reports& r) {
            r.Position = position;
            r.Maximum = maximum;
        });
    }

private:
    SaveWizardRun& run_;
};

SaveWizardRun::SaveWizardRun() : reporter_(std::make_unique<Reporter>(*this))
{
    elapsedTimer_.setInterval(kElapsedTickMs);
    connect(&elapsedTimer_, &QTimer::timeout, this, &SaveWizardRun::Tick);
}

SaveWizardRun::~SaveWizardRun()
{
    control_.RequestCancel();
    if (worker_.joinable())
        worker_.join();
}

void SaveWizardRun::Reset()
{
    control_.Reset();
    {
        const std::lock_guard lock(reportsMutex_);
        reports_ = {};
    }
    elapsedSeconds_ = 0;
}

void SaveWizardRun::Plan(Planner planner)
{
    planner_ = std::move(planner);
    OnWorker([this] { jobs_ = std::make_unique<JobList>(planner_(*reporter_, control_)); },
             [this](const QString& failure) {
                 if (failure.isEmpty() && !jobs_)
                     emit planned(tr("The job failed."));
                 else
                     emit planned(failure);
             });
}

bool SaveWizardRun::WillOverwrite() const
{
    return jobs_ && jobs_->WillOverwrite();
}

void SaveWizardRun::Discard()
{
    if (jobs_)
        jobs_->Clear();
    jobs_.reset();
}

void SaveWizardRun::Run()
{
    elapsedSeconds_ = 0;
    elapsedTimer_.start();
    OnWorker([this] { result_ = JobRunner(control_, *reporter_).Run(*jobs_); },
             [this](const QString& failure) {
                 jobs_.reset();
                 emit finished(result_, failure);
             });
}

void SaveWizardRun::End()
{
    jobs_.reset();
    elapsedTimer_.stop();
    TakeReports();
}

void SaveWizardRun::OnWorker(std::function<void()> work, std::function<void(const QString&)> then)
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
                failure = tr("The job failed.");
        } catch (...) {
            failure = tr("The job failed.");
        }
        QMetaObject::invokeMethod(
            this,
            [this, then, failure] {
                if (worker_.joinable())
                    worker_.join();
                then(failure);
            },
            Qt::QueuedConnection);
    });
}

void SaveWizardRun::PostReports(const std::function<void(Reports&)>& change)
{
    {
        const std::lock_guard lock(reportsMutex_);
        change(reports_);
    }
    // One pending hand-over at a time: a worker that reports faster than the
    // window paints does not flood its event queue.
    if (!reportsPosted_.exchange(true))
        QMetaObject::invokeMethod(this, &SaveWizardRun::TakeReports, Qt::QueuedConnection);
}

void SaveWizardRun::TakeReports()
{
    reportsPosted_.store(false);
    Reports now;
    {
        const std::lock_guard lock(reportsMutex_);
        now = reports_;
    }
    emit reportsTaken(now);
}

void SaveWizardRun::Tick()
{
    ++elapsedSeconds_;
    emit elapsed(elapsedSeconds_);
}

} // namespace oq
