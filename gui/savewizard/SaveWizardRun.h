#pragma once

#include "base/JobControl.h"
#include "jobs/JobList.h"
#include "base/JobObserver.h"
#include "jobs/JobRunner.h"
#include "gui/controls/WorkerThread.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace oq {

// One run of the save wizard's jobs off the window's thread: the plan, then
// the jobs, each on a worker thread, with Pause and Cancel reaching the
// worker through Control(). What the worker reports is carried over to the
// window's thread and handed on by reportsTaken(); the elapsed time ticks
// while the jobs run. Every signal is emitted on the window's thread.
class SaveWizardRun : public QObject {
    Q_OBJECT

public:
    static constexpr int kElapsedTickMs = 1000;

    // What the worker last reported.
    struct Reports {
        std::string CurrentFile;
        std::string TotalText;
        std::string ProcessText;
        std::int64_t Position = 0;
        std::int64_t Maximum = 0;
    };
    using Planner = std::function<JobList(JobObserver& observer, const JobControl& control)>;

    SaveWizardRun();
    ~SaveWizardRun() override;
    SaveWizardRun(const SaveWizardRun&) = delete;
    SaveWizardRun& operator=(const SaveWizardRun&) = delete;

    JobControl& Control() noexcept { return control_; }
    const JobControl& Control() const noexcept { return control_; }
    // A worker has not been taken back yet.
    bool Busy() const noexcept { return worker_.Busy(); }

    // Before an opening: not paused or cancelled, nothing reported, no time elapsed.
    void Reset();
    // Plans on the worker; planned() follows.
    void Plan(Planner planner);
    // The plan writes over files that exist.
    bool WillOverwrite() const;
    // Why the plan writes some outputs under other names than asked, one
    // line each; empty when it writes none so.
    std::vector<std::string> NameNotes() const;
    // Drops the plan with its temporary files; nothing is written.
    void Discard();
    // Runs the plan on the worker, with the clock going; finished() follows.
    void Run();
    // Drops what is left of the plan, stops the clock and hands on the last reports.
    void End();
    // What the last run passed over (a catalog's unreadable files and
    // folders), each naming its file and the reason; kept from finished()
    // until the next run.
    const std::vector<std::string>& PassedOver() const noexcept { return passedOver_; }

signals:
    // `failure` is empty when there is a plan to run.
    void planned(const QString& failure);
    void finished(oq::RunResult result, const QString& failure);
    void reportsTaken(const oq::SaveWizardRun::Reports& reports);
    void elapsed(qint64 seconds);

private:
    class Reporter;

    void PostReports(const std::function<void(Reports&)>& change);
    void TakeReports();
    void Tick();

    JobControl control_;
    std::unique_ptr<Reporter> reporter_;
    std::mutex reportsMutex_;
    Reports reports_;
    std::unique_ptr<JobList> jobs_;
    std::vector<std::string> passedOver_;
    Planner planner_;
    RunResult result_ = RunResult::Finished;
    QTimer elapsedTimer_;
    std::int64_t elapsedSeconds_ = 0;
    // Last: destroyed first, so that no worker outlives what it uses.
    WorkerThread worker_;
};

} // namespace oq
