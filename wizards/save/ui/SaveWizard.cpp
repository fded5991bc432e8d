#include "wizards/save/ui/SaveWizard.h"

#include "decode/OggFileInfo.h"
#include "engine/Error.h"
#include "engine/JobObserver.h"
#include "engine/JobPlanner.h"
#include "shell/ui/EzRgnButton.h"
#include "shell/ui/Skin.h"
#include "shell/ui/TranPanel.h"
#include "shell/ui/WindowDragger.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <exception>

namespace oq {

namespace {

constexpr QRect kPagePlace{6, 36, 380, 274};
// The buttons in the well at the foot: Help left, Cancel right, Back and
// the shared place of Next, Start, Pause and Done between them.
constexpr QSize kTextButtonSize{67, 29};
constexpr QPoint kHelpPlace{14, 320};
constexpr QPoint kBackPlace{158, 320};
constexpr QPoint kSharedPlace{233, 320};
constexpr QPoint kCancelPlace{310, 320};
// The progress bar's range before the runner gives the job count.
constexpr int kInitialProgressMaximum = 100;
// Progress positions are scaled into the bar's int range.
constexpr std::int64_t kBarLimit = 1 << 30;
constexpr const char* kProgramTitle = "Ogg Quorvel 2003";

std::string LocalName(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

QString ShownName(const std::string& name)
{
    return QFile::decodeName(QByteArray::fromStdString(name));
}

constexpr const char* kOggFilters = "Ogg Files (*.ogg);;All Files (*.*)";
constexpr const char* kAllFiles = "All Files (*.*)";
constexpr const char* kTemplateFilters = "QRV (Quorvel Files) (*.qrv *.QRV);;All Files (*.*)";
// Rows of the list views, as their columns are laid out.
constexpr int kListColumnWidths[] = {26, 155, 55, 60, 60};

QString FirstChosen(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

SaveWizard::Dialogs DefaultDialogs(QWidget* parent)
{
    SaveWizard::Dialogs dialogs;
    dialogs.ChooseFolder = [parent](const QString& title, const QString& current) {
        QFileDialog dialog(parent, title, current);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        dialog.setLabelText(QFileDialog::Accept, QObject::tr("Select Directory..."));
        return FirstChosen(dialog);
    };
    dialogs.OpenOggFiles = [parent](const QString& folder) {
        QFileDialog dialog(parent, QObject::tr("Open"));
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilter(QLatin1String(kOggFilters));
        dialog.setDefaultSuffix(QStringLiteral("ogg"));
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            dialog.setDirectory(folder);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    };
    dialogs.OpenFile = [parent](const QString& nameFilters, const QString& defaultSuffix) {
        QFileDialog dialog(parent, QObject::tr("Open"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilter(nameFilters);
        dialog.setDefaultSuffix(defaultSuffix);
        return FirstChosen(dialog);
    };
    dialogs.SaveFile = [parent](const QString& proposed, const QString& nameFilters, const QString& defaultSuffix) {
        QFileDialog dialog(parent, QObject::tr("Save As"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(nameFilters);
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.selectFile(proposed);
        return FirstChosen(dialog);
    };
    return dialogs;
}

QLineEdit* ReadOnlyEdit(QWidget* parent, const char* name, const QRect& place, const QString& hint)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(place);
    edit->setReadOnly(true);
    edit->setToolTip(hint);
    return edit;
}

QLabel* Caption(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(place);
    return label;
}

QTreeWidget* FileListView(QWidget* parent, const char* name, const QRect& place)
{
    auto* view = new QTreeWidget(parent);
    view->setObjectName(QLatin1String(name));
    view->setGeometry(place);
    view->setRootIsDecorated(false);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHeaderLabels({QObject::tr("No"), QObject::tr("Filename"), QObject::tr("Bitrate"), QObject::tr("Length"),
                           QObject::tr("File Size")});
    for (int column = 0; column < 5; ++column)
        view->setColumnWidth(column, kListColumnWidths[column]);
    return view;
}

} // namespace

// Passes the worker's reports to the window's thread.
class SaveWizard::Reporter : public JobObserver {
public:
    explicit Reporter(SaveWizard& wizard) : wizard_(wizard) {}

    void CurrentFile(const std::string& name) override
    {
        wizard_.PostReports([&](Reports& r) { r.CurrentFile = name; });
    }
    void TotalText(const std::string& text) override
    {
        wizard_.PostReports([&](Reports& r) { r.TotalText = text; });
    }
    void ProcessText(const std::string& text) override
    {
        wizard_.PostReports([&](Reports& r) { r.ProcessText = text; });
    }
    void Progress(std::int64_t position, std::int64_t maximum) override
    {
        wizard_.PostReports([&](Reports& r) {
            r.Position = position;
            r.Maximum = maximum;
        });
    }

private:
    SaveWizard& wizard_;
};

SaveWizard::SaveWizard(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), reporter_(std::make_unique<Reporter>(*this)),
      dialogs_(DefaultDialogs(this))
{
    setObjectName(QStringLiteral("SaveWizardForm"));
    DressSkinForm(*this, tr("Save Wizard"), kSize);
    setModal(true);

    background_ = new QLabel(this);
    background_->setObjectName(QStringLiteral("BackImage1"));
    background_->setGeometry(QRect(QPoint(0, 0), kSize));
    background_->setPixmap(SkinBackground(SkinWindow::SaveWizard, devicePixelRatioF()));
    WindowDragger::Install(background_);
    BuildSplitPage();
    BuildJoinPage();
    BuildWavPage();
    BuildCatalogPage();
    BuildFinalPage();
    BuildButtons();
    Connect();
    elapsedTimer_.setInterval(kElapsedTickMs);
}

SaveWizard::~SaveWizard()
{
    control_.RequestCancel();
    if (worker_.joinable())
        worker_.join();
}

void SaveWizard::SetDialogs(Dialogs dialogs)
{
    dialogs_ = std::move(dialogs);
}

// --- Building ---------------------------------------------------------------------

void SaveWizard::BuildButtons()
{
    const qreal ratio = devicePixelRatioF();
    const auto make = [&](const char* name, const QString& caption, QPoint place) {
        auto* button = new EzRgnButton(this);
        button->setObjectName(QLatin1String(name));
        button->SetImageList(SkinTextButtonPictures(caption, kTextButtonSize, ratio));
        button->SetPaintMode(PaintMode::pmCrop);
        button->move(place);
        button->setToolTip(caption);
        button->setCursor(Qt::PointingHandCursor);
        return button;
    };
    help_ = make("Wizard_Help", tr("Help"), kHelpPlace);
    back_ = make("Wizard_Back", tr("Back"), kBackPlace);
    next_ = make("Wizard_Next", tr("Next"), kSharedPlace);
    start_ = make("Wizard_Start", tr("Start"), kSharedPlace);
    pause_ = make("Wizard_Pause", tr("Pause"), kSharedPlace);
    done_ = make("Wizard_Done", tr("Done"), kSharedPlace);
    cancel_ = make("Wizard_Cancel", tr("Cancel"), kCancelPlace);
}

TranPanel* SaveWizard::MakePage(const char* name)
{
    auto* page = new TranPanel(this);
    page->setObjectName(QLatin1String(name));
    page->setGeometry(kPagePlace);
    page->hide();
    WindowDragger::Install(page);
    return page;
}

EzRgnButton* SaveWizard::MakeTextButton(QWidget* parent, const char* name, const QString& caption, QRect place)
{
    auto* button = new EzRgnButton(parent);
    button->setObjectName(QLatin1String(name));
    button->SetImageList(SkinTextButtonPictures(caption, place.size(), devicePixelRatioF()));
    button->SetPaintMode(PaintMode::pmCrop);
    button->move(place.topLeft());
    button->setToolTip(caption);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

EzRgnButton* SaveWizard::MakeBrowseButton(QWidget* parent, const char* name, QPoint place)
{
    auto* button = new EzRgnButton(parent);
    button->setObjectName(QLatin1String(name));
    button->SetImageList(SkinButtonPictures(SkinButton::Browse, devicePixelRatioF()));
    button->SetPaintMode(PaintMode::pmCrop);
    button->move(place);
    button->setToolTip(tr("Browse"));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

void SaveWizard::BuildJoinPage()
{
    joinPage_ = MakePage("JoinAddPanel1");
    joinView_ = FileListView(joinPage_, "JoinListBox1", {4, 4, 372, 120});
    const QSize small{50, 22};
    const auto button = [&](const char* name, const QString& caption, int index) {
        return MakeTextButton(joinPage_, name, caption, QRect(QPoint(4 + index * 53, 128), small));
    };
    auto* add = button("Join_Add2", tr("Add"), 0);
    joinDel_ = button("Join_Del2", tr("Delete"), 1);
    joinClear_ = button("Join_Clear2", tr("Clear"), 2);
    joinUp_ = button("Join_Up2", tr("Up"), 3);
    joinDown_ = button("Join_Down2", tr("Down"), 4);
    joinAtoZ_ = button("Join_AtoZ2", tr("A->Z"), 5);
    joinZtoA_ = button("Join_ZtoA2", tr("Z->A"), 6);
    Caption(joinPage_, "JoinLbl1", tr("Total Number Of Files:"), {8, 158, 180, 20});
    joinFiles_ = ReadOnlyEdit(joinPage_, "JoinTxt1", {200, 158, 170, 20}, tr("Total Number Of Files"));
    joinFiles_->setMaxLength(6);
    Caption(joinPage_, "JoinLbl2", tr("Total Length Of Join:"), {8, 182, 180, 20});
    joinLength_ = ReadOnlyEdit(joinPage_, "JoinTxt2", {200, 182, 170, 20}, tr("Total Length Of Join"));
    joinLength_->setMaxLength(12);
    Caption(joinPage_, "JoinLbl3", tr("Total Size Of Join:"), {8, 206, 180, 20});
    joinSize_ = ReadOnlyEdit(joinPage_, "JoinTxt3", {200, 206, 170, 20}, tr("Total Size Of Join"));
    joinSize_->setMaxLength(20);
    Caption(joinPage_, "Label9", tr("Joined File For Output:"), {8, 230, 360, 18});
    joinOutputEdit_ = ReadOnlyEdit(joinPage_, "JoinEdit1", {8, 249, 326, 22}, tr("Custom Output"));
    auto* browse = MakeBrowseButton(joinPage_, "JoinBrowse", {342, 249});

    connect(add, &EzRgnButton::clicked, this, &SaveWizard::AddFiles);
    connect(joinDel_, &EzRgnButton::clicked, this, [this] { EditList(&ToolFileList::Delete); });
    connect(joinClear_, &EzRgnButton::clicked, this, [this] { EditList(&ToolFileList::Clear); });
    connect(joinUp_, &EzRgnButton::clicked, this, [this] { EditList(&ToolFileList::Up); });
    connect(joinDown_, &EzRgnButton::clicked, this, [this] { EditList(&ToolFileList::Down); });
    connect(joinAtoZ_, &EzRgnButton::clicked, this, [this] { EditList(&ToolFileList::SortAtoZ); });
    connect(joinZtoA_, &EzRgnButton::clicked, this, [this] { EditList(&ToolFileList::SortZtoA); });
    connect(browse, &EzRgnButton::clicked, this, [this] {
        const QString chosen =
            dialogs_.SaveFile(QStringLiteral("Joined.ogg"), QLatin1String(kOggFilters), QStringLiteral("ogg"));
        if (chosen.isEmpty())
            return;
        joinOutput_ = chosen;
        joinOutputEdit_->setText(chosen);
        RefreshJoin();
    });
    connect(joinView_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> chosen = joinView_->selectedItems();
        joinList_.Select(chosen.isEmpty() ? ToolFileList::kNone : joinView_->indexOfTopLevelItem(chosen.front()));
        RefreshJoin();
    });
}

void SaveWizard::BuildWavPage()
{
    wavPage_ = MakePage("WavPanel1");
    wavView_ = FileListView(wavPage_, "WavListBox1", {4, 4, 372, 150});
    const QSize small{50, 22};
    auto* add = MakeTextButton(wavPage_, "Wav_Add", tr("Add"), QRect(QPoint(4, 158), small));
    wavDel_ = MakeTextButton(wavPage_, "Wav_Del", tr("Delete"), QRect(QPoint(57, 158), small));
    wavClear_ = MakeTextButton(wavPage_, "Wav_Clear", tr("Clear"), QRect(QPoint(110, 158), small));
    Caption(wavPage_, "WavLbl2", tr("Create Wav Files:"), {8, 188, 120, 20});
    wavBeside_ = new QRadioButton(tr("Beside Each Ogg"), wavPage_);
    wavBeside_->setObjectName(QStringLiteral("Wav_Radio2"));
    wavBeside_->setGeometry(130, 188, 120, 20);
    wavBeside_->setChecked(true);
    wavOneFolder_ = new QRadioButton(tr("In One Directory"), wavPage_);
    wavOneFolder_->setObjectName(QStringLiteral("Wav_Radio1"));
    wavOneFolder_->setGeometry(252, 188, 124, 20);
    Caption(wavPage_, "Label14", tr("Wav Output Directory:"), {8, 222, 360, 18});
    wavDirEdit_ = ReadOnlyEdit(wavPage_, "Wav_DirEdit", {8, 241, 326, 22}, tr("Custom Output"));
    wavDirBrowse_ = MakeBrowseButton(wavPage_, "Wav_DirBrowse", {342, 241});

    connect(add, &EzRgnButton::clicked, this, &SaveWizard::AddFiles);
    connect(wavDel_, &EzRgnButton::clicked, this, [this] { EditList(&ToolFileList::Delete); });
    connect(wavClear_, &EzRgnButton::clicked, this, [this] { EditList(&ToolFileList::Clear); });
    connect(wavBeside_, &QRadioButton::toggled, this, &SaveWizard::RefreshWav);
    connect(wavDirBrowse_, &EzRgnButton::clicked, this, [this] {
        const QString chosen = dialogs_.ChooseFolder(tr("Select Directory for WAV Output:"), wavFolder_);
        if (!chosen.isEmpty()) {
            wavFolder_ = chosen;
            wavDirEdit_->setText(chosen);
        }
        RefreshWav();
    });
    connect(wavView_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> chosen = wavView_->selectedItems();
        wavList_.Select(chosen.isEmpty() ? ToolFileList::kNone : wavView_->indexOfTopLevelItem(chosen.front()));
        RefreshWav();
    });
}

void SaveWizard::BuildCatalogPage()
{
    catalogPage_ = MakePage("CatalogPanel1");
    Caption(catalogPage_, "Cat_OutLab", tr("Catalog Output Mode:"), {8, 8, 160, 22});
    catMode_ = new QComboBox(catalogPage_);
    catMode_->setObjectName(QStringLiteral("Cat_ModeBox"));
    catMode_->setGeometry(170, 8, 200, 22);
    catMode_->setToolTip(tr("Output Mode"));
    catMode_->addItems({tr("CSV - Ogg Info"), tr("HTML - Ogg Info"), tr("Browse...")});
    catCustomLabel_ = Caption(catalogPage_, "Cat_CustLa", tr("Custom Catalog Output File:"), {8, 36, 360, 18});
    catTemplate_ = ReadOnlyEdit(catalogPage_, "Cat_Browse", {8, 55, 326, 22}, tr("Custom Output"));
    catTemplateBrowse_ = MakeBrowseButton(catalogPage_, "Cat_Brows", {342, 55});
    auto* bevel = new QFrame(catalogPage_);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(8, 84, 362, 4);
    Caption(catalogPage_, "CAt_SelDirLab", tr("Select Directory to Catalog:"), {8, 92, 360, 18});
    catDir_ = ReadOnlyEdit(catalogPage_, "Cat_Dir", {8, 111, 326, 22}, tr("Directory to Catalog"));
    auto* dirBrowse = MakeBrowseButton(catalogPage_, "Cat_DirBut", {342, 111});
    Caption(catalogPage_, "Label4", tr("Catalog Output File:"), {8, 140, 360, 18});
    catOutFile_ = ReadOnlyEdit(catalogPage_, "Cat_OutFile", {8, 159, 326, 22}, tr("Output File"));
    auto* outBrowse = MakeBrowseButton(catalogPage_, "Cat_OutBut", {342, 159});
    Caption(catalogPage_, "Cat_FileLab", tr("Select Filename Filter:"), {8, 192, 160, 22});
    catFilter_ = new QComboBox(catalogPage_);
    catFilter_->setObjectName(QStringLiteral("Catalog_Filter"));
    catFilter_->setGeometry(170, 192, 120, 22);
    catFilter_->setToolTip(tr("Select Filename Filter"));
    catFilter_->addItems({QStringLiteral("*.Ogg"), QStringLiteral("*.*")});
    Caption(catalogPage_, "Label3", tr("Advanced Settings:"), {8, 224, 160, 22});
    catSub_ = new QCheckBox(tr("Include Sub-Folders"), catalogPage_);
    catSub_->setObjectName(QStringLiteral("Cat_Sub"));
    catSub_->setGeometry(170, 224, 200, 22);
    catSub_->setChecked(true);

    const auto modeChanged = [this] {
        const bool custom = catMode_->currentIndex() == static_cast<int>(CatalogMode::Custom);
        catCustomLabel_->setEnabled(custom);
        catTemplate_->setEnabled(custom);
        catTemplateBrowse_->SetEnabled(custom);
    };
    modeChanged();
    connect(catMode_, &QComboBox::currentIndexChanged, this, modeChanged);
    connect(catTemplateBrowse_, &EzRgnButton::clicked, this, [this] {
        const QString chosen = dialogs_.OpenFile(QLatin1String(kTemplateFilters), QStringLiteral("qrv"));
        if (!chosen.isEmpty())
            catTemplate_->setText(chosen);
    });
    connect(dirBrowse, &EzRgnButton::clicked, this, [this] {
        const QString chosen = dialogs_.ChooseFolder(tr("Select Directory to Catalog:"), catDir_->text());
        if (!chosen.isEmpty())
            catDir_->setText(chosen);
        RefreshCatalog();
    });
    connect(outBrowse, &EzRgnButton::clicked, this, [this] {
        const bool csv = catMode_->currentIndex() == static_cast<int>(CatalogMode::Csv);
        const QString chosen = dialogs_.SaveFile(csv ? QStringLiteral("Untitled.csv") : QStringLiteral("Untitled.html"),
                                                 QLatin1String(kAllFiles), QString());
        if (!chosen.isEmpty())
            catOutFile_->setText(chosen);
        RefreshCatalog();
    });
}

void SaveWizard::BuildSplitPage()
{
    splitPage_ = MakePage("SplitFilePanel1");
    const auto label = [this](const char* name, const QString& text, const QRect& place) {
        auto* l = new QLabel(text, splitPage_);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(place);
        return l;
    };
    label("Label1", tr("Select Output Directory for Split Parts:"), {10, 6, 360, 18});
    splitDir_ = new QLineEdit(splitPage_);
    splitDir_->setObjectName(QStringLiteral("SplitDirEdit1"));
    splitDir_->setGeometry(10, 26, 322, 22);
    splitDir_->setReadOnly(true);
    splitDir_->setToolTip(tr("Output Directory"));
    splitBrowse_ = new EzRgnButton(splitPage_);
    splitBrowse_->setObjectName(QStringLiteral("EzRgnBtn1"));
    splitBrowse_->SetImageList(SkinButtonPictures(SkinButton::Browse, devicePixelRatioF()));
    splitBrowse_->SetPaintMode(PaintMode::pmCrop);
    splitBrowse_->move(340, 26);
    splitBrowse_->setToolTip(tr("Browse"));
    splitBrowse_->setCursor(Qt::PointingHandCursor);

    label("SplitFile_Label1", tr("Select the Sections to create:"), {10, 60, 200, 18});
    splitSections_ = new QComboBox(splitPage_);
    splitSections_->setObjectName(QStringLiteral("SplitFile_Sections"));
    splitSections_->setGeometry(210, 58, 150, 22);
    splitSections_->setToolTip(tr("Sections To Create"));
    splitSections_->addItems({tr("All Sections"), tr("Odd Sections"), tr("Even Sections")});

    label("SplitFile_Label2", tr("Select the Custom Filename options for output:"), {10, 96, 360, 18});
    label("SplitFile_Label3", tr("Pre Section Number Text:"), {10, 120, 160, 22});
    preText_ = new QLineEdit(QStringLiteral("Part "), splitPage_);
    preText_->setObjectName(QStringLiteral("SplitFile_PreText"));
    preText_->setGeometry(172, 120, 188, 22);
    preText_->setToolTip(tr("Pre Section Number Text"));
    label("SplitFile_Label4", tr("Post Section Number Text:"), {10, 148, 160, 22});
    postText_ = new QLineEdit(splitPage_);
    postText_->setObjectName(QStringLiteral("SplitFile_PostText"));
    postText_->setGeometry(172, 148, 188, 22);
    postText_->setToolTip(tr("Post Section Number Text"));
    zeros_ = new QCheckBox(tr("Add Preceding 0's to Section Numbers"), splitPage_);
    zeros_->setObjectName(QStringLiteral("SplitFile_Zeros"));
    zeros_->setGeometry(10, 178, 360, 22);
    zeros_->setChecked(true);

    label("SplitFile_Label5", tr("Example Filename:"), {10, 214, 360, 18});
    example_ = label("SplitFile_Example", QString(), {10, 236, 300, 20});
    QFont bold = font();
    bold.setBold(true);
    example_->setFont(bold);
}

void SaveWizard::BuildFinalPage()
{
    finalPage_ = MakePage("FinalPanel1");
    const auto label = [this](const char* name, const QString& text, const QRect& place,
                              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        auto* l = new QLabel(text, finalPage_);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(place);
        l->setAlignment(align);
        return l;
    };
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    finalLabel1_ = label("Final_Label1", tr("Click 'Start' to Process the Ogg Job:"), {10, 8, 360, 20});
    QFont bold = font();
    bold.setBold(true);
    finalLabel1_->setFont(bold);
    runLabels_.push_back(label("Final_Label2", tr("Current File Being Processed:"), {10, 40, 360, 18}));
    finalCurrent_ = label("Final_Current", QString(), {10, 60, 302, 18});
    finalCurrent_->setFixedSize(302, 18);
    runLabels_.push_back(label("Final_Label3", tr("Number of Job Processes to Complete:"), {10, 92, 240, 18}));
    finalTotal_ = label("Final_Total", QString(), {250, 92, 110, 18}, right);
    runLabels_.push_back(label("Final_Label4", tr("Current Process:"), {10, 118, 120, 18}));
    finalProcess_ = label("Final_Process", QString(), {130, 118, 230, 18}, right);
    runLabels_.push_back(label("Final_Label6", tr("Time Elapsed:"), {10, 144, 120, 18}));
    finalTime_ = label("Final_Time", QString(), {250, 144, 110, 18}, right);
    runLabels_.push_back(label("Final_Label5", tr("Status:"), {10, 178, 120, 18}));
    finalProgress_ = new QProgressBar(finalPage_);
    finalProgress_->setObjectName(QStringLiteral("Final_Progress"));
    finalProgress_->setGeometry(10, 200, 350, 22);
    finalProgress_->setTextVisible(false);
    runLabels_.push_back(finalProgress_);
}

void SaveWizard::Connect()
{
    connect(help_, &EzRgnButton::clicked, this,
            [this] { emit helpRequested(QString::fromStdString(flow_.HelpTopic())); });
    connect(next_, &EzRgnButton::clicked, this, &SaveWizard::Next);
    connect(back_, &EzRgnButton::clicked, this, &SaveWizard::Back);
    connect(start_, &EzRgnButton::clicked, this, &SaveWizard::Start);
    connect(pause_, &EzRgnButton::clicked, this, &SaveWizard::TogglePause);
    connect(done_, &EzRgnButton::clicked, this, &QDialog::accept);
    connect(cancel_, &EzRgnButton::clicked, this, &SaveWizard::reject);
    connect(&elapsedTimer_, &QTimer::timeout, this, &SaveWizard::Tick);

    connect(splitBrowse_, &EzRgnButton::clicked, this, &SaveWizard::BrowseFolder);
    connect(preText_, &QLineEdit::textChanged, this, &SaveWizard::RefreshExample);
    connect(postText_, &QLineEdit::textChanged, this, &SaveWizard::RefreshExample);
    connect(zeros_, &QCheckBox::toggled, this, &SaveWizard::RefreshExample);
}

// --- Opening and pages --------------------------------------------------------------

int SaveWizard::ShowSplit(const MPEGData& file, const std::vector<std::int32_t>& markerPositions,
                          const QString& outputFolder)
{
    file_ = file;
    markers_ = markerPositions;
    splitFolder_ = outputFolder;
    splitDir_->setText(outputFolder);
    postText_->setText(QStringLiteral(" - ") + QFileInfo(ShownName(file.FileName)).fileName());
    RefreshExample();
    return Open(ActiveTool::Split, false);
}

int SaveWizard::ShowExport(const MPEGData& file, const std::vector<std::int32_t>& markerPositions,
                           std::int32_t section, const QString& fileName)
{
    file_ = file;
    markers_ = markerPositions;
    exportSection_ = section;
    exportFileName_ = fileName;
    return Open(ActiveTool::Split, true);
}

int SaveWizard::ShowTool(ActiveTool tool)
{
    if (tool == ActiveTool::Split)
        return QDialog::Rejected;
    return Open(tool, false);
}

int SaveWizard::Open(ActiveTool tool, bool exportOneSection)
{
    if (worker_.joinable())
        return QDialog::Rejected;
    control_.Reset();
    flow_.Activate(tool, exportOneSection);
    {
        const std::lock_guard lock(reportsMutex_);
        reports_ = {};
    }
    finalCurrent_->clear();
    finalProcess_->clear();
    finalTotal_->clear();
    finalProgress_->setRange(0, kInitialProgressMaximum);
    finalProgress_->setValue(0);
    elapsedSeconds_ = 0;
    finalTime_->setText(QString::fromStdString(ElapsedText(0)));
    next_->SetEnabled(true);
    ShowState();
    RefreshPage();
    return exec();
}

void SaveWizard::ShowState()
{
    const WizardPage page = flow_.Page();
    splitPage_->setVisible(page == WizardPage::SplitOptions);
    joinPage_->setVisible(page == WizardPage::JoinList);
    wavPage_->setVisible(page == WizardPage::WavList);
    catalogPage_->setVisible(page == WizardPage::CatalogOptions);
    finalPage_->setVisible(page == WizardPage::Final);
    const SharedButton shown = flow_.Shown();
    next_->setVisible(shown == SharedButton::Next);
    start_->setVisible(shown == SharedButton::Start);
    pause_->setVisible(shown == SharedButton::Pause);
    done_->setVisible(shown == SharedButton::Done);
    back_->SetEnabled(flow_.BackEnabled());
    finalLabel1_->setEnabled(flow_.ReadyLabelEnabled());
    for (QWidget* label : runLabels_)
        label->setEnabled(flow_.RunLabelsEnabled());
}

void SaveWizard::RefreshExample()
{
    example_->setText(QString::fromStdString(
        SplitExampleName(preText_->text().toStdString(), zeros_->isChecked(), postText_->text().toStdString())));
}

void SaveWizard::BrowseFolder()
{
    const QString chosen = dialogs_.ChooseFolder(tr("Select Directory for Split Section Output:"), splitFolder_);
    if (chosen.isEmpty())
        return;
    splitFolder_ = chosen;
    splitDir_->setText(chosen);
}

void SaveWizard::Next()
{
    if (!next_->Enabled() || !flow_.Next(joinList_.Count()))
        return;
    ShowState();
}

void SaveWizard::Back()
{
    if (!flow_.Back())
        return;
    next_->SetEnabled(true);
    ShowState();
    RefreshPage();
}

// --- The file lists -------------------------------------------------------------------

QTreeWidget* SaveWizard::ActiveListView() const noexcept
{
    return flow_.Tool() == ActiveTool::Wav ? wavView_ : joinView_;
}

void SaveWizard::AddFiles()
{
    const QStringList chosen = dialogs_.OpenOggFiles(lastFolder_);
    if (chosen.isEmpty())
        return;
    lastFolder_ = QFileInfo(chosen.front()).absolutePath();
    emit lastFolderChanged(lastFolder_);
    bool anyRejected = false;
    for (const QString& name : chosen) {
        MPEGData record;
        int result = kOggInfoRefused;
        try {
            result = ReadOggFileInfo(LocalName(name), record);
        } catch (const std::exception&) {
            // Unreadable (gone, no permission): refused like any non-Ogg file.
        }
        if (result == kOggInfoFilled)
            ActiveList().Append(record);
        else
            anyRejected = true;
    }
    ShowList(ActiveList(), ActiveListView());
    if (anyRejected)
        QMessageBox::information(this, QLatin1String(kProgramTitle), tr("Not a Valid Ogg File."));
    RefreshPage();
}

void SaveWizard::EditList(void (ToolFileList::*edit)())
{
    (ActiveList().*edit)();
    ShowList(ActiveList(), ActiveListView());
    RefreshPage();
}

void SaveWizard::ShowList(const ToolFileList& list, QTreeWidget* view)
{
    const QSignalBlocker quiet(view);
    view->clear();
    for (const ToolFileRow& row : list.Rows()) {
        auto* item = new QTreeWidgetItem(view);
        const std::string* texts[] = {&row.No, &row.Filename, &row.Bitrate, &row.Length, &row.FileSize};
        for (int column = 0; column < 5; ++column)
            item->setText(column, ShownName(*texts[column]));
    }
    if (list.Selected() != ToolFileList::kNone)
        view->topLevelItem(list.Selected())->setSelected(true);
}

void SaveWizard::RefreshPage()
{
    switch (flow_.Page()) {
    case WizardPage::JoinList:
        ShowList(joinList_, joinView_);
        RefreshJoin();
        break;
    case WizardPage::WavList:
        ShowList(wavList_, wavView_);
        RefreshWav();
        break;
    case WizardPage::CatalogOptions:
        RefreshCatalog();
        break;
    case WizardPage::SplitOptions:
    case WizardPage::Final:
        break;
    }
}

void SaveWizard::RefreshJoin()
{
    next_->SetEnabled(joinList_.JoinReady(joinOutput_.toStdString()));
    joinAtoZ_->SetEnabled(joinList_.CanSort());
    joinZtoA_->SetEnabled(joinList_.CanSort());
    joinFiles_->setText(QString::fromStdString(joinList_.TotalFilesText()));
    joinLength_->setText(QString::fromStdString(joinList_.TotalLengthText()));
    joinSize_->setText(QString::fromStdString(joinList_.TotalSizeText()));
    joinClear_->SetEnabled(joinList_.CanClear());
    joinDel_->SetEnabled(joinList_.CanDelete());
    joinUp_->SetEnabled(joinList_.CanUp());
    joinDown_->SetEnabled(joinList_.CanDown());
}

void SaveWizard::RefreshWav()
{
    const bool oneFolder = wavOneFolder_->isChecked();
    wavDirEdit_->setEnabled(oneFolder);
    wavDirBrowse_->SetEnabled(oneFolder);
    next_->SetEnabled(wavList_.Count() > 0 && (!oneFolder || !wavFolder_.isEmpty()));
    wavClear_->SetEnabled(wavList_.CanClear());
    wavDel_->SetEnabled(wavList_.CanDelete());
}

void SaveWizard::RefreshCatalog()
{
    next_->SetEnabled(!catDir_->text().isEmpty() && !catOutFile_->text().isEmpty());
}

// --- The run --------------------------------------------------------------------------

void SaveWizard::Start()
{
    try {
        if (flow_.Tool() == ActiveTool::Join) {
            JoinOptions options{joinList_.Entries(), LocalName(joinOutput_)};
            planner_ = [options](JobObserver& observer) { return PlanJobs(options, observer); };
        } else if (flow_.Tool() == ActiveTool::Wav) {
            WavOptions options{wavList_.FileNames(), wavOneFolder_->isChecked(), LocalName(wavFolder_)};
            planner_ = [options](JobObserver& observer) { return PlanJobs(options, observer); };
        } else if (flow_.Tool() == ActiveTool::Catalog) {
            CatalogOptions options;
            options.Mode = static_cast<CatalogMode>(std::max(0, catMode_->currentIndex()));
            options.CustomTemplate = LocalName(catTemplate_->text());
            options.Directory = LocalName(catDir_->text());
            options.OutputFile = LocalName(catOutFile_->text());
            options.Filter = catFilter_->currentText().toStdString();
            options.IncludeSubFolders = catSub_->isChecked();
            planner_ = [this, options](JobObserver& observer) { return PlanJobs(options, control_, observer); };
        } else if (flow_.ExportOneSection()) {
            const SectionSource source = SectionsFromMarkers(file_, markers_);
            ExportOptions options{source, LocalName(exportFileName_), exportSection_};
            planner_ = [options](JobObserver& observer) { return PlanJobs(options, observer); };
        } else {
            SplitOptions options;
            options.Source = SectionsFromMarkers(file_, markers_);
            options.OutputFolder = LocalName(splitFolder_);
            options.Sections = static_cast<SectionChoice>(std::max(0, splitSections_->currentIndex()));
            options.PreText = preText_->text().toStdString();
            options.PostText = postText_->text().toStdString();
            options.Zeros = zeros_->isChecked();
            planner_ = [options](JobObserver& observer) { return PlanJobs(options, observer); };
        }
    } catch (const std::exception& failure) {
        QMessageBox::critical(this, QLatin1String(kProgramTitle), QString::fromStdString(failure.what()));
        return;
    }
    if (!flow_.Start())
        return;
    ShowState();
    OnWorker([this] { jobs_ = std::make_unique<JobList>(planner_(*reporter_)); },
             [this](const QString& failure) { Planned(failure); });
}

void SaveWizard::OnWorker(std::function<void()> work, std::function<void(const QString&)> then)
{
    if (worker_.joinable())
        worker_.join();
    worker_ = std::jthread([this, work = std::move(work), then = std::move(then)] {
        QString failure;
        try {
            work();
        } catch (const std::exception& error) {
            failure = QString::fromStdString(error.what());
            if (failure.isEmpty())
                failure = tr("The job failed.");
        } catch (...) {
            failure = tr("The job failed.");
        }
        QMetaObject::invokeMethod(
            this,
            [this, then, failure] {
                if (worker_.joinable())
                    worker_.join();
                then(failure);
            },
            Qt::QueuedConnection);
    });
}

void SaveWizard::Planned(const QString& failure)
{
    if (!failure.isEmpty() || !jobs_) {
        EndRun(true, failure.isEmpty() ? tr("The job failed.") : failure);
        return;
    }
    if (control_.Cancelled()) {
        jobs_->Clear();
        EndRun(true, {});
        return;
    }
    if (jobs_->WillOverwrite()) {
        const auto answer = QMessageBox::question(this, QLatin1String(kProgramTitle),
                                                  QString::fromLatin1(kOverwriteQuestion),
                                                  QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Ok) {
            // Declined: the plan's temporary files go, nothing is written,
            // and the run ends as a finished one.
            jobs_->Clear();
            jobs_.reset();
            EndRun(false, {});
            return;
        }
    }
    elapsedSeconds_ = 0;
    elapsedTimer_.start();
    OnWorker([this] { result_ = JobRunner(control_, *reporter_).Run(*jobs_); },
             [this](const QString& failure) { RunFinished(result_, failure); });
}

void SaveWizard::RunFinished(RunResult result, const QString& failure)
{
    jobs_.reset();
    EndRun(!failure.isEmpty() || result == RunResult::Cancelled, failure);
}

void SaveWizard::EndRun(bool closeAsCancelled, const QString& failure)
{
    jobs_.reset();
    elapsedTimer_.stop();
    TakeReports();
    flow_.RunEnded();
    ShowState();
    if (!failure.isEmpty())
        QMessageBox::critical(this, QLatin1String(kProgramTitle), failure);
    if (closeAsCancelled)
        QDialog::reject();
}

void SaveWizard::TogglePause()
{
    control_.SetPaused(!control_.Paused());
}

void SaveWizard::reject()
{
    if (flow_.Running()) {
        control_.RequestCancel();
        return;
    }
    QDialog::reject();
}

void SaveWizard::closeEvent(QCloseEvent* event)
{
    if (flow_.Running()) {
        control_.RequestCancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void SaveWizard::Tick()
{
    ++elapsedSeconds_;
    finalTime_->setText(QString::fromStdString(ElapsedText(elapsedSeconds_)));
}

// --- Reports ------------------------------------------------------------------------

void SaveWizard::PostReports(const std::function<void(Reports&)>& change)
{
    {
        const std::lock_guard lock(reportsMutex_);
        change(reports_);
    }
    // One pending hand-over at a time: a worker that reports faster than the
    // window paints does not flood its event queue.
    if (!reportsPosted_.exchange(true))
        QMetaObject::invokeMethod(this, &SaveWizard::TakeReports, Qt::QueuedConnection);
}

void SaveWizard::TakeReports()
{
    reportsPosted_.store(false);
    Reports now;
    {
        const std::lock_guard lock(reportsMutex_);
        now = reports_;
    }
    finalCurrent_->setText(ShownName(now.CurrentFile));
    finalTotal_->setText(QString::fromStdString(now.TotalText));
    finalProcess_->setText(QString::fromStdString(now.ProcessText));
    if (now.Maximum > 0) {
        // Scaled so that byte counts beyond the int range still fit the bar.
        const std::int64_t divisor = now.Maximum / kBarLimit + 1;
        finalProgress_->setRange(0, static_cast<int>(now.Maximum / divisor));
        finalProgress_->setValue(static_cast<int>(std::clamp<std::int64_t>(now.Position, 0, now.Maximum) / divisor));
    }
}

} // namespace oq
