#pragma once

#include "jobs/JobPlanner.h"
#include "gui/controls/TranPanel.h"
#include "gui/savewizard/SaveWizardDialogs.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace oq {

class EzRgnButton;

// Where the split writes its sections and how it names them, with an
// example name that follows the naming choices as they are typed.
class SplitOptionsPage : public TranPanel {
    Q_OBJECT

public:
    // `dialogs` belongs to the window and outlives the page.
    SplitOptionsPage(QWidget* parent, const SaveWizardDialogs& dialogs);

    // What each opening sets; the other choices keep their values.
    // `cueTitles`: the sections come from a cue sheet or titled markers and may be named after them.
    // `sections`: what the example name is built for (the section count sets
    // the zeros, the codec the extension).
    void Open(const QString& outputFolder, const QString& postText, bool cueTitles = false,
              const SectionSource& sections = {});
    // Fills the folder and naming choices of `options`; the source is not the page's.
    void Apply(SplitOptions& options) const;
    // Whether each section is to get its own loudness, measured before the cut.
    bool MeasureLoudness() const;

    // How the chosen sections are written: a file each, or all in one file
    // as a chain of links or as one stream.
    enum class Files { EachOwn = 0, OneChained = 1, OneStream = 2 };
    Files Output() const;

private:
    void BrowseFolder();
    void RefreshExample();
    // One file has no numbered names and no loudness per section.
    void RefreshOutput();

    const SaveWizardDialogs& dialogs_;
    QString folder_;
    SectionSource source_{};
    QLineEdit* folderEdit_ = nullptr;
    QComboBox* sections_ = nullptr;
    QComboBox* files_ = nullptr;
    QLineEdit* preText_ = nullptr;
    QLineEdit* postText_ = nullptr;
    QCheckBox* zeros_ = nullptr;
    QCheckBox* replayGain_ = nullptr;
    QCheckBox* titles_ = nullptr;
    QLabel* example_ = nullptr;
};

} // namespace oq
