#include "gui/savewizard/JoinListPage.h"

#include "gui/controls/EzRgnButton.h"
#include "gui/controls/LocalFileName.h"
#include "gui/controls/OutputChoice.h"
#include "gui/savewizard/WizardWidgets.h"

#include <QLineEdit>

namespace oq {

namespace {

// The row of list buttons under the view.
constexpr QSize kListButtonSize{50, 22};
constexpr int kListButtonStep = 53;
constexpr QPoint kListButtonsPlace{4, 128};

} // namespace

JoinListPage::JoinListPage(QWidget* parent, const SaveWizardDialogs& dialogs, const QString& lastFolder)
    : FileListPage(parent, "JoinAddPanel1", dialogs, lastFolder, "JoinListBox1", {4, 4, 372, 120})
{
    const auto button = [this](const char* name, const QString& caption, int index) {
        return TextButton(this, name, caption,
                          QRect(kListButtonsPlace + QPoint(index * kListButtonStep, 0), kListButtonSize));
    };
    auto* add = button("Join_Add2", tr("Add"), 0);
    delete_ = button("Join_Del2", tr("Delete"), 1);
    clear_ = button("Join_Clear2", tr("Clear"), 2);
    up_ = button("Join_Up2", tr("Up"), 3);
    down_ = button("Join_Down2", tr("Down"), 4);
    sortAtoZ_ = button("Join_AtoZ2", tr("A->Z"), 5);
    sortZtoA_ = button("Join_ZtoA2", tr("Z->A"), 6);
    Caption(this, "JoinLbl1", tr("Total Number Of Files:"), {8, 158, 180, 20});
    files_ = ReadOnlyEdit(this, "JoinTxt1", {200, 158, 170, 20}, tr("Total Number Of Files"));
    files_->setMaxLength(6);
    Caption(this, "JoinLbl2", tr("Total Length Of Join:"), {8, 182, 180, 20});
    length_ = ReadOnlyEdit(this, "JoinTxt2", {200, 182, 170, 20}, tr("Total Length Of Join"));
    length_->setMaxLength(12);
    Caption(this, "JoinLbl3", tr("Total Size Of Join:"), {8, 206, 180, 20});
    size_ = ReadOnlyEdit(this, "JoinTxt3", {200, 206, 170, 20}, tr("Total Size Of Join"));
    size_->setMaxLength(20);
    Caption(this, "Label9", tr("Joined File For Output:"), {8, 230, 360, 18});
    outputEdit_ = ReadOnlyEdit(this, "JoinEdit1", {8, 249, 326, 22}, tr("Custom Output"));
    auto* browse = BrowseButton(this, "JoinBrowse", {342, 249});

    connect(add, &EzRgnButton::clicked, this, &JoinListPage::AddFiles);
    connect(delete_, &EzRgnButton::clicked, this, [this] { Edit(&ToolFileList::Delete); });
    connect(clear_, &EzRgnButton::clicked, this, [this] { Edit(&ToolFileList::Clear); });
    connect(up_, &EzRgnButton::clicked, this, [this] { Edit(&ToolFileList::Up); });
    connect(down_, &EzRgnButton::clicked, this, [this] { Edit(&ToolFileList::Down); });
    connect(sortAtoZ_, &EzRgnButton::clicked, this, [this] { Edit(&ToolFileList::SortAtoZ); });
    connect(sortZtoA_, &EzRgnButton::clicked, this, [this] { Edit(&ToolFileList::SortZtoA); });
    connect(browse, &EzRgnButton::clicked, this, &JoinListPage::BrowseOutput);
}

bool JoinListPage::Ready() const
{
    return List().JoinReady(output_.toStdString());
}

JoinOptions JoinListPage::Options() const
{
    return {List().Entries(), LocalName(output_)};
}

void JoinListPage::RefreshControls()
{
    const ToolFileList& list = List();
    sortAtoZ_->SetEnabled(list.CanSort());
    sortZtoA_->SetEnabled(list.CanSort());
    files_->setText(QString::fromStdString(list.TotalFilesText()));
    length_->setText(QString::fromStdString(list.TotalLengthText()));
    size_->setText(QString::fromStdString(list.TotalSizeText()));
    clear_->SetEnabled(list.CanClear());
    delete_->SetEnabled(list.CanDelete());
    up_->SetEnabled(list.CanUp());
    down_->SetEnabled(list.CanDown());
    emit changed();
}

void JoinListPage::BrowseOutput()
{
    const QString chosen =
        dialogs_.SaveFile(QStringLiteral("Joined.ogg"), OggFileFilters(), QStringLiteral("ogg"));
    std::vector<std::string> inputs;
    for (const MPEGData& file : List().Entries())
        inputs.push_back(file.FileName);
    if (chosen.isEmpty() || !AcceptOutputChoice(window(), QLatin1String(kProgramTitle), chosen, inputs))
        return;
    output_ = chosen;
    outputEdit_->setText(chosen);
    RefreshControls();
}

} // namespace oq
