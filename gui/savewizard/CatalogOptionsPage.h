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

// What the catalog lists (a folder, a file name filter) and how it is
// written (built-in format or a custom template, and the output file).
class CatalogOptionsPage : public TranPanel {
    Q_OBJECT

public:
    // `dialogs` belongs to the window and outlives the page.
    CatalogOptionsPage(QWidget* parent, const SaveWizardDialogs& dialogs);

    // Both the folder to catalog and the output file are chosen.
    bool Ready() const;
    CatalogOptions Options() const;
    // Emits changed() so that the window takes the page's readiness again.
    void Refresh();

signals:
    void changed();

private:
    void ModeChanged();
    void BrowseTemplate();
    void BrowseFolder();
    void BrowseOutput();

    const SaveWizardDialogs& dialogs_;
    QComboBox* mode_ = nullptr;
    QLabel* customLabel_ = nullptr;
    QLineEdit* template_ = nullptr;
    EzRgnButton* templateBrowse_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QLineEdit* output_ = nullptr;
    QComboBox* filter_ = nullptr;
    QCheckBox* subFolders_ = nullptr;
};

} // namespace oq
