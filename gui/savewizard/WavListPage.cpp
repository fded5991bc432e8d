#include "gui/savewizard/WavListPage.h"

#include "gui/controls/EzRgnButton.h"
#include "gui/controls/LocalFileName.h"
#include "gui/savewizard/WizardWidgets.h"

#include <QLineEdit>
#include <QRadioButton>

namespace oq {

namespace {

constexpr QSize kListButtonSize{50, 22};

} // namespace

WavListPage::WavListPage(QWidget* parent, const SaveWizardDialogs& dialogs, const QString& lastFolder)
    : FileListPage(parent, "WavPanel1", dialogs, lastFolder, "WavListBox1", {4, 4, 372, 150})
{
    auto* add = TextButton(this, "Wav_Add", tr("Add"), QRect(QPoint(4, 158), kListButtonSize));
    delete_ = TextButton(this, "Wav_Del", tr("Delete"), QRect(QPoint(57, 158), kListButtonSize));
    clear_ = TextButton(this, "Wav_Clear", tr("Clear"), QRect(QPoint(110, 158), kListButtonSize));
    Caption(this, "WavLbl2", tr("Create Wav Files:"), {8, 188, 120, 20});
    beside_ = new QRadioButton(tr("Beside Each Ogg"), this);
    beside_->setObjectName(QStringLiteral("Wav_Radio2"));
    beside_->setGeometry(130, 188, 120, 20);
    beside_->setChecked(true);
    oneFolder_ = new QRadioButton(tr("In One Directory"), this);
    oneFolder_->setObjectName(QStringLiteral("Wav_Radio1"));
    oneFolder_->setGeometry(252, 188, 124, 20);
    Caption(this, "Label14", tr("Wav Output Directory:"), {8, 222, 360, 18});
    folderEdit_ = ReadOnlyEdit(this, "Wav_DirEdit", {8, 241, 326, 22}, tr("Custom Output"));
    folderBrowse_ = BrowseButton(this, "Wav_DirBrowse", {342, 241});

    connect(add, &EzRgnButton::clicked, this, &WavListPage::AddFiles);
    connect(delete_, &EzRgnButton::clicked, this, [this] { Edit(&ToolFileList::Delete); });
    connect(clear_, &EzRgnButton::clicked, this, [this] { Edit(&ToolFileList::Clear); });
    connect(beside_, &QRadioButton::toggled, this, &WavListPage::RefreshControls);
    connect(folderBrowse_, &EzRgnButton::clicked, this, &WavListPage::BrowseFolder);
}

bool WavListPage::Ready() const
{
    return List().Count() > 0 && (!oneFolder_->isChecked() || !folder_.isEmpty());
}

WavOptions WavListPage::Options() const
{
    return {List().FileNames(), oneFolder_->isChecked(), LocalName(folder_)};
}

void WavListPage::RefreshControls()
{
    const bool oneFolder = oneFolder_->isChecked();
    folderEdit_->setEnabled(oneFolder);
    folderBrowse_->SetEnabled(oneFolder);
    clear_->SetEnabled(List().CanClear());
    delete_->SetEnabled(List().CanDelete());
    emit changed();
}

void WavListPage::BrowseFolder()
{
    const QString chosen = dialogs_.ChooseFolder(tr("Select Directory for WAV Output:"), folder_);
    if (!chosen.isEmpty()) {
        folder_ = chosen;
        folderEdit_->setText(chosen);
    }
    RefreshControls();
}

} // namespace oq
