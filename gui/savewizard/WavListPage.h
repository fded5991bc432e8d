#pragma once

#include "jobs/JobPlanner.h"
#include "gui/savewizard/FileListPage.h"

class QLineEdit;
class QRadioButton;

namespace oq {

class EzRgnButton;

// The Ogg files to decode to WAV, and where the WAV files go.
class WavListPage : public FileListPage {
    Q_OBJECT

public:
    WavListPage(QWidget* parent, const SaveWizardDialogs& dialogs, const QString& lastFolder);

    bool Ready() const override;
    WavOptions Options() const;

protected:
    void RefreshControls() override;

private:
    void BrowseFolder();

    QString folder_;
    EzRgnButton* delete_ = nullptr;
    EzRgnButton* clear_ = nullptr;
    QRadioButton* beside_ = nullptr;
    QRadioButton* oneFolder_ = nullptr;
    QLineEdit* folderEdit_ = nullptr;
    EzRgnButton* folderBrowse_ = nullptr;
};

} // namespace oq
