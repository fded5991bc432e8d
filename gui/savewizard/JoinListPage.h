#pragma once

#include "jobs/JobPlanner.h"
#include "gui/savewizard/FileListPage.h"

class QLineEdit;

namespace oq {

class EzRgnButton;

// The files to join, in join order, with their totals and the joined file.
class JoinListPage : public FileListPage {
    Q_OBJECT

public:
    JoinListPage(QWidget* parent, const SaveWizardDialogs& dialogs, const QString& lastFolder);

    bool Ready() const override;
    JoinOptions Options() const;

protected:
    void RefreshControls() override;

private:
    void BrowseOutput();

    QString output_;
    EzRgnButton* delete_ = nullptr;
    EzRgnButton* clear_ = nullptr;
    EzRgnButton* up_ = nullptr;
    EzRgnButton* down_ = nullptr;
    EzRgnButton* sortAtoZ_ = nullptr;
    EzRgnButton* sortZtoA_ = nullptr;
    QLineEdit* files_ = nullptr;
    QLineEdit* length_ = nullptr;
    QLineEdit* size_ = nullptr;
    QLineEdit* outputEdit_ = nullptr;
};

} // namespace oq
