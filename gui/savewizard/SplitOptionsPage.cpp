#include "gui/savewizard/SplitOptionsPage.h"

#include "gui/controls/EzRgnButton.h"
#include "gui/controls/LocalFileName.h"
#include "base/PathParts.h"
#include "gui/savewizard/WizardWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace oq {

SplitOptionsPage::SplitOptionsPage(QWidget* parent, const SaveWizardDialogs& dialogs)
    : TranPanel(parent), dialogs_(dialogs)
{
    PlaceWizardPage(*this, "SplitFilePanel1");
    Caption(this, "Label1", tr("Select Output Directory for Split Parts:"), {10, 6, 360, 18});
    folderEdit_ = ReadOnlyEdit(this, "SplitDirEdit1", {10, 26, 322, 22}, tr("Output Directory"));
    auto* browse = BrowseButton(this, "EzRgnBtn1", {340, 26});

    Caption(this, "SplitFile_Label1", tr("Select the Sections to create:"), {10, 60, 200, 18});
    sections_ = new QComboBox(this);
    sections_->setObjectName(QStringLiteral("SplitFile_Sections"));
    sections_->setGeometry(210, 58, 150, 22);
    sections_->setToolTip(tr("Sections To Create"));
    sections_->addItems({tr("All Sections"), tr("Odd Sections"), tr("Even Sections")});

    Caption(this, "SplitFile_Label6", tr("Write them as:"), {10, 81, 200, 18});
    files_ = new QComboBox(this);
    files_->setObjectName(QStringLiteral("SplitFile_Files"));
    files_->setGeometry(210, 80, 150, 20);
    files_->setToolTip(tr("One file per section, or the chosen sections in one file"));
    files_->addItems({tr("One File Each"), tr("One File, Chained"), tr("One File, One Stream")});

    Caption(this, "SplitFile_Label2", tr("Select the Custom Filename options for output:"), {10, 101, 360, 18});
    Caption(this, "SplitFile_Label3", tr("Pre Section Number Text:"), {10, 120, 160, 22});
    preText_ = new QLineEdit(QStringLiteral("Part "), this);
    preText_->setObjectName(QStringLiteral("SplitFile_PreText"));
    preText_->setGeometry(172, 120, 188, 22);
    preText_->setToolTip(tr("Pre Section Number Text"));
    Caption(this, "SplitFile_Label4", tr("Post Section Number Text:"), {10, 148, 160, 22});
    postText_ = new QLineEdit(this);
    postText_->setObjectName(QStringLiteral("SplitFile_PostText"));
    postText_->setGeometry(172, 148, 188, 22);
    postText_->setToolTip(tr("Post Section Number Text"));
    zeros_ = new QCheckBox(tr("Add Preceding 0's to Section Numbers"), this);
    zeros_->setObjectName(QStringLiteral("SplitFile_Zeros"));
    zeros_->setGeometry(10, 172, 360, 22);
    zeros_->setChecked(true);
    replayGain_ = new QCheckBox(tr("Measure Each Section's Loudness (ReplayGain)"), this);
    replayGain_->setObjectName(QStringLiteral("SplitFile_ReplayGain"));
    replayGain_->setGeometry(10, 192, 360, 22);
    titles_ = new QCheckBox(tr("Name sections after their titles"), this);
    titles_->setObjectName(QStringLiteral("SplitFile_Titles"));
    titles_->setGeometry(10, 212, 360, 22);
    titles_->setEnabled(false);

    Caption(this, "SplitFile_Label5", tr("Example Filename:"), {10, 236, 360, 18});
    example_ = Caption(this, "SplitFile_Example", QString(), {10, 254, 300, 20});
    QFont bold = font();
    bold.setBold(true);
    example_->setFont(bold);

    connect(browse, &EzRgnButton::clicked, this, &SplitOptionsPage::BrowseFolder);
    connect(preText_, &QLineEdit::textChanged, this, &SplitOptionsPage::RefreshExample);
    connect(postText_, &QLineEdit::textChanged, this, &SplitOptionsPage::RefreshExample);
    connect(zeros_, &QCheckBox::toggled, this, &SplitOptionsPage::RefreshExample);
    connect(titles_, &QCheckBox::toggled, this, &SplitOptionsPage::RefreshExample);
    connect(files_, &QComboBox::currentIndexChanged, this, &SplitOptionsPage::RefreshOutput);
}

SplitOptionsPage::Files SplitOptionsPage::Output() const
{
    return static_cast<Files>(std::max(0, files_->currentIndex()));
}

void SplitOptionsPage::RefreshOutput()
{
    const bool each = Output() == Files::EachOwn;
    for (QWidget* naming : std::initializer_list<QWidget*>{preText_, postText_, zeros_, replayGain_})
        naming->setEnabled(each);
    if (!each)
        replayGain_->setChecked(false);
    RefreshExample();
}

void SplitOptionsPage::Open(const QString& outputFolder, const QString& postText, bool cueTitles,
                            const SectionSource& sections)
{
    source_ = sections;
    titles_->setEnabled(cueTitles);
    if (!cueTitles)
        titles_->setChecked(false);
    folder_ = outputFolder;
    folderEdit_->setText(outputFolder);
    postText_->setText(postText);
    RefreshExample();
}

void SplitOptionsPage::Apply(SplitOptions& options) const
{
    options.OutputFolder = LocalName(folder_);
    options.Sections = static_cast<SectionChoice>(std::max(0, sections_->currentIndex()));
    options.PreText = preText_->text().toStdString();
    options.PostText = postText_->text().toStdString();
    options.Zeros = zeros_->isChecked();
    options.NamesFromTitles = titles_->isChecked();
}

bool SplitOptionsPage::MeasureLoudness() const { return replayGain_->isChecked(); }

void SplitOptionsPage::BrowseFolder()
{
    const QString chosen = dialogs_.ChooseFolder(tr("Select Directory for Split Section Output:"), folder_);
    if (chosen.isEmpty())
        return;
    folder_ = chosen;
    folderEdit_->setText(chosen);
}

void SplitOptionsPage::RefreshExample()
{
    // The page does not read the sheet; the example shows the form of a
    // track's name, which the planner builds as TrackFileName does.
    const QString extension = QString::fromStdString(source_.Extension);
    if (titles_->isChecked()) {
        example_->setText(QStringLiteral("01 - ") + tr("Title") + extension);
        return;
    }
    // The first section's name as the planner settles it, without a folder.
    SplitOptions options;
    options.Source = source_;
    if (Output() != Files::EachOwn) {
        example_->setText(QString::fromStdString(NameOf(ChosenSectionsAsOneFile(options, false).FileName)));
        return;
    }
    options.PreText = preText_->text().toStdString();
    options.PostText = postText_->text().toStdString();
    options.Zeros = zeros_->isChecked();
    example_->setText(QString::fromStdString(NameOf(SectionFileNames(options).Path(0))));
}

} // namespace oq
