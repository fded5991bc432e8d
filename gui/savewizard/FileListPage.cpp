#include "gui/savewizard/FileListPage.h"

#include "media/OggFileInfo.h"
#include "gui/controls/LocalFileName.h"
#include "gui/controls/QuietFailure.h"
#include "gui/savewizard/WizardWidgets.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <exception>

namespace oq {

FileListPage::FileListPage(QWidget* parent, const char* name, const SaveWizardDialogs& dialogs,
                           const QString& lastFolder, const char* viewName, const QRect& viewPlace)
    : TranPanel(parent), dialogs_(dialogs), lastFolder_(lastFolder)
{
    PlaceWizardPage(*this, name);
    view_ = FileListView(this, viewName, viewPlace);
    connect(view_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> chosen = view_->selectedItems();
        list_.Select(chosen.isEmpty() ? ToolFileList::kNone : view_->indexOfTopLevelItem(chosen.front()));
        RefreshControls();
    });
}

void FileListPage::Refresh()
{
    ShowList();
    RefreshControls();
}

void FileListPage::AddFiles()
{
    const QStringList chosen = dialogs_.OpenOggFiles(lastFolder_);
    if (chosen.isEmpty())
        return;
    emit filesChosenIn(QFileInfo(chosen.front()).absolutePath());
    bool anyRejected = false;
    for (const QString& name : chosen) {
        try {
            list_.Append(ReadOggFileInfo(LocalName(name)));
        } catch (const std::exception& failure) {
            // Unreadable (gone, no permission) or not Ogg Vorbis or Opus: refused
            // alike, with one message for all of them.
            NoteQuietFailure("Adding a file to the list", failure);
            anyRejected = true;
        }
    }
    ShowList();
    if (anyRejected)
        QMessageBox::information(window(), QLatin1String(kProgramTitle), tr("Not a Valid Ogg File."));
    Refresh();
}

void FileListPage::Edit(void (ToolFileList::*edit)())
{
    (list_.*edit)();
    Refresh();
}

void FileListPage::ShowList()
{
    const QSignalBlocker quiet(view_);
    view_->clear();
    for (const ToolFileRow& row : list_.Rows()) {
        auto* item = new QTreeWidgetItem(view_);
        const std::string* texts[] = {&row.No, &row.Filename, &row.Bitrate, &row.Length, &row.FileSize};
        for (int column = 0; column < 5; ++column)
            item->setText(column, ShownName(*texts[column]));
    }
    if (list_.Selected() != ToolFileList::kNone)
        view_->topLevelItem(list_.Selected())->setSelected(true);
}

} // namespace oq
