#pragma once

#include "decode/MPEGData.h"
#include "engine/JobControl.h"
#include "engine/JobList.h"
#include "engine/JobRunner.h"
#include "wizards/save/SaveWizardFlow.h"
#include "wizards/save/ToolFileList.h"

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

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRadioButton;
class QTreeWidget;

namespace oq {

class EzRgnButton;
class TranPanel;

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

    // The file dialogs the pages ask; each answers empty when the user
    // cancels. Tests put their own answers in place of the dialogs.
    struct Dialogs {
        // A folder, starting at `current`.
        std::function<QString(const QString& title, const QString& current)> ChooseFolder;
        // Existing Ogg files to add, starting in `folder`.
        std::function<QStringList(const QString& folder)> OpenOggFiles;
        // An existing file (the catalog template).
        std::function<QString(const QString& nameFilters, const QString& defaultSuffix)> OpenFile;
        // A file to write, with `proposed` as its name.
        std::function<QString(const QString& proposed, const QString& nameFilters, const QString& defaultSuffix)>
            SaveFile;
    };

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
    const ToolFileList& JoinList() const noexcept { return joinList_; }
    const ToolFileList& WavList() const noexcept { return wavList_; }
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
    void BuildSplitPage();
    void BuildFinalPage();
    void BuildJoinPage();
    void BuildWavPage();
    void BuildCatalogPage();
    TranPanel* MakePage(const char* name);
    EzRgnButton* MakeTextButton(QWidget* parent, const char* name, const QString& caption, QRect place);
    EzRgnButton* MakeBrowseButton(QWidget* parent, const char* name, QPoint place);
    ToolFileList& ActiveList() noexcept { return flow_.Tool() == ActiveTool::Wav ? wavList_ : joinList_; }
    QTreeWidget* ActiveListView() const noexcept;
    void AddFiles();
    void EditList(void (ToolFileList::*edit)());
    void ShowList(const ToolFileList& list, QTreeWidget* view);
    void RefreshPage();
    void RefreshJoin();
    void RefreshWav();
    void RefreshCatalog();
    void Connect();
    int Open(ActiveTool tool, bool exportOneSection);
    // Shows the flow's page and button states.
    void ShowState();
    void RefreshExample();
    void BrowseFolder();
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
    ToolFileList joinList_;
    ToolFileList wavList_;
    QString joinOutput_;
    QString wavFolder_;

    // What the opening was given.
    MPEGData file_;
    std::vector<std::int32_t> markers_;
    std::int32_t exportSection_ = 1;
    QString exportFileName_;
    QString splitFolder_;

    QLabel* background_ = nullptr;
    EzRgnButton* help_ = nullptr;
    EzRgnButton* back_ = nullptr;
    EzRgnButton* next_ = nullptr;
    EzRgnButton* start_ = nullptr;
    EzRgnButton* pause_ = nullptr;
    EzRgnButton* done_ = nullptr;
    EzRgnButton* cancel_ = nullptr;

    TranPanel* splitPage_ = nullptr;
    QLineEdit* splitDir_ = nullptr;
    EzRgnButton* splitBrowse_ = nullptr;
    QComboBox* splitSections_ = nullptr;
    QLineEdit* preText_ = nullptr;
    QLineEdit* postText_ = nullptr;
    QCheckBox* zeros_ = nullptr;
    QLabel* example_ = nullptr;

    TranPanel* joinPage_ = nullptr;
    QTreeWidget* joinView_ = nullptr;
    EzRgnButton* joinDel_ = nullptr;
    EzRgnButton* joinClear_ = nullptr;
    EzRgnButton* joinUp_ = nullptr;
    EzRgnButton* joinDown_ = nullptr;
    EzRgnButton* joinAtoZ_ = nullptr;
    EzRgnButton* joinZtoA_ = nullptr;
    QLineEdit* joinFiles_ = nullptr;
    QLineEdit* joinLength_ = nullptr;
    QLineEdit* joinSize_ = nullptr;
    QLineEdit* joinOutputEdit_ = nullptr;

    TranPanel* wavPage_ = nullptr;
    QTreeWidget* wavView_ = nullptr;
    EzRgnButton* wavDel_ = nullptr;
    EzRgnButton* wavClear_ = nullptr;
    QRadioButton* wavBeside_ = nullptr;
    QRadioButton* wavOneFolder_ = nullptr;
    QLineEdit* wavDirEdit_ = nullptr;
    EzRgnButton* wavDirBrowse_ = nullptr;

    TranPanel* catalogPage_ = nullptr;
    QComboBox* catMode_ = nullptr;
    QLabel* catCustomLabel_ = nullptr;
    QLineEdit* catTemplate_ = nullptr;
    EzRgnButton* catTemplateBrowse_ = nullptr;
    QLineEdit* catDir_ = nullptr;
    QLineEdit* catOutFile_ = nullptr;
    QComboBox* catFilter_ = nullptr;
    QCheckBox* catSub_ = nullptr;

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
