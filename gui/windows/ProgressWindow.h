#pragma once

#include "tools/AmplitudeProfile.h"
#include "gui/controls/WorkerThread.h"

#include <QDialog>
#include <QPixmap>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class QProgressBar;

namespace oq {

class EzRgnButton;
struct MPEGData;

// The small borderless window that decodes the open file into its amplitude
// profile, showing how far it has come and offering Cancel. The decoding
// runs on a worker thread, so the window repaints and Cancel takes effect
// while it runs; the profile is looked at for a cancel once per block, after
// the block's entry is stored.
class ProgressWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize kSize{224, 119};
    // The modal results: the analysis ran to the end, or it did not (Cancel,
    // or the file could no longer be opened).
    static constexpr int kResultOk = 1;
    static constexpr int kResultCancel = 2;
    // How often the bar catches up with the worker: smooth to the eye
    // without a repaint per block (a long file has tens of thousands).
    static constexpr int kProgressIntervalMs = 15;

    // What runs on the worker: ComputeAmplitudeProfile, unless a test puts
    // something around it.
    using Analysis = std::function<AmplitudeProfile(const std::string& fileName, const std::atomic<bool>& cancelled,
                                                    const ProfileProgress& progress)>;

    explicit ProgressWindow(QWidget* parent = nullptr);
    ~ProgressWindow() override;

    void SetAnalysis(Analysis analysis);

    // Shows the window modally and decodes `file` into `profile`. When it ran
    // to the end: `profile` is complete, file.BlockCount its last index and
    // file.ProfileComplete set, result kResultOk. After Cancel: `profile`
    // holds the blocks done so far (not complete), BlockCount and
    // ProfileComplete keep their values, result kResultCancel. When the file
    // cannot be opened any more: `profile` is empty, BlockCount keeps the
    // estimate, ProfileComplete is off, result kResultCancel.
    int Analyse(MPEGData& file, AmplitudeProfile& profile);

    // Set by Cancel, cleared when an analysis starts.
    bool AnalysisCancelled() const noexcept { return cancelled_.load(); }
    bool Running() const noexcept { return running_; }

    QProgressBar* ProgressBar() const noexcept { return progressBar_; }
    EzRgnButton* CancelButton() const noexcept { return cancelButton_; }

public slots:
    // The Cancel button: the analysis stops after the block in hand.
    void Cancel();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape cancels the analysis instead of closing the window under it.
    void reject() override;

private:
    void Start();
    void ShowProgress();
    void Finish(const QString& failure);
    void PrepareSkin();

    Analysis analysis_;
    QProgressBar* progressBar_;
    EzRgnButton* cancelButton_;
    QPixmap background_;

    MPEGData* file_ = nullptr;
    AmplitudeProfile* profile_ = nullptr;
    bool running_ = false;
    std::atomic<bool> cancelled_{false};
    std::atomic<std::int32_t> lastIndex_{-1};
    // Written by the worker before it ends; read after the join.
    AmplitudeProfile result_;
    // Last, so that it is joined before anything it uses goes.
    WorkerThread worker_{kProgressIntervalMs};
};

} // namespace oq
