#include "gui/windows/ProgressWindow.h"

#include "media/MPEGData.h"
#include "gui/controls/EzRgnButton.h"
#include "gui/controls/QuietFailure.h"
#include "gui/controls/Skin.h"
#include "gui/controls/WindowDragger.h"

#include <QCloseEvent>
#include <QPainter>
#include <QProgressBar>

#include <algorithm>

namespace oq {

namespace {

constexpr QRect kProgressBarPlace{11, 35, 201, 24};
constexpr QRect kCancelPlace{78, 81, 67, 29};

} // namespace

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      analysis_([](const std::string& fileName, const std::atomic<bool>& cancelled, const ProfileProgress& progress) {
          return ComputeAmplitudeProfile(fileName, cancelled, progress);
      }),
      progressBar_(new QProgressBar(this)), cancelButton_(new EzRgnButton(this))
{
    setFixedSize(kSize);
    setModal(true);
    setFont(QFont(QStringLiteral("Tahoma")));
    setPalette(SkinPalette());
    WindowDragger::Install(this);

    progressBar_->setGeometry(kProgressBarPlace);
    progressBar_->setToolTip(tr("Frame Processing..."));
    progressBar_->setTextVisible(false);
    progressBar_->setRange(0, 0);

    cancelButton_->move(kCancelPlace.topLeft());
    cancelButton_->SetPaintMode(PaintMode::pmCrop);
    cancelButton_->setToolTip(tr("Cancel"));
    cancelButton_->setCursor(Qt::PointingHandCursor);
    connect(cancelButton_, &EzRgnButton::clicked, this, &ProgressWindow::Cancel);

    connect(&worker_, &WorkerThread::reportsReady, this, &ProgressWindow::ShowProgress);
    PrepareSkin();
}

ProgressWindow::~ProgressWindow()
{
    // The worker, joined as the last member goes, stops after its block.
    cancelled_.store(true);
}

void ProgressWindow::SetAnalysis(Analysis analysis)
{
    analysis_ = std::move(analysis);
}

void ProgressWindow::PrepareSkin()
{
    const qreal ratio = devicePixelRatioF();
    if (!background_.isNull() && background_.devicePixelRatio() == ratio)
        return;
    background_ = SkinBackground(SkinWindow::Progress, ratio);
    cancelButton_->SetImageList(SkinTextButtonPictures(tr("Cancel"), kCancelPlace.size(), ratio));
}

int ProgressWindow::Analyse(MPEGData& file, AmplitudeProfile& profile)
{
    if (running_)
        return kResultCancel;
    file_ = &file;
    profile_ = &profile;
    cancelled_.store(false);
    progressBar_->setRange(0, file.BlockCount + 2);
    progressBar_->setValue(0);
    const int result = exec();
    file_ = nullptr;
    profile_ = nullptr;
    return result;
}

void ProgressWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    PrepareSkin();
    // Showing is the signal to begin; a window shown without a file to
    // analyse closes again at once.
    if (!running_)
        QMetaObject::invokeMethod(this, &ProgressWindow::Start, Qt::QueuedConnection);
}

void ProgressWindow::Start()
{
    if (running_)
        return;
    if (!file_ || !profile_) {
        done(kResultCancel);
        return;
    }
    running_ = true;
    lastIndex_.store(-1);
    worker_.Start(
        [this, fileName = file_->FileName] {
            result_ = analysis_(fileName, cancelled_, [this](std::int32_t index) {
                lastIndex_.store(index);
                worker_.Report();
            });
        },
        [this](const QString& failure) { Finish(failure); });
}

void ProgressWindow::ShowProgress()
{
    progressBar_->setValue(std::clamp(lastIndex_.load(), 0, progressBar_->maximum()));
}

void ProgressWindow::Finish(const QString& failure)
{
    ShowProgress();
    running_ = false;

    // Whatever stopped the decoder, the window must close and no profile
    // may be left half made.
    const bool workerFailed = !failure.isEmpty();
    if (workerFailed) {
        NoteQuietFailure(("Analysing \"" + file_->FileName + "\"").c_str(), failure);
        result_ = {};
    }
    int result = kResultOk;
    const bool unreadable = workerFailed || (!result_.Complete && result_.Entries.empty());
    if (unreadable) {
        // Nothing of this file was decoded: no profile, and the record keeps
        // the estimate that its information gave.
        *profile_ = {};
        file_->ProfileComplete = false;
        result = kResultCancel;
    } else if (cancelled_.load()) {
        // A cancel that came with the last block still counts: the user
        // asked for it, and the record says what the window reports.
        result_.Complete = false;
        *profile_ = std::move(result_);
        result = kResultCancel;
    } else {
        file_->BlockCount = result_.LastIndex();
        file_->ProfileComplete = true;
        *profile_ = std::move(result_);
    }
    result_ = {};
    progressBar_->setValue(0);
    done(result);
}

void ProgressWindow::Cancel()
{
    cancelled_.store(true);
}

void ProgressWindow::reject()
{
    if (running_)
        Cancel();
    else
        QDialog::reject();
}

void ProgressWindow::closeEvent(QCloseEvent* event)
{
    if (running_) {
        Cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ProgressWindow::paintEvent(QPaintEvent*)
{
    PrepareSkin();
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
}

} // namespace oq
