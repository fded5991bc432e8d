#pragma once

#include "gui/controls/TranPanel.h"
#include "model/ToolFileList.h"
#include "gui/savewizard/SaveWizardDialogs.h"

class QTreeWidget;

namespace oq {

// A page built around a list of Ogg files the user adds, edits and orders;
// it owns the list, keeps its view in step with it, and tells the window
// through changed() when whether it is ready may have changed.
class FileListPage : public TranPanel {
    Q_OBJECT

public:
    const ToolFileList& List() const noexcept { return list_; }
    // The window may go on to the next page.
    virtual bool Ready() const = 0;
    // Shows the list again and brings the controls in step with it.
    void Refresh();

signals:
    void changed();
    // The user chose files in `folder`: the next Add starts there.
    void filesChosenIn(const QString& folder);

protected:
    // `dialogs` and `lastFolder` belong to the window and outlive the page.
    FileListPage(QWidget* parent, const char* name, const SaveWizardDialogs& dialogs, const QString& lastFolder,
                 const char* viewName, const QRect& viewPlace);

    // Enables the controls by the list's state, then emits changed().
    virtual void RefreshControls() = 0;
    void AddFiles();
    void Edit(void (ToolFileList::*edit)());

    const SaveWizardDialogs& dialogs_;

private:
    void ShowList();

    const QString& lastFolder_;
    ToolFileList list_;
    QTreeWidget* view_ = nullptr;
};

} // namespace oq
