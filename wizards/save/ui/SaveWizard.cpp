#include "wizards/save/ui/SaveWizard.h"

#include "engine/Error.h"
#include "engine/JobObserver.h"
#include "engine/JobPlanner.h"
#include "shell/ui/EzRgnButton.h"
#include "shell/ui/Skin.h"
#include "shell/ui/TranPanel.h"
#include "shell/ui/WindowDragger.h"
#include "wizards/save/ui/CatalogOptionsPage.h"
#include "wizards/save/ui/JoinListPage.h"
#include "wizards/save/ui/SplitOptionsPage.h"
#include "wizards/save/ui/WavListPage.h"
#include "wizards/save/ui/WizardWidgets.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

#include <algorithm>
#include <exception>
#include <initializer_list>

namespace oq {

namespace {

// The buttons in the well at the foot: Help left, Cancel right, Back and
// the shared place of Next, Start, Pause and Done between them.
constexpr QSize kTextButtonSize{67, 29};
constexpr QPoint kHelpPlace{14, 320};
constexpr QPoint kBackPlace{158, 320};
constexpr QPoint kSharedPlace{233, 320};
constexpr QPoint kCancelPlace{310, 320};
// The progress bar's range before the runner gives the job count.
constexpr int kInitialProgressMaximum = 100;
// Progress positions are scaled into the bar's int range.
constexpr std::int64_t kBarLimit = 1 << 30;

QString FirstChosen(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

SaveWizard::Dialogs DefaultDialogs(QWidget* parent)
{
    SaveWizard::Dialogs dialogs;
    dialogs.ChooseFolder = [parent](const QString& title, const QString& current) {
        QFileDialog dialog(parent, title, current);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        dialog.setLabelText(QFileDialog::Accept, QObject::tr("Select Directory..."));
        return FirstChosen(dialog);
    };
    dialogs.OpenOggFiles = [parent](const QString& folder) {
        QFileDialog dialog(parent, QObject::tr("Open"));
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilter(QLatin1String(kOggFilters));
        dialog.setDefaultSuffix(QStringLiteral("ogg"));
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            dialog.setDirectory(folder);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    };
    dialogs.OpenFile = [parent](const QString& nameFilters, const QString& defaultSuffix) {
        QFileDialog dialog(parent, QObject::tr("Open"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilter(nameFilters);
        dialog.setDefaultSuffix(defaultSuffix);
        return FirstChosen(dialog);
    };
    dialogs.SaveFile = [parent](const QString& proposed, const QString& nameFilters, const QString& defaultSuffix) {
        QFileDialog dialog(parent, QObject::tr("Save As"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(nameFilters);
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.selectFile(proposed);
        return FirstChosen(dialog);
    };
    return dialogs;
}

} // namespace

// Passes the worker's reports to the window's thread.
class SaveWizard::Reporter : public JobObserver {
public:
    explicit Reporter(SaveWizard& wizard) : wizard_(wizard) {}

    void CurrentFile(const std::string& name) override
    {
        wizard_.PostReports([&](Reports& r) { r.CurrentFile = name; });
    }
    void TotalText(const std::string& text) override
    {
        wizard_.PostReports([&](Reports& r) { r.TotalText = text; });
    }
    void ProcessText(const std::string& text) override
    {
        wizard_.PostReports([&](Reports& r) { r.ProcessText = text; });
    }
    void Progress(std::int64_t position, std::int64_t maximum) override
    {
        wizard_.PostReports([&](Reports& r) {
            r.Position = position;
            r.Maximum = maximum;
        });
    }

private:
    SaveWizard& wizard_;
};

SaveWizard::SaveWizard(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), reporter_(std::make_unique<Reporter>(*this)),
      dialogs_(DefaultDialogs(this))
{
    setObjectName(QStringLiteral("SaveWizardForm"));
    DressSkinForm(*this, tr("Save Wizard"), kSize);
    setModal(true);

    background_ = new QLabel(this);
    background_->setObjectName(QStringLiteral("BackImage1"));
    background_->setGeometry(QRect(QPoint(0, 0), kSize));
    background_->setPixmap(SkinBackground(SkinWindow::SaveWizard, devicePixelRatioF()));
    WindowDragger::Install(background_);
    splitPage_ = new SplitOptionsPage(this, dialogs_);
    joinPage_ = new JoinListPage(this, dialogs_, lastFolder_);
    wavPage_ = new WavListPage(this, dialogs_, lastFolder_);
    catalogPage_ = new CatalogOptionsPage(this, dialogs_);
    BuildFinalPage();
    BuildButtons();
    Connect();
    elapsedTimer_.setInterval(kElapsedTickMs);
}

SaveWizard::~SaveWizard()
{
    control_.RequestCancel();
    if (worker_.joinable())
        worker_.join();
}

void SaveWizard::SetDialogs(Dialogs dialogs)
{
    dialogs_ = std::move(dialogs);
}

const ToolFileList& SaveWizard::JoinList() const noexcept
{
    return joinPage_->List();
}

const ToolFileList& SaveWizard::WavList() const noexcept
{
    return wavPage_->List();
}

// --- Building ---------------------------------------------------------------------

void SaveWizard::BuildButtons()
{
    const auto make = [this](const char* name, const QString& caption, QPoint place) {
        return TextButton(this, name, caption, QRect(place, kTextButtonSize));
    };
    help_ = make("Wizard_Help", tr("Help"), kHelpPlace);
    back_ = make("Wizard_Back", tr("Back"), kBackPlace);
    next_ = make("Wizard_Next", tr("Next"), kSharedPlace);
    start_ = make("Wizard_Start", tr("Start"), kSharedPlace);
    pause_ = make("Wizard_Pause", tr("Pause"), kSharedPlace);
    done_ = make("Wizard_Done", tr("Done"), kSharedPlace);
    cancel_ = make("Wizard_Cancel", tr("Cancel"), kCancelPlace);
}

void SaveWizard::BuildFinalPage()
{
    finalPage_ = new TranPanel(this);
    PlaceWizardPage(*finalPage_, "FinalPanel1");
    const auto label = [this](const char* name, const QString& text, const QRect& place,
                              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        auto* l = new QLabel(text, finalPage_);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(place);
        l->setAlignment(align);
        return l;
    };
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    finalLabel1_ = label("Final_Label1", tr("Click 'Start' to Process the Ogg Job:"), {10, 8, 360, 20});
    QFont bold = font();
    bold.setBold(true);
    finalLabel1_->setFont(bold);
    runLabels_.push_back(label("Final_Label2", tr("Current File Being Processed:"), {10, 40, 360, 18}));
    finalCurrent_ = label("Final_Current", QString(), {10, 60, 302, 18});
    finalCurrent_->setFixedSize(302, 18);
    runLabels_.push_back(label("Final_Label3", tr("Number of Job Processes to Complete:"), {10, 92, 240, 18}));
    finalTotal_ = label("Final_Total", QString(), {250, 92, 110, 18}, right);
    runLabels_.push_back(label("Final_Label4", tr("Current Process:"), {10, 118, 120, 18}));
    finalProcess_ = label("Final_Process", QString(), {130, 118, 230, 18}, right);
    runLabels_.push_back(label("Final_Label6", tr("Time Elapsed:"), {10, 144, 120, 18}));
    finalTime_ = label("Final_Time", QString(), {250, 144, 110, 18}, right);
    runLabels_.push_back(label("Final_Label5", tr("Status:"), {10, 178, 120, 18}));
    finalProgress_ = new QProgressBar(finalPage_);
    finalProgress_->setObjectName(QStringLiteral("Final_Progress"));
    finalProgress_->setGeometry(10, 200, 350, 22);
    finalProgress_->setTextVisible(false);
    runLabels_.push_back(finalProgress_);
}

void SaveWizard::Connect()
{
    connect(help_, &EzRgnButton::clicked, this,
            [this] { emit helpRequested(QString::fromStdString(flow_.HelpTopic())); });
    connect(next_, &EzRgnButton::clicked, this, &SaveWizard::Next);
    connect(back_, &EzRgnButton::clicked, this, &SaveWizard::Back);
    connect(start_, &EzRgnButton::clicked, this, &SaveWizard::Start);
    connect(pause_, &EzRgnButton::clicked, this, &SaveWizard::TogglePause);
    connect(done_, &EzRgnButton::clicked, this, &QDialog::accept);
    connect(cancel_, &EzRgnButton::clicked, this, &SaveWizard::reject);
    connect(&elapsedTimer_, &QTimer::timeout, this, &SaveWizard::Tick);

    // A page tells when its readiness may have changed; Next follows it.
    for (FileListPage* page : std::initializer_list<FileListPage*>{joinPage_, wavPage_}) {
        connect(page, &FileListPage::changed, this, [this, page] { next_->SetEnabled(page->Ready()); });
        connect(page, &FileListPage::filesChosenIn, this, [this](const QString& folder) {
            lastFolder_ = folder;
            emit lastFolderChanged(lastFolder_);
        });
    }
    connect(catalogPage_, &CatalogOptionsPage::changed, this,
            [this] { next_->SetEnabled(catalogPage_->Ready()); });
}

// --- Opening and pages --------------------------------------------------------------

int SaveWizard::ShowSplit(const MPEGData& file, const std::vector<std::int32_t>& markerPositions,
                          const QString& outputFolder)
{
    file_ = file;
    markers_ = markerPositions;
    splitPage_->Open(outputFolder, QStringLiteral(" - ") + QFileInfo(ShownName(file.FileName)).fileName());
    return Open(ActiveTool::Split, false);
}

int SaveWizard::ShowExport(const MPEGData& file, const std::vector<std::int32_t>& markerPositions,
                           std::int32_t section, const QString& fileName)
{
    file_ = file;
    markers_ = markerPositions;
    exportSection_ = section;
    exportFileName_ = fileName;
    return Open(ActiveTool::Split, true);
}

int SaveWizard::ShowTool(ActiveTool tool)
{
    if (tool == ActiveTool::Split)
        return QDialog::Rejected;
    return Open(tool, false);
}

int SaveWizard::Open(ActiveTool tool, bool exportOneSection)
{
    if (worker_.joinable())
        return QDialog::Rejected;
    control_.Reset();
    flow_.Activate(tool, exportOneSection);
    {
        const std::lock_guard lock(reportsMutex_);
        reports_ = {};
    }
    finalCurrent_->clear();
    finalProcess_->clear();
    finalTotal_->clear();
    finalProgress_->setRange(0, kInitialProgressMaximum);
    finalProgress_->setValue(0);
    elapsedSeconds_ = 0;
    finalTime_->setText(QString::fromStdString(ElapsedText(0)));
    next_->SetEnabled(true);
    ShowState();
    RefreshPage();
    return exec();
}

void SaveWizard::ShowState()
{
    const WizardPage page = flow_.Page();
    splitPage_->setVisible(page == WizardPage::SplitOptions);
    joinPage_->setVisible(page == WizardPage::JoinList);
    wavPage_->setVisible(page == WizardPage::WavList);
    catalogPage_->setVisible(page == WizardPage::CatalogOptions);
    finalPage_->setVisible(page == WizardPage::Final);
    const SharedButton shown = flow_.Shown();
    next_->setVisible(shown == SharedButton::Next);
    start_->setVisible(shown == SharedButton::Start);
    pause_->setVisible(shown == SharedButton::Pause);
    done_->setVisible(shown == SharedButton::Done);
    back_->SetEnabled(flow_.BackEnabled());
    finalLabel1_->setEnabled(flow_.ReadyLabelEnabled());
    for (QWidget* label : runLabels_)
        label->setEnabled(flow_.RunLabelsEnabled());
}

void SaveWizard::Next()
{
    if (!next_->Enabled() || !flow_.Next(joinPage_->List().Count()))
        return;
    ShowState();
}

void SaveWizard::Back()
{
    if (!flow_.Back())
        return;
    next_->SetEnabled(true);
    ShowState();
    RefreshPage();
}

void SaveWizard::RefreshPage()
{
    switch (flow_.Page()) {
    case WizardPage::JoinList:
        joinPage_->Refresh();
        break;
    case WizardPage::WavList:
        wavPage_->Refresh();
        break;
    case WizardPage::CatalogOptions:
        catalogPage_->Refresh();
        break;
    case WizardPage::SplitOptions:
    case WizardPage::Final:
        break;
    }
}

// --- The run --------------------------------------------------------------------------

void SaveWizard::Start()
{
    try {
        if (flow_.Tool() == ActiveTool::Join) {
            JoinOptions options = joinPage_->Options();
            planner_ = [options](JobObserver& observer) { return PlanJobs(options, observer); };
        } else if (flow_.Tool() == ActiveTool::Wav) {
            WavOptions options = wavPage_->Options();
            planner_ = [options](JobObserver& observer) { return PlanJobs(options, observer); };
        } else if (flow_.Tool() == ActiveTool::Catalog) {
            CatalogOptions options = catalogPage_->Options();
            planner_ = [this, options](JobObserver& observer) { return PlanJobs(options, control_, observer); };
        } else if (flow_.ExportOneSection()) {
            const SectionSource source = SectionsFromMarkers(file_, markers_);
            ExportOptions options{source, LocalName(exportFileName_), exportSection_};
            planner_ = [options](JobObserver& observer) { return PlanJobs(options, observer); };
        } else {
            SplitOptions options;
            options.Source = SectionsFromMarkers(file_, markers_);
            splitPage_->Apply(options);
            planner_ = [options](JobObserver& observer) { return PlanJobs(options, observer); };
        }
    } catch (const std::exception& failure) {
        QMessageBox::critical(this, QLatin1String(kProgramTitle), QString::fromStdString(failure.what()));
        return;
    }
    if (!flow_.Start())
        return;
    ShowState();
    OnWorker([this] { jobs_ = std::make_unique<JobList>(planner_(*reporter_)); },
             [this](const QString& failure) { Planned(failure); });
}

void SaveWizard::OnWorker(std::function<void()> work, std::function<void(const QString&)> then)
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

void SaveWizard::Planned(const QString& failure)
{
    if (!failure.isEmpty() || !jobs_) {
        EndRun(true, failure.isEmpty() ? tr("The job failed.") : failure);
        return;
    }
    if (control_.Cancelled()) {
        jobs_->Clear();
        EndRun(true, {});
        return;
    }
    if (jobs_->WillOverwrite()) {
        const auto answer = QMessageBox::question(this, QLatin1String(kProgramTitle),
                                                  QString::fromLatin1(kOverwriteQuestion),
                                                  QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Ok) {
            // Declined: the plan's temporary files go, nothing is written,
            // and the run ends as a finished one.
            jobs_->Clear();
            jobs_.reset();
            EndRun(false, {});
            return;
        }
    }
    elapsedSeconds_ = 0;
    elapsedTimer_.start();
    OnWorker([this] { result_ = JobRunner(control_, *reporter_).Run(*jobs_); },
             [this](const QString& failure) { RunFinished(result_, failure); });
}

void SaveWizard::RunFinished(RunResult result, const QString& failure)
{
    jobs_.reset();
    EndRun(!failure.isEmpty() || result == RunResult::Cancelled, failure);
}

void SaveWizard::EndRun(bool closeAsCancelled, const QString& failure)
{
    jobs_.reset();
    elapsedTimer_.stop();
    TakeReports();
    flow_.RunEnded();
    ShowState();
    if (!failure.isEmpty())
        QMessageBox::critical(this, QLatin1String(kProgramTitle), failure);
    if (closeAsCancelled)
        QDialog::reject();
}

void SaveWizard::TogglePause()
{
    control_.SetPaused(!control_.Paused());
}

void SaveWizard::reject()
{
    if (flow_.Running()) {
        control_.RequestCancel();
        return;
    }
    QDialog::reject();
}

void SaveWizard::closeEvent(QCloseEvent* event)
{
    if (flow_.Running()) {
        control_.RequestCancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void SaveWizard::Tick()
{
    ++elapsedSeconds_;
    finalTime_->setText(QString::fromStdString(ElapsedText(elapsedSeconds_)));
}

// --- Reports ------------------------------------------------------------------------

void SaveWizard::PostReports(const std::function<void(Reports&)>& change)
{
    {
        const std::lock_guard lock(reportsMutex_);
        change(reports_);
    }
    // One pending hand-over at a time: a worker that reports faster than the
    // window paints does not flood its event queue.
    if (!reportsPosted_.exchange(true))
        QMetaObject::invokeMethod(this, &SaveWizard::TakeReports, Qt::QueuedConnection);
}

void SaveWizard::TakeReports()
{
    reportsPosted_.store(false);
    Reports now;
    {
        const std::lock_guard lock(reportsMutex_);
        now = reports_;
    }
    finalCurrent_->setText(ShownName(now.CurrentFile));
    finalTotal_->setText(QString::fromStdString(now.TotalText));
    finalProcess_->setText(QString::fromStdString(now.ProcessText));
    if (now.Maximum > 0) {
        // Scaled so that byte counts beyond the int range still fit the bar.
        const std::int64_t divisor = now.Maximum / kBarLimit + 1;
        finalProgress_->setRange(0, static_cast<int>(now.Maximum / divisor));
        finalProgress_->setValue(static_cast<int>(std::clamp<std::int64_t>(now.Position, 0, now.Maximum) / divisor));
    }
}

} // namespace oq
