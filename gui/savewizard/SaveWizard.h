#pragma once

#include "media/MPEGData.h"
#include "model/SaveWizardFlow.h"
#include "model/ToolFileList.h"
#include "gui/savewizard/SaveWizardDialogs.h"
#include "gui/savewizard/SaveWizardRun.h"
#include "jobs/SplitRecipe.h"

#include <QDialog>

#include <cstdint>
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
// off the window's thread (SaveWizardRun). The window stays responsive during
// a run: Pause and Cancel reach the worker, the elapsed time ticks, and the
// final page shows what the worker reports.
//
// The window is made once and reused; the options keep their values from
// one opening to the next, except those the opening sets (the split's
// folder and post text). Every control carries its name as its objectName.
class SaveWizard : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize kSize{392, 360};
    static constexpr int kElapsedTickMs = SaveWizardRun::kElapsedTickMs;

    using Dialogs = SaveWizardDialogs;

    explicit SaveWizard(QWidget* parent = nullptr);
    ~SaveWizard() override;

    void SetDialogs(Dialogs dialogs);
    // The folder the Add dialog starts in; Add moves it to the folder of the
    // files chosen and reports it with lastFolderChanged.
    void SetLastFolder(const QString& folder) { lastFolder_ = folder; }

    // Saves the sections that `cuts` cut `file` into, at the markers'
    // exact samples; the page proposes `outputFolder`. Markers laid from a
    // cue sheet give the sections its tracks' tags, titled markers their
    // titles (and names, when chosen). Returns the modal result.
    int ShowSplit(const MPEGData& file, const SplitCuts& cuts, const QString& outputFolder);
    // Writes section `section` (from 1) to `fileName`, starting on the final page.
    int ShowExport(const MPEGData& file, const SplitCuts& cuts, std::int32_t section, const QString& fileName);

    // Opens the join, WAV or catalog tool on its page.
    int ShowTool(ActiveTool tool);

    const SaveWizardFlow& Flow() const noexcept { return flow_; }
    const ToolFileList& JoinList() const noexcept;
    const ToolFileList& WavList() const noexcept;
    bool Paused() const noexcept { return run_.Control().Paused(); }

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
    void Planned(const QString& failure);
    // Shows why the plan writes some outputs under other names than asked;
    // false when the user cancels the run there.
    bool AcceptOtherNames();
    void EndRun(bool closeAsCancelled, const QString& failure);
    void ShowPassedOver();
    void ShowReports(const SaveWizardRun::Reports& reports);

    SaveWizardFlow flow_;
    SaveWizardRun run_;
    Dialogs dialogs_;
    QString lastFolder_;

    // What the opening was given.
    MPEGData file_;
    SplitCuts cuts_;
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
