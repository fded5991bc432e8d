#include "gui/editor/MainWindow.h"

#include "media/OggFileInfo.h"
#include "tools/PlayRange.h"
#include "gui/windows/Player.h"
#include "gui/windows/ProgressWindow.h"
#include "model/MarkerListView.h"
#include "gui/editor/OverviewView.h"
#include "gui/editor/WaveformDisplay.h"
#include "base/Error.h"
#include "gui/controls/EzRgnButton.h"
#include "gui/controls/FieldKeyGuard.h"
#include "gui/controls/FocusReturn.h"
#include "gui/controls/HelpViewer.h"
#include "gui/controls/LocalFileName.h"
#include "gui/controls/OutputChoice.h"
#include "gui/controls/QuietFailure.h"
#include "gui/windows/InfoWindow.h"
#include "gui/controls/NumericField.h"
#include "gui/controls/Skin.h"
#include "gui/controls/SkinPainting.h"
#include "gui/controls/TitleIcon.h"
#include "gui/editor/MainWindowSkin.h"
#include "jobs/ChapterCopy.h"
#include "model/CueSheetWriter.h"
#include "model/LabelFile.h"
#include "model/MarkerLimit.h"
#include "model/MarkerTime.h"
#include "gui/controls/WindowDragger.h"
#include "gui/controls/WindowSystem.h"
#include "gui/savewizard/SaveWizard.h"
#include "gui/savewizard/WizardWidgets.h"
#include "gui/splitwizard/SplitWizard.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>

#include <optional>

namespace oq {

namespace {

constexpr int kPlayTimeMin = 1;
constexpr int kPlayTimeMax = 99;
// ShortenName keeps this much of either end of a long name.
constexpr int kShortHead = 6;
constexpr int kShortTail = 41;

constexpr int kFieldFontPixels = 10; // "00:00:00:00" fits the 66-pixel fields

QFont BoldFont(QFont font)
{
    font.setBold(true);
    return font;
}

QString SettingsValue(const char* value)
{
    return QStringLiteral("%1/%2").arg(QLatin1String(MainWindow::kSettingsGroup), QLatin1String(value));
}

// The per-user store: the registry's "Software\Ogg Quorvel 2003" on Windows,
// "~/.config/Ogg Quorvel 2003.conf" on Linux.
QSettings SettingsStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(MainWindow::kSettingsKey));
}

// The "Save As" dialog for an exported section, proposing the open file's
// own name in its folder; an empty text for Cancel. Beside the Ogg section
// it offers the section decoded to a WAV file, which a name typed without
// an ending then gets.
QString ChooseExportFile(QWidget* parent, const QString& source)
{
    const QString wavFiles = QObject::tr("WAV Files (*.wav)");
    QFileDialog dialog(parent, QObject::tr("Save As"), QFileInfo(source).absolutePath());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({OggFilesFilter(), wavFiles, QObject::tr("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("ogg"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        dialog.setDefaultSuffix(filter == wavFiles ? QStringLiteral("wav") : QStringLiteral("ogg"));
    });
    dialog.selectFile(QFileInfo(source).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// The file dialog of the window menu's marker files. On export the chosen
// file type gives a name typed without an ending its ".txt" or ".cue".
QString ChooseMarkerFile(QWidget* parent, MainWindow::MarkerFileUse use, const QString& folder,
                         const QString& proposed)
{
    const QString labels = QObject::tr("Label Files (*.txt)");
    const QString cueSheets = QObject::tr("Cue Sheets (*.cue)");
    QFileDialog dialog(parent, QString(), folder);
    if (use == MainWindow::MarkerFileUse::Import) {
        dialog.setWindowTitle(QObject::tr("Import Markers"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({labels, QObject::tr("All Files (*)")});
    } else if (use == MainWindow::MarkerFileUse::Chapters) {
        dialog.setWindowTitle(QObject::tr("Save Markers as Chapters"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({OggFilesFilter(), QObject::tr("All Files (*)")});
        dialog.setDefaultSuffix(QFileInfo(proposed).suffix());
        dialog.selectFile(proposed);
    } else {
        dialog.setWindowTitle(QObject::tr("Export Markers"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({labels, cueSheets});
        dialog.setDefaultSuffix(QStringLiteral("txt"));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
            dialog.setDefaultSuffix(filter == cueSheets ? QStringLiteral("cue") : QStringLiteral("txt"));
        });
        dialog.selectFile(proposed);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      profileCache_(ProfileCache::UserFolder(),
                    [](const std::string& message) {
                        // The cache only saves time: the user is not troubled with it.
                        NoteQuietFailure("Remembering an amplitude profile", QString::fromStdString(message));
                    }),
      chooseExport_([this](const QString& source) { return ChooseExportFile(this, source); }),
      chooseMarkerFile_([this](MarkerFileUse use, const QString& folder, const QString& proposed) {
          return ChooseMarkerFile(this, use, folder, proposed);
      })
{
    DressSkinForm(*this, tr("Ogg Quorvel 2003"), kClientSize);
    move(kDefaultPlace);
    // Every window the program opens over this one gives the keyboard back
    // when it closes.
    FocusReturn::Install();

    BuildControls();
    help_ = std::make_unique<HelpViewer>(HelpViewer::ProgramHelpFolder());
    player_ = std::make_unique<Player>();
    BuildWindowMenu();
    Connect();
    BuildShortcuts();
    BuildTabOrder();
    LoadSettings();
    RefreshControls();
    // Made after the main window, as the program's windows are made in turn.
    progress_ = new ProgressWindow(this);
    splitWizard_ = new SplitWizard(this);
    connect(splitWizard_, &SplitWizard::helpRequested, this, &MainWindow::ShowHelp);
    infoWindow_ = new InfoWindow(*player_, this);
    infoWindow_->ShowOggInformation(record_);
    saveWizard_ = new SaveWizard(this);
    connect(saveWizard_, &SaveWizard::helpRequested, this, &MainWindow::ShowHelp);
    connect(saveWizard_, &SaveWizard::lastFolderChanged, this, &MainWindow::SetLastOpenDir);
}

MainWindow::~MainWindow() = default;

// --- Building ---------------------------------------------------------------------

EzRgnButton* MainWindow::MakeButton(const char* name, SkinButton skin, QPoint place, const QString& hint,
                                    QWidget* parent)
{
    auto* button = new EzRgnButton(parent ? parent : this);
    button->setObjectName(QLatin1String(name));
    button->SetImageList(SkinButtonPictures(skin, devicePixelRatioF()));
    button->SetPaintMode(PaintMode::pmCrop);
    button->move(place);
    button->setToolTip(hint);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

void MainWindow::BuildControls()
{
    // In this order: later controls lie over earlier ones.
    BuildBackground();
    display_ = std::make_unique<WaveformDisplay>(markers_, this);
    BuildButtons();
    BuildPlayTimeSpin();
    BuildFileTitle();
    BuildMarkerControls();
    BuildSectionControls();
}

void MainWindow::BuildBackground()
{
    background_ = new QLabel(this);
    background_->setObjectName(QStringLiteral("Background"));
    background_->setGeometry(QRect(QPoint(0, 0), kClientSize));
    background_->setPixmap(MainWindowBackground(devicePixelRatioF()));
    WindowDragger::Install(background_);
    // Presses that no control takes (labels, the empty parts of the display)
    // move the window too.
    WindowDragger::Install(this);

    titleIcon_ = new TitleIcon(this);
    titleIcon_->setObjectName(QStringLiteral("WindowMenuIcon"));
    titleIcon_->setGeometry(skin::TitleLogoPlace(MainWindowLayout::kTitleHeight).toAlignedRect());
    titleIcon_->setToolTip(tr("Window Menu"));
}

void MainWindow::BuildButtons()
{
    using Layout = MainWindowLayout;
    visOpenOgg_ = MakeButton("Vis_OpenOgg", SkinButton::OpenOgg, Layout::kOpenOgg, tr("Open Ogg"));
    visOggInfo_ = MakeButton("Vis_OggInfo", SkinButton::OggInfo, Layout::kOggInfo, tr("Ogg Info"));
    visSaveSplit_ = MakeButton("Vis_SaveSplit", SkinButton::SaveSplit, Layout::kSaveSplit, tr("Save Split Sections"));
    visExportOgg_ = MakeButton("Vis_ExportOgg", SkinButton::ExportOgg, Layout::kExportOgg, tr("Export Ogg Section"));
    visAddMarker_ = MakeButton("Vis_AddMarker", SkinButton::AddMarker, Layout::kAddMarker, tr("Add Marker"));
    visDelMarker_ = MakeButton("Vis_DelMarker", SkinButton::DelMarker, Layout::kDelMarker, tr("Delete Marker"));
    visSplitWizard_ = MakeButton("Vis_SplitWizard", SkinButton::SplitWizard, Layout::kSplitWizard, tr("Split Wizard"));
    visPlayTo_ = MakeButton("Vis_PlayTo", SkinButton::PlayTo, Layout::kPlayTo, tr("Play Upto Marker"));
    visPlayFrom_ = MakeButton("Vis_PlayFrom", SkinButton::PlayFrom, Layout::kPlayFrom, tr("Play From Marker"));
    visZoomIn_ = MakeButton("Vis_ZoomIn", SkinButton::ZoomIn, Layout::kZoomIn, tr("Zoom In"));
    visZoomOut_ = MakeButton("Vis_ZoomOut", SkinButton::ZoomOut, Layout::kZoomOut, tr("Zoom Out"));
    visNudgeBack_ = MakeButton("Vis_NudgeBack", SkinButton::NudgeBack, Layout::kNudgeBack, tr("Nudge Back"),
                               display_->ZoomPanel());
    visNudgeFwd_ = MakeButton("Vis_NudgeFwd", SkinButton::NudgeForward, Layout::kNudgeFwd, tr("Nudge Forward"),
                              display_->ZoomPanel());
    visNudgeBack_->SetAutoRepeat(true);
    visNudgeFwd_->SetAutoRepeat(true);
    toolJoin_ = MakeButton("Tool_Join", SkinButton::Join, Layout::kJoin, tr("Ogg Joiner"));
    toolWave_ = MakeButton("Tool_Wave", SkinButton::Wave, Layout::kWave, tr("Ogg > Wave"));
    toolCatalog_ = MakeButton("Tool_Catalog", SkinButton::Catalog, Layout::kCatalog, tr("Catalog"));
    toolHelp_ = MakeButton("Tool_Help", SkinButton::Help, Layout::kHelp, tr("Help"));
    formMin_ = MakeButton("Form_Min", SkinButton::Minimize, Layout::kMinimize, tr("Minimize"));
    formClose_ = MakeButton("Form_Close", SkinButton::Close, Layout::kClose, tr("Close"));
}

void MainWindow::BuildPlayTimeSpin()
{
    playTimeSpin_ = new QSpinBox(this);
    playTimeSpin_->setObjectName(QStringLiteral("PlayTimeSpin"));
    playTimeSpin_->setGeometry(MainWindowLayout::kPlayTimeSpin);
    playTimeSpin_->setRange(kPlayTimeMin, kPlayTimeMax);
    playTimeSpin_->setValue(kDefaultPlayTime);
    playTimeSpin_->setToolTip(tr("Play Length in Seconds"));
    playTimeSpin_->setAlignment(Qt::AlignCenter);
    playTimeSpin_->setEnabled(false);
}

void MainWindow::BuildFileTitle()
{
    oggTitle_ = new QLabel(this);
    oggTitle_->setObjectName(QStringLiteral("OggTitle"));
    oggTitle_->setGeometry(MainWindowLayout::kOggTitle);
    oggTitle_->setFont(BoldFont(font()));
}

void MainWindow::BuildMarkerControls()
{
    rangeSelectMarker_ = MakeChoiceList("RangeSelectMarker", MainWindowLayout::kRangeSelectMarker, tr("Select Marker"));
    rangePos_ = MakeField("RangePos", NumericField::Kind::Time, MainWindowLayout::kRangePos, tr("Marker Position"));
}

void MainWindow::BuildSectionControls()
{
    sectionSelectSection_ =
        MakeChoiceList("SectionSelectSection", MainWindowLayout::kSectionSelectSection, tr("Select Section"));

    sectionTotal_ = new QLabel(this);
    sectionTotal_->setObjectName(QStringLiteral("SectionTotal"));
    sectionTotal_->setGeometry(MainWindowLayout::kSectionTotal);
    sectionTotal_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sectionTotal_->setFont(BoldFont(font()));

    sectionLengthEdit_ = MakeField("SectionLengthEdit", NumericField::Kind::Time, MainWindowLayout::kSectionLengthEdit,
                                   tr("Section Length"));
    sectionSizeEdit_ = MakeField("SectionSizeEdit", NumericField::Kind::Number, MainWindowLayout::kSectionSizeEdit,
                                 tr("Section Size"));
    sectionSizeEdit_->ShowModelText("0");
}

QComboBox* MainWindow::MakeChoiceList(const char* name, const QRect& place, const QString& hint)
{
    // The choice lists are narrow for texts like "Section 12 - 00:03:25 - 1,234Kb".
    QFont listFont = font();
    listFont.setStretch(QFont::SemiCondensed);
    auto* list = new QComboBox(this);
    list->setFont(listFont);
    list->setObjectName(QLatin1String(name));
    list->setGeometry(place);
    list->setToolTip(hint);
    return list;
}

NumericField* MainWindow::MakeField(const char* name, NumericField::Kind kind, const QRect& place, const QString& hint)
{
    QFont fieldFont = font();
    fieldFont.setPixelSize(kFieldFontPixels);
    auto* field = new NumericField(kind, this);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(place);
    field->setToolTip(hint);
    field->setFont(fieldFont);
    field->setAlignment(Qt::AlignCenter);
    field->setTextMargins(0, 0, 0, 0);
    return field;
}

void MainWindow::Connect()
{
    const auto onClick = [this](EzRgnButton* button, auto work) {
        connect(button, &EzRgnButton::clicked, this, [this, work] { Guarded(work); });
    };
    onClick(visOpenOgg_, [this] { OpenByDialog(); });
    onClick(visAddMarker_, [this] { markers_.AddMarker(); });
    onClick(visDelMarker_, [this] { markers_.DeleteMarker(); });
    onClick(visZoomIn_, [this] { display_->ZoomIn(); });
    onClick(visZoomOut_, [this] { display_->ZoomOut(); });
    onClick(visNudgeBack_, [this] { display_->NudgeBack(); });
    onClick(visNudgeFwd_, [this] { display_->NudgeForward(); });
    onClick(visPlayTo_, [this] { PlayAroundMarker(true); });
    onClick(visPlayFrom_, [this] { PlayAroundMarker(false); });
    onClick(visOggInfo_, [this] { ShowInformationWindow(); });
    connect(player_.get(), &Player::finished, this, &MainWindow::PlaybackFinished);
    onClick(toolHelp_, [this] { ShowHelp(QString::fromLatin1(HelpViewer::kContentsTopic)); });
    onClick(visSplitWizard_, [this] { OpenSplitWizard(SplitMethod::SectionCount); });
    onClick(visSaveSplit_, [this] {
        CentreOver(saveWizard_);
        const QString folder = QFileInfo(ShownName(record_.FileName)).absolutePath();
        // Markers laid from a cue sheet on this file give sections its tracks' tags.
        SplitCuts cuts = CutsOf(markers_.Geometry());
        if (cueFile_ == record_.FileName)
            cuts.CueSheet = splitWizard_->AppliedCueSheet();
        saveWizard_->ShowSplit(record_, cuts, folder);
        RefreshControls();
    });
    onClick(visExportOgg_, [this] { ExportSection(); });
    // Tool_Join, Tool_Wave and Tool_Catalog open the save wizard on that tool.
    onClick(toolJoin_, [this] { ShowTool(ActiveTool::Join); });
    onClick(toolWave_, [this] { ShowTool(ActiveTool::Wav); });
    onClick(toolCatalog_, [this] { ShowTool(ActiveTool::Catalog); });
    connect(formMin_, &EzRgnButton::clicked, this, &QWidget::showMinimized);
    connect(formClose_, &EzRgnButton::clicked, this, &QWidget::close);

    connect(rangeSelectMarker_, &QComboBox::activated, this,
            [this](int index) { Guarded([&] { markers_.RangeSelectMarkerChange(index); }); });
    connect(sectionSelectSection_, &QComboBox::activated, this,
            [this](int index) { Guarded([&] { markers_.SectionSelectSectionChange(index); }); });
    connect(rangePos_, &NumericField::edited, this, [this](const std::string& text) { markers_.RangePosChange(text); });
    connect(rangePos_, &NumericField::applied, this, [this] { Guarded([this] { markers_.RangePosClick(); }); });
    connect(sectionLengthEdit_, &NumericField::edited, this,
            [this](const std::string& text) { markers_.SectionLengthEditChange(text); });
    connect(sectionLengthEdit_, &NumericField::applied, this,
            [this] { Guarded([this] { markers_.SectionLengthEditClick(); }); });
    connect(sectionSizeEdit_, &NumericField::edited, this,
            [this](const std::string& text) { markers_.SectionSizeEditChange(text); });
    connect(sectionSizeEdit_, &NumericField::applied, this,
            [this] { Guarded([this] { markers_.SectionSizeEditClick(); }); });

    connect(display_.get(), &WaveformDisplay::markerDragged, this, &MainWindow::SyncControls);
    connect(display_.get(), &WaveformDisplay::markersChanged, this, &MainWindow::SyncControls);
    connect(display_.get(), &WaveformDisplay::selectionChanged, this, &MainWindow::SyncControls);
    connect(display_.get(), &WaveformDisplay::zoomButtonsChanged, this, &MainWindow::SetZoomButtons);
    connect(display_.get(), &WaveformDisplay::focusRequested, this, &MainWindow::MoveFocus);
    connect(display_.get(), &WaveformDisplay::filesDropped, this, [this](const QStringList& files) {
        // Only the first of several dropped files is opened.
        if (!files.isEmpty())
            Guarded([&] { OpenOggFile(files.first()); });
    });
}

// --- Settings -----------------------------------------------------------------------

void MainWindow::LoadSettings()
{
    const QSettings settings = SettingsStore();
    const auto number = [&settings](const char* value) -> std::optional<int> {
        bool ok = false;
        const int read = settings.value(SettingsValue(value)).toInt(&ok);
        return ok ? std::optional<int>(read) : std::nullopt;
    };
    QPoint place = pos();
    if (const auto top = number("Top"))
        place.setY(*top);
    if (const auto left = number("Left"))
        place.setX(*left);
    // A place remembered from a screen that is gone would leave the window
    // out of reach: it then keeps the first place.
    const QRect wanted(place, kClientSize);
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(wanted)) {
            move(place);
            break;
        }
    const QString folder = settings.value(SettingsValue("OpenMe")).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        lastOpenDir_ = folder;
    if (const auto playTime = number("PlayTime"))
        playTimeSpin_->setValue(*playTime); // the spin field keeps it within 1..99
    bool volumeRead = false;
    const uint volume = settings.value(SettingsValue(kWaveVolumeValue)).toUInt(&volumeRead);
    if (volumeRead)
        player_->SetWaveVolume(volume);
}

void MainWindow::SaveSettings() const
{
    QSettings settings = SettingsStore();
    // Where the window system places the windows, pos() is not where the
    // window is; storing it would move the window there at the next start
    // on a system that lets the program place it.
    if (!WindowSystem::PlacesWindowsItself()) {
        settings.setValue(SettingsValue("Top"), y());
        settings.setValue(SettingsValue("Left"), x());
    }
    settings.setValue(SettingsValue("OpenMe"), lastOpenDir_);
    settings.setValue(SettingsValue("PlayTime"), playTimeSpin_->value());
    std::uint16_t left = Player::kFullVolume;
    std::uint16_t right = Player::kFullVolume;
    if (player_->GetWaveVolume(left, right))
        settings.setValue(SettingsValue(kWaveVolumeValue), uint{left} | uint{right} << 16);
    settings.sync();
}

int MainWindow::PlayTime() const
{
    return playTimeSpin_->value();
}

// --- Lifecycle ------------------------------------------------------------------------

bool MainWindow::event(QEvent* event)
{
    // A window that closed over this one may have changed the model.
    if (event->type() == QEvent::WindowActivate)
        RefreshControls();
    return QWidget::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    help_->close();
    // The sound ends with the window, and the device is released before the program ends.
    player_->Stop();
    SaveSettings();
    QWidget::closeEvent(event);
    emit closed();
}

// --- Opening files ----------------------------------------------------------------------

void MainWindow::OpenByDialog()
{
    QFileDialog dialog(this, tr("Open Ogg"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({OggFilesFilter(), tr("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("ogg"));
    if (!lastOpenDir_.isEmpty() && QFileInfo(lastOpenDir_).isDir())
        dialog.setDirectory(lastOpenDir_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString file = dialog.selectedFiles().first();
    lastOpenDir_ = QFileInfo(file).absolutePath();
    OpenOggFile(file);
}

bool MainWindow::OpenOggFile(const QString& fileName)
{
    // One file at a time: a file dropped while another is analysed is ignored.
    if (opening_)
        return false;
    const QScopedValueRollback busy(opening_, true);
    MPEGData record;
    try {
        record = ReadOggFileInfo(LocalName(fileName));
    } catch (const std::exception& failure) {
        // Unreadable or not Ogg Vorbis or Opus: the user gets the same answer.
        NoteQuietFailure("Opening a file", failure);
        QMessageBox::information(this, windowTitle(), tr("Not a Valid MPEG File."));
        return false;
    }
    // Markers are block positions; a file of less than one block has none.
    if (record.BlockCount < 1) {
        QMessageBox::information(this, windowTitle(), tr("This Ogg file is too short to edit."));
        return false;
    }

    // The sound of the file shown before ends with it.
    player_->Stop();
    record_ = record;
    profile_ = {};
    cueFile_.clear();
    markers_.ClearMarkers();
    display_->SetFile(record_);
    // An information window left open shows the new file before its analysis.
    infoWindow_->ShowOggInformation(record_);
    return AnalyseAndShow();
}

bool MainWindow::AnalyseAndShow()
{
    // A profile remembered from an earlier look at this very state of the
    // file opens at once; any other is analysed in the progress window.
    ProfileCache::Lookup remembered = profileCache_.Find(record_.FileName);
    if (remembered.Profile) {
        profile_ = std::move(*remembered.Profile);
        record_.BlockCount = profile_.LastIndex();
        record_.ProfileComplete = true;
    } else {
        CentreOver(progress_);
        // A cancelled analysis leaves the file open with the placeholder profile.
        progress_->Analyse(record_, profile_);
        if (record_.ProfileComplete && remembered.Identity)
            profileCache_.Store(record_.FileName, *remembered.Identity, profile_);
    }
    display_->SetProfile(profile_, record_.ProfileComplete);
    try {
        markers_.OpenFile(record_);
    } catch (const RangeError& failure) {
        // The decoder found less than one block after all: nothing to edit.
        NoteQuietFailure(("Opening \"" + record_.FileName + "\"").c_str(), failure);
        QMessageBox::information(this, windowTitle(), tr("This Ogg file is too short to edit."));
        history_.Clear();
        RefreshControls();
        return false;
    }
    display_->RefreshMarkers();
    history_.Start();
    RefreshControls();
    return true;
}

// --- Controls --------------------------------------------------------------------------

void MainWindow::Guarded(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception& failure) {
        // Silent to the user: the operation stops where it failed.
        NoteQuietFailure("An editing action", failure);
    }
    display_->RefreshMarkers();
    SyncControls();
}

void MainWindow::RefreshControls()
{
    // The model's own refresh of the selection writes its fields again and
    // redraws the zoom view; a failure there leaves the controls as the model stands.
    try {
        if (markers_.SectionCount() > 0) {
            if (markers_.SelectedMarker() >= 1)
                markers_.SelectMarker(markers_.SelectedMarker());
            if (markers_.SelectedSection() >= 1)
                markers_.SelectSection(markers_.SelectedSection());
        }
    } catch (const std::exception& failure) {
        NoteQuietFailure("Refreshing the selection", failure);
    }
    display_->RefreshMarkers();
    SyncControls();
    if (infoWindow_)
        infoWindow_->ShowOggInformation(record_);
}

void MainWindow::SyncControls()
{
    // Every change passes here; a drag becomes a step once it is released.
    if (!markers_.Dragging())
        history_.Record();
    undo_->setEnabled(history_.CanUndo());
    redo_->setEnabled(history_.CanRedo());

    const bool open = markers_.SectionCount() > 0;
    const bool markerSelected = open && markers_.SelectedMarker() >= 1;

    if (open) {
        const QString name = QFileInfo(ShownName(record_.FileName)).fileName();
        oggTitle_->setText(ShortenName(name));
        oggTitle_->setToolTip(name);
    } else {
        oggTitle_->setText(tr("Open an Ogg to edit"));
        oggTitle_->setToolTip(tr("Open an Ogg to edit"));
    }

    SetChoiceItems(rangeSelectMarker_, shownMarkerItems_, markers_.MarkerChoiceItems(), markers_.MarkerChoiceIndex());
    SetChoiceItems(sectionSelectSection_, shownSectionItems_, markers_.SectionChoiceItems(),
                   markers_.SectionChoiceIndex());
    rangePos_->ShowModelText(markers_.RangePosText());
    sectionLengthEdit_->ShowModelText(markers_.SectionLengthText());
    sectionSizeEdit_->ShowModelText(markers_.SectionSizeText());
    sectionTotal_->setText(QString::fromStdString(markers_.SectionTotalText()));

    for (EzRgnButton* button : {visSaveSplit_, visOggInfo_, visAddMarker_, visSplitWizard_})
        button->SetEnabled(open);
    for (QAction* action :
         {importMarkers_, exportMarkers_, pauseMarkers_, linkMarkers_, chapterMarkers_, saveChapters_})
        action->setEnabled(open);
    rangeSelectMarker_->setEnabled(open);
    sectionSelectSection_->setEnabled(open);
    visDelMarker_->SetEnabled(open && markers_.DelMarkerEnabled() && markers_.SelectedMarker() >= 1);
    rangePos_->setEnabled(markerSelected && markers_.RangePosEnabled());

    const bool sectionFields = open && markers_.SectionFieldsEnabled();
    sectionLengthEdit_->setEnabled(sectionFields);
    sectionSizeEdit_->setEnabled(sectionFields);
    visExportOgg_->SetEnabled(sectionFields);

    const bool play = open && markers_.PlayControlsEnabled();
    visPlayTo_->SetEnabled(play);
    visPlayFrom_->SetEnabled(play);
    visNudgeBack_->SetEnabled(play);
    visNudgeFwd_->SetEnabled(play);
    playTimeSpin_->setEnabled(play);

    SetZoomButtons(display_->ZoomInEnabled(), display_->ZoomOutEnabled());
}

void MainWindow::SetChoiceItems(QComboBox* list, std::vector<std::string>& shown,
                                const std::vector<std::string>& items, int index)
{
    const QSignalBlocker quiet(list);
    if (items != shown) {
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(items.size()));
        for (const std::string& item : items)
            texts.append(QString::fromStdString(item));
        list->clear();
        list->addItems(texts);
        shown = items;
    }
    list->setCurrentIndex(index);
}

void MainWindow::SetZoomButtons(bool zoomIn, bool zoomOut)
{
    const bool markerSelected = markers_.SectionCount() > 0 && markers_.SelectedMarker() >= 1;
    visZoomIn_->SetEnabled(markerSelected && zoomIn);
    visZoomOut_->SetEnabled(markerSelected && zoomOut);
}

void MainWindow::MoveFocus(FocusTarget target)
{
    QWidget* list = target == FocusTarget::RangeSelectMarker ? rangeSelectMarker_ : sectionSelectSection_;
    if (list->isEnabled())
        list->setFocus();
}

QString MainWindow::ShortenName(const QString& text)
{
    if (text.size() <= kShortNameLimit)
        return text;
    return text.left(kShortHead) + QStringLiteral(" ... ") + text.right(kShortTail);
}

void MainWindow::CentreOver(QWidget* window) const
{
    const QSize size = window->size();
    QPoint place(x() + width() / 2 - size.width() / 2, y() + height() / 2 - size.height() / 2);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        if (!area.contains(QRect(place, size)))
            place = area.topLeft() + QPoint(area.width() / 2 - size.width() / 2, area.height() / 2 - size.height() / 2);
    }
    window->move(place);
}

// --- Playback and information ------------------------------------------------------------

void MainWindow::PlayAroundMarker(bool upTo)
{
    const int selected = markers_.SelectedMarker();
    if (selected < 1 || player_->Playing()) {
        player_->Stop();
        return;
    }
    const PlayRange range = ComputePlayRange(record_, markers_.Position(selected), PlayTime(), upTo);
    if (range.Length > 0 && player_->PlaySamples(record_.FileName, range.Start, range.Length))
        markers_.SetPlaying(true);
}

void MainWindow::PlaybackFinished()
{
    markers_.SetPlaying(false);
    // The marker list may have lost its selection while the sound played.
    SyncControls();
}

void MainWindow::ShowInformationWindow()
{
    if (!infoWindowPlaced_) {
        CentreOver(infoWindow_);
        infoWindowPlaced_ = true;
    }
    infoWindow_->show();
    infoWindow_->raise();
    infoWindow_->activateWindow();
}

void MainWindow::ExportSection()
{
    const int section = markers_.SelectedSection();
    if (section < 1)
        return;
    const QString file = chooseExport_(ShownName(record_.FileName));
    if (file.isEmpty() || !AcceptOutputChoice(this, windowTitle(), file, {record_.FileName}))
        return;
    CentreOver(saveWizard_);
    saveWizard_->ShowExport(record_, CutsOf(markers_.Geometry()), section, file);
    RefreshControls();
}

void MainWindow::ShowTool(ActiveTool tool)
{
    saveWizard_->SetLastFolder(lastOpenDir_);
    CentreOver(saveWizard_);
    saveWizard_->ShowTool(tool);
    RefreshControls();
}

void MainWindow::ShowHelp(const QString& topic)
{
    help_->ShowTopic(topic);
}

// --- Undo, the window menu and the keyboard -----------------------------------------------

void MainWindow::Undo()
{
    Guarded([this] { history_.Undo(); });
}

void MainWindow::Redo()
{
    Guarded([this] { history_.Redo(); });
}

void MainWindow::BuildWindowMenu()
{
    windowMenu_ = new QMenu(this);
    windowMenu_->setObjectName(QStringLiteral("WindowMenu"));

    undo_ = windowMenu_->addAction(tr("&Undo"), this, &MainWindow::Undo);
    undo_->setObjectName(QStringLiteral("Undo"));
    undo_->setShortcut(QKeySequence::Undo);
    redo_ = windowMenu_->addAction(tr("&Redo"), this, &MainWindow::Redo);
    redo_->setObjectName(QStringLiteral("Redo"));
    redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    windowMenu_->addSeparator();
    const auto guarded = [this](const QString& text, const char* name, void (MainWindow::*work)()) {
        QAction* action = windowMenu_->addAction(text, this, [this, work] { Guarded([this, work] { (this->*work)(); }); });
        action->setObjectName(QLatin1String(name));
        return action;
    };
    importMarkers_ = guarded(tr("&Import Markers..."), "ImportMarkers", &MainWindow::ImportMarkers);
    exportMarkers_ = guarded(tr("&Export Markers..."), "ExportMarkers", &MainWindow::ExportMarkers);
    pauseMarkers_ = guarded(tr("Markers at &Pauses..."), "PauseMarkers", &MainWindow::MarkersAtPauses);
    linkMarkers_ = guarded(tr("Markers at &Stream Boundaries"), "LinkMarkers", &MainWindow::MarkersAtLinks);
    chapterMarkers_ = guarded(tr("Markers at &Chapters"), "ChapterMarkers", &MainWindow::MarkersAtChapters);
    saveChapters_ =
        guarded(tr("Save &Markers as Chapters..."), "SaveChapters", &MainWindow::SaveMarkersAsChapters);
    windowMenu_->addSeparator();
    // F1 belongs to the Help button; the menu only names it.
    QAction* help = windowMenu_->addAction(tr("&Help") + QLatin1Char('\t') +
                                               QKeySequence(QKeySequence::HelpContents).toString(QKeySequence::NativeText),
                                           toolHelp_, &EzRgnButton::Click);
    help->setObjectName(QStringLiteral("HelpAction"));

    // Added to the window as well, so their keys work with the menu closed.
    addActions(windowMenu_->actions());
    connect(titleIcon_, &TitleIcon::menuRequested, this, qOverload<QPoint>(&MainWindow::ShowWindowMenu));
}

void MainWindow::ShowWindowMenu(QPoint globalPlace)
{
    windowMenu_->popup(globalPlace);
}

void MainWindow::ShowWindowMenu()
{
    ShowWindowMenu(titleIcon_->MenuPlace());
}

void MainWindow::BuildShortcuts()
{
    // The fields edit with some of the keys below.
    FieldKeyGuard::Install(playTimeSpin_);
    for (NumericField* field : {rangePos_, sectionLengthEdit_, sectionSizeEdit_})
        FieldKeyGuard::Install(field);

    // Each key presses its button, so a key does nothing the button would not.
    visOpenOgg_->AddShortcut(QKeySequence::Open);
    visPlayFrom_->AddShortcut(QKeySequence(Qt::Key_Space));
    visPlayTo_->AddShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Space));
    visAddMarker_->AddShortcut(QKeySequence(Qt::Key_Insert));
    visDelMarker_->AddShortcut(QKeySequence(Qt::Key_Delete));
    visNudgeBack_->AddShortcut(QKeySequence(Qt::Key_Left));
    visNudgeFwd_->AddShortcut(QKeySequence(Qt::Key_Right));
    visZoomIn_->AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus));
    visZoomIn_->AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal)); // the plus key without Shift
    visZoomOut_->AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    visSaveSplit_->AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    visExportOgg_->AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    visSplitWizard_->AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    toolHelp_->AddShortcut(QKeySequence::HelpContents);
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuKey, &QShortcut::activated, this, qOverload<>(&MainWindow::ShowWindowMenu));
    titleIcon_->setToolTip(tr("%1 (%2)").arg(titleIcon_->toolTip(), menuKey->key().toString(QKeySequence::NativeText)));
}

QString MainWindow::MarkerFileFolder() const
{
    return QFileInfo(ShownName(record_.FileName)).absolutePath();
}

void MainWindow::ImportMarkers()
{
    const QString chosen = chooseMarkerFile_(MarkerFileUse::Import, MarkerFileFolder(), {});
    if (chosen.isEmpty())
        return;
    try {
        const std::string file = LocalName(chosen);
        const LaidMarkers read = LabelFile::Read(file, MarkerTime(record_));
        RequireMarkerRoom(MarkerDemand::Labels, static_cast<std::int64_t>(read.Markers.size()),
                          "the label file \"" + file + "\" has");
        LayImportedMarkers(read.Markers);
    } catch (const FileError& failure) {
        // A file that is not a label file names its first bad line.
        QMessageBox::information(this, windowTitle(), QString::fromStdString(failure.what()));
    } catch (const MarkerLimitError& failure) {
        QMessageBox::information(this, windowTitle(), QString::fromStdString(failure.what()));
    }
}

void MainWindow::ExportMarkers()
{
    const QString chosen = chooseMarkerFile_(MarkerFileUse::Export, MarkerFileFolder(),
                                             QFileInfo(ShownName(record_.FileName)).completeBaseName());
    if (chosen.isEmpty())
        return;
    const std::string file = LocalName(chosen);
    const MarkerTime time(record_);
    try {
        if (QFileInfo(chosen).suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) == 0)
            CueSheetWriter::Write(file, record_.FileName, CueSheetWriter::TracksOf(markers_.Geometry()), time.Timeline(),
                                  {});
        else
            LabelFile::Write(file, markers_.Places(), time, {record_.FileName});
    } catch (const FileError& failure) {
        QMessageBox::information(this, windowTitle(), QString::fromStdString(failure.what()));
    }
}

void MainWindow::MarkersAtPauses()
{
    // One place for what a pause is: the wizard keeps the level and length
    // typed last, and its OK is one step to undo like any other.
    OpenSplitWizard(SplitMethod::Pauses);
}

void MainWindow::OpenSplitWizard(SplitMethod method)
{
    splitWizard_->SetStartFolder(lastOpenDir_);
    CentreOver(splitWizard_);
    // The profile as far as the analysis got: a cancelled one is searched as far as it goes.
    if (splitWizard_->Run(record_, profile_.Entries, markers_, method) == QDialog::Accepted)
        cueFile_ = record_.FileName;
    RefreshControls();
}

// A marker at each boundary of a chained file's links, exact, on the block
// nearest it (see PositionConverter), titled with its link's title.
void MainWindow::MarkersAtLinks()
{
    if (record_.LinkStarts.empty()) {
        QMessageBox::information(this, windowTitle(), tr("This file holds a single stream."));
        return;
    }
    try {
        RequireMarkerRoom(MarkerDemand::Links, static_cast<std::int64_t>(record_.LinkStarts.size()) + 1,
                          "\"" + record_.FileName + "\" has");
    } catch (const MarkerLimitError& failure) {
        QMessageBox::information(this, windowTitle(), QString::fromStdString(failure.what()));
        return;
    }
    try {
        LayImportedMarkers(MarkerTime::LinkMarkers(record_).Markers);
    } catch (const FileError& failure) {
        // The file went or changed since it was opened.
        QMessageBox::information(this, windowTitle(), QString::fromStdString(failure.what()));
    }
}

void MainWindow::MarkersAtChapters()
{
    std::vector<Chapter> chapters;
    try {
        chapters = ReadChapters(record_.FileName);
        RequireMarkerRoom(MarkerDemand::Chapters, static_cast<std::int64_t>(chapters.size()),
                          "\"" + record_.FileName + "\" has");
    } catch (const FileError& failure) {
        // A chapter field that cannot be read is named.
        QMessageBox::information(this, windowTitle(), QString::fromStdString(failure.what()));
        return;
    } catch (const MarkerLimitError& failure) {
        QMessageBox::information(this, windowTitle(), QString::fromStdString(failure.what()));
        return;
    }
    if (chapters.empty()) {
        QMessageBox::information(this, windowTitle(), tr("This file holds no chapters."));
        return;
    }
    const MarkerTime time(record_);
    std::vector<MarkerPlace> places;
    for (const Chapter& chapter : chapters)
        places.push_back(time.ExactPlace(chapter.Sample, chapter.Title));
    LayImportedMarkers(places);
}

std::vector<Chapter> MainWindow::SectionChapters() const
{
    const MarkerGeometry& geometry = markers_.Geometry();
    std::vector<Chapter> chapters;
    for (int j = 1; const auto place = geometry.PlaceOfSection(j); ++j) {
        Chapter chapter{geometry.SectionSamples(j).Start};
        // A section from the file's start before the first marker has no title.
        if (place->FirstMarker >= 1)
            chapter.Title = geometry.At(place->FirstMarker).Title;
        chapters.push_back(std::move(chapter));
    }
    return chapters;
}

void MainWindow::SaveMarkersAsChapters()
{
    if (markers_.MarkerCount() == 0) {
        QMessageBox::information(this, windowTitle(), tr("There are no markers to save as chapters."));
        return;
    }
    const QFileInfo source(ShownName(record_.FileName));
    const QString chosen = chooseMarkerFile_(MarkerFileUse::Chapters, MarkerFileFolder(),
                                             tr("%1 (chapters).%2").arg(source.completeBaseName(), source.suffix()));
    if (chosen.isEmpty())
        return;
    try {
        WriteChapterCopy(record_.FileName, LocalName(chosen), SectionChapters());
    } catch (const FileError& failure) {
        QMessageBox::information(this, windowTitle(), QString::fromStdString(failure.what()));
    } catch (const RangeError& failure) {
        QMessageBox::information(this, windowTitle(), QString::fromStdString(failure.what()));
    }
}

void MainWindow::LayImportedMarkers(const std::vector<MarkerPlace>& markers)
{
    markers_.LayMarkers(markers);
    // The cue sheet's tags belong to the markers it laid, now gone.
    cueFile_.clear();
}

void MainWindow::BuildTabOrder()
{
    // Group by group, as the window reads from top left: the file buttons,
    // the marker buttons, play, the marker and section fields, zoom, the
    // tools, and the title bar last.
    const QList<QWidget*> order{visOpenOgg_,  visOggInfo_,         visSaveSplit_,      visExportOgg_,
                                visAddMarker_, visDelMarker_,      visSplitWizard_,    visPlayTo_,
                                playTimeSpin_, visPlayFrom_,       rangeSelectMarker_, rangePos_,
                                sectionSelectSection_, sectionLengthEdit_, sectionSizeEdit_, visZoomIn_,
                                visZoomOut_,   visNudgeBack_,      visNudgeFwd_,       toolJoin_,
                                toolWave_,     toolCatalog_,       toolHelp_,          formMin_,
                                formClose_};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

} // namespace oq
