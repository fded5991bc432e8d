#pragma once

#include "model/SplitCalculator.h"

#include <QDialog>
#include <QPixmap>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QRadioButton;

namespace oq {

class EzRgnButton;
class MarkerList;
class NumericField;
struct MPEGData;

// The borderless split wizard: four ways of laying a new marker list over
// the open file. The window is made once and reused, so its fields, method
// and cue sheet stay from one opening to the next; every number, text and
// rule comes from its SplitCalculator, the window only shows them.
//
// Every control carries its name as its objectName ("SplitRadio1",
// "SplitSectionTotal", "cueBrowse", "newOkay", ...).
class SplitWizard : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize kSize{392, 360};
    static constexpr const char* kHelpTopic = "split.html";

    // Picks a cue sheet to read, starting in `folder`; empty when the user
    // cancels. Tests put their own chooser in place of the file dialog.
    using CueChooser = std::function<QString(const QString& folder)>;

    explicit SplitWizard(QWidget* parent = nullptr);

    void SetCueChooser(CueChooser chooser);
    // The folder the cue sheet dialog starts in, when it exists.
    void SetStartFolder(const QString& folder) { startFolder_ = folder; }

    // Opens the window modally on `file`; OK replaces `markers` as the
    // chosen method says. Returns QDialog::Accepted for OK.
    int Run(const MPEGData& file, MarkerList& markers);

    const SplitCalculator& Calculator() const noexcept { return calculator_; }
    // The cue sheet whose tracks the markers were last laid at by OK; empty
    // when the last OK used another method.
    const std::string& AppliedCueSheet() const noexcept { return appliedCue_; }

signals:
    void helpRequested(const QString& topic);

private:
    void BuildControls();
    void Connect();
    // Writes the calculator's texts and enabled states into the controls.
    void Sync();
    void SelectMethod(SplitMethod method);
    void Recompute(void (SplitCalculator::*request)());
    void BrowseCue();
    void Okay();
    // Says which cue tracks gave no marker because their start could not be read.
    void ReportSkipped(const CueSkips& skipped);

    SplitCalculator calculator_;
    MarkerList* markers_ = nullptr;
    CueChooser chooseCue_;
    QString startFolder_;
    std::string loadedCue_;  // the sheet the calculator holds
    std::string appliedCue_;

    QLabel* background_ = nullptr;
    QRadioButton* radios_[4] = {};
    NumericField* total_ = nullptr;
    NumericField* length_ = nullptr;
    NumericField* size_ = nullptr;
    QLabel* totalCaption_ = nullptr;
    QLabel* lengthCaption_ = nullptr;
    QLabel* sizeCaption_ = nullptr;
    QLineEdit* cueName_ = nullptr;
    EzRgnButton* cueBrowse_ = nullptr;
    EzRgnButton* help_ = nullptr;
    EzRgnButton* okay_ = nullptr;
    EzRgnButton* cancel_ = nullptr;
};

} // namespace oq
