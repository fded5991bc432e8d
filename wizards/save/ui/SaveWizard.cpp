#include "wizards/save/ui/SaveWizard.h"

#include "engine/Error.h"
#include "engine/JobObserver.h"
#include "engine/JobPlanner.h"
#include "shell/ui/EzRgnButton.h"
#include "shell/ui/Skin.h"
#include "shell/ui/TranPanel.h"
#include "shell/ui/WindowDragger.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>

#include <algorithm>
#include <exception>

namespace oq {

namespace {

constexpr int kFontPixels = 11;
constexpr QRect kPagePlace{6, 36, 380, 274};
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
constexpr const char* kProgramTitle = "Ogg Quorvel 2003";

std::string LocalName(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

QString ShownName(const std::string& name)
{
    return QFile::decodeName(QByteArray::fromStdString(name));
}

QString DefaultFolderChooser(QWidget* parent, const QString& current)
{
    QFileDialog dialog(parent, QObject::tr("Select Directory for Split Section Output:"), current);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, QObject::tr("Select Directory..."));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
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
      chooseFolder_([this](const QString& current) { return DefaultFolderChooser(this, current); })
{
    setObjectName(QStringLiteral("SaveWizardForm"));
    setWindowTitle(tr("Save Wizard"));
    setFixedSize(kSize);
    setModal(true);
    setPalette(SkinPalette());
    QFont font = this->font();
    font.setPixelSize(kFontPixels);
    setFont(font);

    background_ = new QLabel(this);
    background_->setObjectName(QStringLiteral("BackImage1"));
    background_->setGeometry(QRect(QPoint(0, 0), kSize));
    background_->setPixmap(SkinBackground(SkinWindow::SaveWizard, devicePixelRatioF()));
    WindowDragger::Install(background_);
    BuildSplitPage();
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

void SaveWizard::SetFolderChooser(FolderChooser chooser)
{
    chooseFolder_ = std::move(chooser);
}

// --- Building ---------------------------------------------------------------------

void SaveWizard::BuildButtons()
{
    const qreal ratio = devicePixelRatioF();
    const auto make = [&](const char* name, const QString& caption, QPoint place) {
        auto* button = new EzRgnButton(this);
        button->setObjectName(QLatin1String(name));
        button->SetImageList(SkinTextButtonPictures(caption, kTextButtonSize, ratio));
        button->SetPaintMode(PaintMode::pmCrop);
        button->move(place);
        button->setToolTip(caption);
        button->setCursor(Qt::PointingHandCursor);
        return button;
    };
    help_ = make("Wizard_Help", tr("Help"), kHelpPlace);
    back_ = make("Wizard_Back", tr("Back"), kBackPlace);
    next_ = make("Wizard_Next", tr("Next"), kSharedPlace);
    start_ = make("Wizard_Start", tr("Start"), kSharedPlace);
    pause_ = make("Wizard_Pause", tr("Pause"), kSharedPlace);
    done_ = make("Wizard_Done", tr("Done"), kSharedPlace);
    cancel_ = make("Wizard_Cancel", tr("Cancel"), kCancelPlace);
}

void SaveWizard::BuildSplitPage()
{
    splitPage_ = new TranPanel(this);
    splitPage_->setObjectName(QStringLiteral("SplitFilePanel1"));
    splitPage_->setGeometry(kPagePlace);
    WindowDragger::Install(splitPage_);
    const auto label = [this](const char* name, const QString& text, const QRect& place) {
        auto* l = new QLabel(text, splitPage_);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(place);
        return l;
    };
    label("Label1", tr("Select Output Directory for Split Parts:"), {10, 6, 360, 18});
    splitDir_ = new QLineEdit(splitPage_);
    splitDir_->setObjectName(QStringLiteral("SplitDirEdit1"));
    splitDir_->setGeometry(10, 26, 322, 22);
    splitDir_->setReadOnly(true);
    splitDir_->setToolTip(tr("Output Directory"));
    splitBrowse_ = new EzRgnButton(splitPage_);
    splitBrowse_->setObjectName(QStringLiteral("EzRgnBtn1"));
    splitBrowse_->SetImageList(SkinButtonPictures(SkinButton::Browse, devicePixelRatioF()));
    splitBrowse_->SetPaintMode(PaintMode::pmCrop);
    splitBrowse_->move(340, 26);
    splitBrowse_->setToolTip(tr("Browse"));
    splitBrowse_->setCursor(Qt::PointingHandCursor);

    label("SplitFile_Label1", tr("Select the Sections to create:"), {10, 60, 200, 18});
    splitSections_ = new QComboBox(splitPage_);
    splitSections_->setObjectName(QStringLiteral("SplitFile_Sections"));
    splitSections_->setGeometry(210, 58, 150, 22);
    splitSections_->setToolTip(tr("Sections To Create"));
    splitSections_->addItems({tr("All Sections"), tr("Odd Sections"), tr("Even Sections")});

    label("SplitFile_Label2", tr("Select the Custom Filename options for output:"), {10, 96, 360, 18});
    label("SplitFile_Label3", tr("Pre Section Number Text:"), {10, 120, 160, 22});
    preText_ = new QLineEdit(QStringLiteral("Part "), splitPage_);
    preText_->setObjectName(QStringLiteral("SplitFile_PreText"));
    preText_->setGeometry(172, 120, 188, 22);
    preText_->setToolTip(tr("Pre Section Number Text"));
    label("SplitFile_Label4", tr("Post Section Number Text:"), {10, 148, 160, 22});
    postText_ = new QLineEdit(splitPage_);
    postText_->setObjectName(QStringLiteral("SplitFile_PostText"));
    postText_->setGeometry(172, 148, 188, 22);
    postText_->setToolTip(tr("Post Section Number Text"));
    zeros_ = new QCheckBox(tr("Add Preceding 0's to Section Numbers"), splitPage_);
    zeros_->setObjectName(QStringLiteral("SplitFile_Zeros"));
    zeros_->setGeometry(10, 178, 360, 22);
    zeros_->setChecked(true);

    label("SplitFile_Label5", tr("Example Filename:"), {10, 214, 360, 18});
    example_ = label("SplitFile_Example", QString(), {10, 236, 300, 20});
    QFont bold = font();
    bold.setBold(true);
    example_->setFont(bold);
}

void SaveWizard::BuildFinalPage()
{
    finalPage_ = new TranPanel(this);
    finalPage_->setObjectName(QStringLiteral("FinalPanel1"));
    finalPage_->setGeometry(kPagePlace);
    WindowDragger::Install(finalPage_);
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

    connect(splitBrowse_, &EzRgnButton::clicked, this, &SaveWizard::BrowseFolder);
    connect(preText_, &QLineEdit::textChanged, this, &SaveWizard::RefreshExample);
    connect(postText_, &QLineEdit::textChanged, this, &SaveWizard::RefreshExample);
    connect(zeros_, &QCheckBox::toggled, this, &SaveWizard::RefreshExample);
}

// --- Opening and pages --------------------------------------------------------------

int SaveWizard::ShowSplit(const MPEGData& file, const std::vector<std::int32_t>& markerPositions,
                          const QString& outputFolder)
{
    file_ = file;
    markers_ = markerPositions;
    splitFolder_ = outputFolder;
    splitDir_->setText(outputFolder);
    postText_->setText(QStringLiteral(" - ") + QFileInfo(ShownName(file.FileName)).fileName());
    RefreshExample();
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
    ShowState();
    return exec();
}

void SaveWizard::ShowState()
{
    const WizardPage page = flow_.Page();
    splitPage_->setVisible(page == WizardPage::SplitOptions);
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

void SaveWizard::RefreshExample()
{
    example_->setText(QString::fromStdString(
        SplitExampleName(preText_->text().toStdString(), zeros_->isChecked(), postText_->text().toStdString())));
}

void SaveWizard::BrowseFolder()
{
    const QString chosen = chooseFolder_(splitFolder_);
    if (chosen.isEmpty())
        return;
    splitFolder_ = chosen;
    splitDir_->setText(chosen);
}

void SaveWizard::Next()
{
    if (flow_.Next())
        ShowState();
}

void SaveWizard::Back()
{
    if (flow_.Back())
        ShowState();
}

// --- The run --------------------------------------------------------------------------

void SaveWizard::Start()
{
    try {
        const SectionSource source = SectionsFromMarkers(file_, markers_);
        if (flow_.ExportOneSection()) {
            ExportOptions options{source, LocalName(exportFileName_), exportSection_};
            planner_ = [options](JobObserver& observer) { return PlanJobs(options, observer); };
        } else {
            SplitOptions options;
            options.Source = source;
            options.OutputFolder = LocalName(splitFolder_);
            options.Sections = static_cast<SectionChoice>(std::max(0, splitSections_->currentIndex()));
            options.PreText = preText_->text().toStdString();
            options.PostText = postText_->text().toStdString();
            options.Zeros = zeros_->isChecked();
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
