#include "gui/savewizard/SaveWizard.h"

#include "base/Error.h"
#include "base/JobObserver.h"
#include "jobs/JobPlanner.h"
#include "jobs/SplitRecipe.h"
#include "gui/controls/EzRgnButton.h"
#include "gui/controls/FolderChooser.h"
#include "gui/controls/LocalFileName.h"
#include "gui/controls/Skin.h"
#include "gui/controls/TranPanel.h"
#include "gui/controls/WindowDragger.h"
#include "gui/savewizard/CatalogOptionsPage.h"
#include "gui/savewizard/JoinListPage.h"
#include "gui/savewizard/SplitOptionsPage.h"
#include "gui/savewizard/WavListPage.h"
#include "gui/savewizard/WizardWidgets.h"

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
// Asked before a run that writes outputs under other names than asked; the
// notes that say which and why follow, all of them under Show Details when
// there are more than the box shows.
constexpr char kOtherNamesQuestion[] = "Some Files Are Written Under Other Names, Click OK To Continue:";
constexpr qsizetype kNotesShown = 5;

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
        return FolderChooser::Choose(parent, title, current);
    };
    dialogs.OpenOggFiles = [parent](const QString& folder) {
        QFileDialog dialog(parent, QObject::tr("Open"));
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilter(OggFileFilters());
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

SaveWizard::SaveWizard(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), dialogs_(DefaultDialogs(this))
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
}

SaveWizard::~SaveWizard() = default;

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
    help_->AddShortcut(QKeySequence::HelpContents);
    connect(help_, &EzRgnButton::clicked, this,
            [this] { emit helpRequested(QString::fromStdString(flow_.HelpTopic())); });
    connect(next_, &EzRgnButton::clicked, this, &SaveWizard::Next);
    connect(back_, &EzRgnButton::clicked, this, &SaveWizard::Back);
    connect(start_, &EzRgnButton::clicked, this, &SaveWizard::Start);
    connect(pause_, &EzRgnButton::clicked, this, &SaveWizard::TogglePause);
    connect(done_, &EzRgnButton::clicked, this, &QDialog::accept);
    connect(cancel_, &EzRgnButton::clicked, this, &SaveWizard::reject);
    connect(&run_, &SaveWizardRun::planned, this, &SaveWizard::Planned);
    connect(&run_, &SaveWizardRun::finished, this, [this](RunResult result, const QString& failure) {
        EndRun(!failure.isEmpty() || result == RunResult::Cancelled, failure);
        if (failure.isEmpty() && result == RunResult::Finished)
            ShowPassedOver();
    });
    connect(&run_, &SaveWizardRun::reportsTaken, this, &SaveWizard::ShowReports);
    connect(&run_, &SaveWizardRun::elapsed, this,
            [this](qint64 seconds) { finalTime_->setText(QString::fromStdString(ElapsedText(seconds))); });

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

int SaveWizard::ShowSplit(const MPEGData& file, const SplitCuts& cuts, const QString& outputFolder)
{
    file_ = file;
    cuts_ = cuts;
    const bool titled = !cuts.CueSheet.empty() ||
                        std::ranges::any_of(cuts.Titles, [](const std::string& title) { return !title.empty(); });
    splitPage_->Open(outputFolder, QStringLiteral(" - ") + QFileInfo(ShownName(file.FileName)).fileName(), titled,
                     cuts.Markers.empty() ? SectionsAtSamples(file, {}) : SectionsAtMarkers(file, cuts.Markers));
    return Open(ActiveTool::Split, false);
}

int SaveWizard::ShowExport(const MPEGData& file, const SplitCuts& cuts, std::int32_t section, const QString& fileName)
{
    file_ = file;
    cuts_ = cuts;
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
    if (run_.Busy())
        return QDialog::Rejected;
    run_.Reset();
    flow_.Activate(tool, exportOneSection);
    finalCurrent_->clear();
    finalProcess_->clear();
    finalTotal_->clear();
    finalProgress_->setRange(0, kInitialProgressMaximum);
    finalProgress_->setValue(0);
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
    // The keyboard stays in the shared place when its button changes: a
    // second Space after Next starts the run, and one after Start pauses it,
    // where Qt would hand the focus to the next button in the chain, Cancel.
    const std::initializer_list<EzRgnButton*> shared{next_, start_, pause_, done_};
    const bool sharedHadFocus = std::ranges::any_of(shared, [](const EzRgnButton* b) { return b->hasFocus(); });
    const SharedButton shown = flow_.Shown();
    next_->setVisible(shown == SharedButton::Next);
    start_->setVisible(shown == SharedButton::Start);
    pause_->setVisible(shown == SharedButton::Pause);
    done_->setVisible(shown == SharedButton::Done);
    if (sharedHadFocus)
        for (EzRgnButton* button : shared)
            if (button->isVisible())
                button->setFocus(Qt::TabFocusReason);
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
    SaveWizardRun::Planner planner;
    try {
        if (flow_.Tool() == ActiveTool::Join) {
            JoinOptions options = joinPage_->Options();
            planner = [options](JobObserver& observer, const JobControl&) { return PlanJobs(options, observer); };
        } else if (flow_.Tool() == ActiveTool::Wav) {
            WavOptions options = wavPage_->Options();
            planner = [options](JobObserver& observer, const JobControl&) { return PlanJobs(options, observer); };
        } else if (flow_.Tool() == ActiveTool::Catalog) {
            CatalogOptions options = catalogPage_->Options();
            planner = [options](JobObserver& observer, const JobControl& control) {
                return PlanJobs(options, control, observer);
            };
        } else if (flow_.ExportOneSection()) {
            const SectionSource source = SectionsAtMarkers(file_, cuts_.Markers);
            ExportOptions options{source, LocalName(exportFileName_), exportSection_};
            options.Wav = NamesWavFile(options.FileName);
            planner = [options](JobObserver& observer, const JobControl&) { return PlanJobs(options, observer); };
        } else if (splitPage_->Output() != SplitOptionsPage::Files::EachOwn) {
            SplitOptions naming;
            splitPage_->Apply(naming);
            naming.Source = SectionsOf(file_, cuts_);
            const CutOptions options =
                ChosenSectionsAsOneFile(naming, splitPage_->Output() == SplitOptionsPage::Files::OneStream);
            planner = [options](JobObserver& observer, const JobControl&) { return PlanJobs(options, observer); };
        } else {
            SplitRequest request{.File = file_, .Cuts = cuts_};
            splitPage_->Apply(request.Naming);
            request.MeasureLoudness = splitPage_->MeasureLoudness();
            // The sections are cut and tagged here, so that a cue sheet that
            // cannot be read is told before the run; the measurement decodes
            // the whole source, so it runs with the plan on the run's thread,
            // showing progress and obeying Cancel.
            const SplitRecipe recipe(request);
            planner = [recipe](JobObserver& observer, const JobControl& control) {
                // Cancelled: nothing to run.
                return recipe.Plan(control, observer).value_or(JobList(JobTool::Split));
            };
        }
    } catch (const std::exception& failure) {
        QMessageBox::critical(this, QLatin1String(kProgramTitle), QString::fromStdString(failure.what()));
        return;
    }
    if (!flow_.Start())
        return;
    ShowState();
    run_.Plan(std::move(planner));
}

void SaveWizard::Planned(const QString& failure)
{
    if (!failure.isEmpty()) {
        EndRun(true, failure);
        return;
    }
    if (run_.Control().Cancelled()) {
        run_.Discard();
        EndRun(true, {});
        return;
    }
    if (!AcceptOtherNames()) {
        run_.Discard();
        EndRun(false, {});
        return;
    }
    if (run_.WillOverwrite()) {
        // Like every message of the program: the information icon, and
        // Enter answers OK.
        const auto answer = QMessageBox::information(this, QLatin1String(kProgramTitle),
                                                     QString::fromLatin1(kOverwriteQuestion),
                                                     QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
        if (answer != QMessageBox::Ok) {
            // Declined: the plan's temporary files go, nothing is written,
            // and the run ends as a finished one.
            run_.Discard();
            EndRun(false, {});
            return;
        }
    }
    run_.Run();
}

bool SaveWizard::AcceptOtherNames()
{
    QStringList notes;
    for (const std::string& note : run_.NameNotes())
        notes << QString::fromStdString(note);
    if (notes.isEmpty())
        return true;
    QMessageBox box(QMessageBox::Information, QLatin1String(kProgramTitle), QString::fromLatin1(kOtherNamesQuestion),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Ok);
    box.setInformativeText(notes.mid(0, kNotesShown).join(QLatin1Char('\n')) +
                           (notes.size() > kNotesShown ? QStringLiteral("\n...") : QString()));
    if (notes.size() > kNotesShown)
        box.setDetailedText(notes.join(QLatin1Char('\n')));
    return box.exec() == QMessageBox::Ok;
}

void SaveWizard::EndRun(bool closeAsCancelled, const QString& failure)
{
    run_.End();
    flow_.RunEnded();
    ShowState();
    if (!failure.isEmpty())
        QMessageBox::critical(this, QLatin1String(kProgramTitle), failure);
    if (closeAsCancelled)
        QDialog::reject();
}

// A catalog written without the files it could not read names them, so that
// none is missed in silence.
void SaveWizard::ShowPassedOver()
{
    if (run_.PassedOver().empty())
        return;
    QStringList problems;
    for (const std::string& problem : run_.PassedOver())
        problems << QString::fromStdString(problem);
    QMessageBox::information(this, QLatin1String(kProgramTitle),
                             tr("The catalog lists every other file; these could not be read:\n\n%1")
                                 .arg(problems.join(QLatin1Char('\n'))));
}

void SaveWizard::TogglePause()
{
    run_.Control().SetPaused(!run_.Control().Paused());
}

void SaveWizard::reject()
{
    if (flow_.Running()) {
        run_.Control().RequestCancel();
        return;
    }
    QDialog::reject();
}

void SaveWizard::closeEvent(QCloseEvent* event)
{
    if (flow_.Running()) {
        run_.Control().RequestCancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void SaveWizard::ShowReports(const SaveWizardRun::Reports& reports)
{
    finalCurrent_->setText(ShownName(reports.CurrentFile));
    finalTotal_->setText(QString::fromStdString(reports.TotalText));
    finalProcess_->setText(QString::fromStdString(reports.ProcessText));
    if (reports.Maximum > 0) {
        // Scaled so that byte counts beyond the int range still fit the bar.
        const std::int64_t divisor = reports.Maximum / kBarLimit + 1;
        finalProgress_->setRange(0, static_cast<int>(reports.Maximum / divisor));
        finalProgress_->setValue(
            static_cast<int>(std::clamp<std::int64_t>(reports.Position, 0, reports.Maximum) / divisor));
    }
}

} // namespace oq
