#pragma once

#include "model/SplitCalculator.h"

#include <QDialog>
#include <QPixmap>
#include <QString>

#include <cstdint>
#include <functional>
#include <span>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace oq {

class EzRgnButton;
class MarkerList;
class NumericField;
struct MPEGData;

// The borderless split wizard: five ways of laying a new marker list over
// the open file, and a snap of counted markers into pauses. The window is
// made once and reused, so its fields, method and cue sheet stay from one
// opening to the next; every number, text and rule comes from its
// SplitCalculator, the window only shows them.
//
// Every control carries its name as its objectName ("SplitRadio1",
// "SplitSectionTotal", "cueBrowse", "SplitRadio5", "SplitPauseLevel",
// "SplitPauseLength", "SplitSnap", "SplitSnapReach", "newOkay", ...).
class SplitWizard : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize kSize{392, 440};
    static constexpr const char* kHelpTopic = "split.html";

    // Picks a cue sheet to read, starting in `folder`; empty when the user
    // cancels. Tests put their own chooser in place of the file dialog.
    using CueChooser = std::function<QString(const QString& folder)>;

    explicit SplitWizard(QWidget* parent = nullptr);

    void SetCueChooser(CueChooser chooser);
    // The folder the cue sheet dialog starts in, when it exists.
    void SetStartFolder(const QString& folder) { startFolder_ = folder; }

    // Opens the window modally on `file`, its `method` chosen; OK replaces
    // `markers` as the chosen method says, the pause method and the snap
    // searching `profile` (the file's amplitude profile, held by the
    // caller until Run returns). Returns QDialog::Accepted for OK.
    int Run(const MPEGData& file, std::span<const std::int16_t> profile, MarkerList& markers,
            SplitMethod method = SplitMethod::SectionCount);

    const SplitCalculator& Calculator() const noexcept { return calculator_; }
    // The cue sheet whose tracks the markers were last laid at by OK; empty
    // when the last OK used another method.
    const std::string& AppliedCueSheet() const noexcept { return appliedCue_; }

signals:
    void helpRequested(const QString& topic);

private:
    void BuildControls();
    void BuildPauseControls();
    void Connect();
    // Writes the calculator's texts and enabled states into the controls.
    void Sync();
    void SelectMethod(SplitMethod method);
    void Recompute(void (SplitCalculator::*request)());
    void TidyPauseFields();
    void BrowseCue();
    void Okay();
    // Says which cue tracks gave no marker because their start could not be read.
    void ReportSkipped(const CueSkips& skipped);

    SplitCalculator calculator_;
    MarkerList* markers_ = nullptr;
    std::span<const std::int16_t> profile_;
    CueChooser chooseCue_;
    QString startFolder_;
    std::string loadedCue_;  // the sheet the calculator holds
    std::string appliedCue_;

    QLabel* background_ = nullptr;
    static constexpr int kMethods = 5;
    QRadioButton* radios_[kMethods] = {};
    NumericField* total_ = nullptr;
    NumericField* length_ = nullptr;
    NumericField* size_ = nullptr;
    QLabel* totalCaption_ = nullptr;
    QLabel* lengthCaption_ = nullptr;
    QLabel* sizeCaption_ = nullptr;
    QLineEdit* cueName_ = nullptr;
    EzRgnButton* cueBrowse_ = nullptr;
    NumericField* pauseLevel_ = nullptr;
    QLabel* pauseLevelCaption_ = nullptr;
    QLabel* pauseLengthLabel_ = nullptr;
    NumericField* pauseLength_ = nullptr;
    QLabel* pauseLengthCaption_ = nullptr;
    QCheckBox* snap_ = nullptr;
    NumericField* snapReach_ = nullptr;
    QLabel* snapCaption_ = nullptr;
    EzRgnButton* help_ = nullptr;
    EzRgnButton* okay_ = nullptr;
    EzRgnButton* cancel_ = nullptr;
};

} // namespace oq
