#pragma once

#include "decode/MPEGData.h"
#include "engine/JobControl.h"
#include "engine/JobList.h"
#include "engine/JobRunner.h"
#include "wizards/save/SaveWizardFlow.h"
#include "wizards/save/ToolFileList.h"
#include "wizards/save/ui/SaveWizardDialogs.h"

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QProgressBar;

namespace oq {

class CatalogOptionsPage;
class EzRgnButton;
class JoinListPage;
class SplitOptionsPage;
class TranPanel;
class WavListPage;

// The one modal window through which the output tools run: an options page
// for the tool, then the final page whose Start plans the jobs and runs them
// on a worker thread. The window stays responsive during a run: Pause and
// Cancel reach the worker through a JobControl, the elapsed time ticks, and
// the worker's reports are carried over to the window's thread.
//
// The window is made once and reused; the options keep their values from
// one opening to the next, except those the opening sets (the split's
// folder and post text). Every control carries its name as its objectName.
class SaveWizard : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize kSize{392, 360};
    static constexpr int kElapsedTickMs = 1000;

    using Dialogs = SaveWizardDialogs;

    explicit SaveWizard(QWidget* parent = nullptr);
    ~SaveWizard() override;

    void SetDialogs(Dialogs dialogs);
    // The folder the Add dialog starts in; Add moves it to the folder of the
    // files chosen and reports it with lastFolderChanged.
    void SetLastFolder(const QString& folder) { lastFolder_ = folder; }

    // Saves the sections that `markerPositions` cut `file` into; the page
    // proposes `outputFolder`. Returns the modal result.
    int ShowSplit(const MPEGData& file, const std::vector<std::int32_t>& markerPositions, const QString& outputFolder);
    // Writes section `section` (from 1) to `fileName`, starting on the final page.
    int ShowExport(const MPEGData& file, const std::vector<std::int32_t>& markerPositions, std::int32_t section,
                   const QString& fileName);

    // Opens the join, WAV or catalog tool on its page.
    int ShowTool(ActiveTool tool);

    const SaveWizardFlow& Flow() const noexcept { return flow_; }
    const ToolFileList& JoinList() const noexcept;
    const ToolFileList& WavList() const noexcept;
    bool Paused() const noexcept { return control_.Paused(); }

signals:
    void helpRequested(const QString& topic);
    void lastFolderChanged(const QString& folder);

public slots:
    // Cancel, Escape and closing the window: during a run they ask the run to
    // stop, and the window closes when it has.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Reporter;
    // What the worker last reported, taken over by the window's thread.
    struct Reports {
        std::string CurrentFile;
        std::string TotalText;
        std::string ProcessText;
        std::int64_t Position = 0;
        std::int64_t Maximum = 0;
    };

    void BuildButtons();
    void BuildFinalPage();
    void RefreshPage();
    void Connect();
    int Open(ActiveTool tool, bool exportOneSection);
    // Shows the flow's page and button states.
    void ShowState();
    void Next();
    void Back();
    void Start();
    void TogglePause();
    void Tick();
    // Runs `work` on the worker; `then` runs on the window's thread after it,
    // with the failure's text (empty when none).
    void OnWorker(std::function<void()> work, std::function<void(const QString& failure)> then);
    void Planned(const QString& failure);
    void RunFinished(RunResult result, const QString& failure);
    void EndRun(bool closeAsCancelled, const QString& failure);
    void TakeReports();
    void PostReports(const std::function<void(Reports&)>& change);

    SaveWizardFlow flow_;
    JobControl control_;
    std::unique_ptr<Reporter> reporter_;
    std::mutex reportsMutex_;
    Reports reports_;
    std::atomic<bool> reportsPosted_{false};
    std::unique_ptr<JobList> jobs_;
    std::function<JobList(JobObserver&)> planner_;
    std::jthread worker_;
    RunResult result_ = RunResult::Finished;
    QTimer elapsedTimer_;
    std::int64_t elapsedSeconds_ = 0;
    Dialogs dialogs_;
    QString lastFolder_;

    // What the opening was given.
    MPEGData file_;
    std::vector<std::int32_t> markers_;
    std::int32_t exportSection_ = 1;
    QString exportFileName_;

    QLabel* background_ = nullptr;
    EzRgnButton* help_ = nullptr;
    EzRgnButton* back_ = nullptr;
    EzRgnButton* next_ = nullptr;
    EzRgnButton* start_ = nullptr;
    EzRgnButton* pause_ = nullptr;
    EzRgnButton* done_ = nullptr;
    EzRgnButton* cancel_ = nullptr;

    SplitOptionsPage* splitPage_ = nullptr;
    JoinListPage* joinPage_ = nullptr;
    WavListPage* wavPage_ = nullptr;
    CatalogOptionsPage* catalogPage_ = nullptr;
    TranPanel* finalPage_ = nullptr;
    QLabel* finalLabel1_ = nullptr;
    std::vector<QWidget*> runLabels_;
    QLabel* finalCurrent_ = nullptr;
    QLabel* finalTotal_ = nullptr;
    QLabel* finalProcess_ = nullptr;
    QLabel* finalTime_ = nullptr;
    QProgressBar* finalProgress_ = nullptr;
};

} // namespace oq
