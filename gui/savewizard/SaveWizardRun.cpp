#include "gui/savewizard/SaveWizardRun.h"

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
    connect(&worker_, &WorkerThread::reportsReady, this, &SaveWizardRun::TakeReports);
}

SaveWizardRun::~SaveWizardRun()
{
    // The worker, joined as the last member goes, stops at its next check.
    control_.RequestCancel();
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
    worker_.Start([this] { jobs_ = std::make_unique<JobList>(planner_(*reporter_, control_)); },
             [this](const QString& failure) {
                 if (failure.isEmpty() && !jobs_)
                     emit planned(WorkerThread::UnexplainedFailure());
                 else
                     emit planned(failure);
             });
}

bool SaveWizardRun::WillOverwrite() const
{
    return jobs_ && jobs_->WillOverwrite();
}

std::vector<std::string> SaveWizardRun::NameNotes() const
{
    return jobs_ ? jobs_->Notes() : std::vector<std::string>{};
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
    passedOver_.clear();
    elapsedTimer_.start();
    worker_.Start([this] { result_ = JobRunner(control_, *reporter_).Run(*jobs_); },
             [this](const QString& failure) {
                 // The worker is done with the list: read on this thread.
                 passedOver_ = jobs_->PassedOver();
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

void SaveWizardRun::PostReports(const std::function<void(Reports&)>& change)
{
    {
        const std::lock_guard lock(reportsMutex_);
        change(reports_);
    }
    worker_.Report();
}

void SaveWizardRun::TakeReports()
{
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
