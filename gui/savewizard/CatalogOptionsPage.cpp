#include "gui/savewizard/CatalogOptionsPage.h"

#include "gui/controls/EzRgnButton.h"
#include "gui/controls/LocalFileName.h"
#include "gui/controls/OutputChoice.h"
#include "gui/savewizard/WizardWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace oq {

namespace {

constexpr const char* kAllFiles = "All Files (*)";
constexpr const char* kTemplateFilters = "QRV (Quorvel Files) (*.qrv *.QRV);;All Files (*)";

} // namespace

CatalogOptionsPage::CatalogOptionsPage(QWidget* parent, const SaveWizardDialogs& dialogs)
    : TranPanel(parent), dialogs_(dialogs)
{
    PlaceWizardPage(*this, "CatalogPanel1");
    Caption(this, "Cat_OutLab", tr("Catalog Output Mode:"), {8, 8, 160, 22});
    mode_ = new QComboBox(this);
    mode_->setObjectName(QStringLiteral("Cat_ModeBox"));
    mode_->setGeometry(170, 8, 200, 22);
    mode_->setToolTip(tr("Output Mode"));
    mode_->addItems({tr("CSV - Ogg Info"), tr("HTML - Ogg Info"), tr("Browse...")});
    customLabel_ = Caption(this, "Cat_CustLa", tr("Custom Catalog Output File:"), {8, 36, 360, 18});
    template_ = ReadOnlyEdit(this, "Cat_Browse", {8, 55, 326, 22}, tr("Custom Output"));
    templateBrowse_ = BrowseButton(this, "Cat_Brows", {342, 55});
    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(8, 84, 362, 4);
    Caption(this, "CAt_SelDirLab", tr("Select Directory to Catalog:"), {8, 92, 360, 18});
    folder_ = ReadOnlyEdit(this, "Cat_Dir", {8, 111, 326, 22}, tr("Directory to Catalog"));
    auto* folderBrowse = BrowseButton(this, "Cat_DirBut", {342, 111});
    Caption(this, "Label4", tr("Catalog Output File:"), {8, 140, 360, 18});
    output_ = ReadOnlyEdit(this, "Cat_OutFile", {8, 159, 326, 22}, tr("Output File"));
    auto* outputBrowse = BrowseButton(this, "Cat_OutBut", {342, 159});
    Caption(this, "Cat_FileLab", tr("Select Filename Filter:"), {8, 192, 160, 22});
    filter_ = new QComboBox(this);
    filter_->setObjectName(QStringLiteral("Catalog_Filter"));
    filter_->setGeometry(170, 192, 190, 22);
    filter_->setToolTip(tr("Select Filename Filter"));
    filter_->addItems({QString::fromLatin1(kOggAudioFilter), QStringLiteral("*.*")});
    Caption(this, "Label3", tr("Advanced Settings:"), {8, 224, 160, 22});
    subFolders_ = new QCheckBox(tr("Include Sub-Folders"), this);
    subFolders_->setObjectName(QStringLiteral("Cat_Sub"));
    subFolders_->setGeometry(170, 224, 200, 22);
    subFolders_->setChecked(true);

    ModeChanged();
    connect(mode_, &QComboBox::currentIndexChanged, this, &CatalogOptionsPage::ModeChanged);
    connect(templateBrowse_, &EzRgnButton::clicked, this, &CatalogOptionsPage::BrowseTemplate);
    connect(folderBrowse, &EzRgnButton::clicked, this, &CatalogOptionsPage::BrowseFolder);
    connect(outputBrowse, &EzRgnButton::clicked, this, &CatalogOptionsPage::BrowseOutput);
}

bool CatalogOptionsPage::Ready() const
{
    return !folder_->text().isEmpty() && !output_->text().isEmpty();
}

CatalogOptions CatalogOptionsPage::Options() const
{
    CatalogOptions options;
    options.Mode = static_cast<CatalogMode>(std::max(0, mode_->currentIndex()));
    options.CustomTemplate = LocalName(template_->text());
    options.Directory = LocalName(folder_->text());
    options.OutputFile = LocalName(output_->text());
    options.Filter = filter_->currentText().toStdString();
    options.IncludeSubFolders = subFolders_->isChecked();
    return options;
}

void CatalogOptionsPage::Refresh()
{
    emit changed();
}

void CatalogOptionsPage::ModeChanged()
{
    // The template controls matter only in the custom mode.
    const bool custom = mode_->currentIndex() == static_cast<int>(CatalogMode::Custom);
    customLabel_->setEnabled(custom);
    template_->setEnabled(custom);
    templateBrowse_->SetEnabled(custom);
}

void CatalogOptionsPage::BrowseTemplate()
{
    const QString chosen = dialogs_.OpenFile(QLatin1String(kTemplateFilters), QStringLiteral("qrv"));
    if (!chosen.isEmpty())
        template_->setText(chosen);
}

void CatalogOptionsPage::BrowseFolder()
{
    const QString chosen = dialogs_.ChooseFolder(tr("Select Directory to Catalog:"), folder_->text());
    if (!chosen.isEmpty())
        folder_->setText(chosen);
    Refresh();
}

void CatalogOptionsPage::BrowseOutput()
{
    const bool csv = mode_->currentIndex() == static_cast<int>(CatalogMode::Csv);
    const QString chosen = dialogs_.SaveFile(csv ? QStringLiteral("Untitled.csv") : QStringLiteral("Untitled.html"),
                                             QLatin1String(kAllFiles), QString());
    // The files the search will find are checked when the run is planned.
    const CatalogOptions options = Options();
    const std::vector<std::string> inputs{CatalogTemplatePath(options.Mode, options.CustomTemplate)};
    if (!chosen.isEmpty() && AcceptOutputChoice(window(), QLatin1String(kProgramTitle), chosen, inputs))
        output_->setText(chosen);
    Refresh();
}

} // namespace oq
