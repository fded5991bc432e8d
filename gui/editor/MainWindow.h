#pragma once

#include "tools/AmplitudeProfile.h"
#include "tools/ProfileCache.h"
#include "media/MPEGData.h"
#include "model/Chapters.h"
#include "model/MarkerHistory.h"
#include "model/MarkerList.h"
#include "gui/controls/NumericField.h"
#include "gui/editor/MainWindowLayout.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QMenu;
class QLabel;
class QSpinBox;

namespace oq {

class EzRgnButton;
class HelpViewer;
class InfoWindow;
class Player;
class ProgressWindow;
class SaveWizard;
class SplitWizard;
class TitleIcon;
class WaveformDisplay;
enum class FocusTarget;
enum class ActiveTool : std::uint8_t;
enum class SkinButton;
enum class SplitMethod;

// The program's one editing window: borderless and skinned, it opens an Ogg
// Vorbis or Opus file (by its Open button or by dropping files on the overview),
// shows it, lets the user edit its markers and sections, and hands over to
// the other windows. It owns the open file's record, its amplitude profile
// and its marker list for the whole run, and the analysis window.
//
// Every control carries its name as its objectName ("Vis_OpenOgg",
// "RangeSelectMarker", ...), so other windows and tests find it with
// findChild. Its position, the last folder opened, the play length and the
// wave volume are kept in the per-user settings under "Ogg Quorvel 2003" /
// "Form Settings": read when the window is made, written when it closes.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kClientSize = MainWindowLayout::kClientSize;
    static constexpr QPoint kDefaultPlace{21, 26}; // left, top
    static constexpr int kDefaultPlayTime = 6;     // seconds
    static constexpr int kShortNameLimit = 50;     // longer file names are shortened in the title

    // The settings store and its values.
    static constexpr const char* kSettingsKey = "Ogg Quorvel 2003";
    static constexpr const char* kSettingsGroup = "Form Settings";
    // The slider's volume as Player keeps it: left in the low 16 bits, right
    // in the high 16.
    static constexpr const char* kWaveVolumeValue = "WaveVolume";

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens and analyses `fileName`: a file the program cannot read as Ogg
    // Vorbis or Opus is answered with "Not a Valid MPEG File." and changes nothing.
    // Returns whether the file is now the open file.
    bool OpenOggFile(const QString& fileName);
    // Sets every control's text and enabled state from the model.
    void RefreshControls();
    // Places `window` centred over this window, or centred on the screen
    // when it would not fit there.
    void CentreOver(QWidget* window) const;
    // A name of more than 50 characters becomes its first 6, " ... " and its
    // last 41; shorter names stay as they are.
    static QString ShortenName(const QString& text);
    // Shows a help topic ("Intro.html", "split.html", ...); nothing happens
    // when the program's help is missing.
    void ShowHelp(const QString& topic);

    // The open file (FileSize 0 before the first), its profile and markers.
    const MPEGData& OpenFileRecord() const noexcept { return record_; }
    const AmplitudeProfile& Profile() const noexcept { return profile_; }
    MarkerList& Markers() noexcept { return markers_; }
    // The open file's marker history; a step is recorded after every change.
    const MarkerHistory& History() const noexcept { return history_; }
    // Lay the previous or the next step of the history into the markers.
    void Undo();
    void Redo();
    // The window's own menu, opened from the title bar's program icon or
    // with Alt+Space; `globalPlace` is its top-left corner.
    QMenu& WindowMenu() const noexcept { return *windowMenu_; }
    void ShowWindowMenu(QPoint globalPlace);
    void ShowWindowMenu();
    WaveformDisplay& Display() const noexcept { return *display_; }
    ProgressWindow& Progress() const noexcept { return *progress_; }
    HelpViewer& Help() const noexcept { return *help_; }
    Player& Playback() const noexcept { return *player_; }
    InfoWindow& Information() const noexcept { return *infoWindow_; }

    // The play buttons: plays the play length up to (`upTo`) or from the
    // selected marker; a click while a playback runs stops it instead.
    void PlayAroundMarker(bool upTo);
    SplitWizard& SplitWizardWindow() const noexcept { return *splitWizard_; }
    SaveWizard& SaveWizardWindow() const noexcept { return *saveWizard_; }

    // Asks where Export Ogg Section writes: given the open file's path,
    // returns the chosen file, or an empty text for Cancel. The default is
    // the "Save As" dialog in the open file's folder.
    using ExportChooser = std::function<QString(const QString& source)>;
    void SetExportChooser(ExportChooser chooser) { chooseExport_ = std::move(chooser); }
    // Asks for a marker file in `folder` (the open file's): one to import,
    // or one to export under the proposed name `proposed`; returns it, or an
    // empty text for Cancel. An exported file whose name ends in ".cue"
    // becomes a cue sheet, any other a label file; Chapters asks for the
    // copy of the open file that Save Markers as Chapters writes. The
    // default is the file dialog, whose file types give the name its ending.
    enum class MarkerFileUse { Import, Export, Chapters };
    using MarkerFileChooser =
        std::function<QString(MarkerFileUse use, const QString& folder, const QString& proposed)>;
    void SetMarkerFileChooser(MarkerFileChooser chooser) { chooseMarkerFile_ = std::move(chooser); }

    // The folder of the last file opened through the dialog ("OpenMe").
    const QString& LastOpenDir() const noexcept { return lastOpenDir_; }
    void SetLastOpenDir(const QString& folder) { lastOpenDir_ = folder; }
    // The play length in seconds (1..99).
    int PlayTime() const;

signals:
    // The window has closed and its settings are written: the program ends.
    void closed();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    EzRgnButton* MakeButton(const char* name, SkinButton skin, QPoint place, const QString& hint, QWidget* parent = nullptr);
    QComboBox* MakeChoiceList(const char* name, const QRect& place, const QString& hint);
    NumericField* MakeField(const char* name, NumericField::Kind kind, const QRect& place, const QString& hint);
    // The window's own controls, each group by one function.
    void BuildControls();
    void BuildBackground();
    void BuildButtons();
    void BuildPlayTimeSpin();
    void BuildFileTitle();
    void BuildMarkerControls();
    void BuildSectionControls();
    void Connect();
    void BuildWindowMenu();
    void BuildShortcuts();
    void BuildTabOrder();
    // The window menu's marker files, in the open file's folder, and the
    // markers at the recording's pauses (the split wizard's pause method);
    // each change is one step to undo.
    QString MarkerFileFolder() const;
    void ImportMarkers();
    void ExportMarkers();
    void MarkersAtPauses();
    void OpenSplitWizard(SplitMethod method);
    void MarkersAtLinks();
    // Markers at the open file's chapters, exact and titled.
    void MarkersAtChapters();
    // Writes a copy of the open file with a chapter at each section's start.
    void SaveMarkersAsChapters();
    // The chapters of the sections: each section's start, exact where its
    // marker is, titled by its marker's title.
    std::vector<Chapter> SectionChapters() const;
    // Markers from a label file, the links or the chapters, in place of
    // those there.
    void LayImportedMarkers(const std::vector<MarkerPlace>& markers);
    void LoadSettings();
    void SaveSettings() const;

    // Runs a handler's work; a failure inside ends it silently, keeping what
    // was done until then, and the controls show the model as it stands.
    void Guarded(const std::function<void()>& work);
    // Writes the model's texts, lists and enabled states into the controls.
    void SyncControls();
    void SetChoiceItems(QComboBox* list, std::vector<std::string>& shown, const std::vector<std::string>& items,
                        int index);
    void SetZoomButtons(bool zoomIn, bool zoomOut);
    void MoveFocus(FocusTarget target);
    void OpenByDialog();
    void ExportSection();
    void ShowTool(ActiveTool tool);
    bool AnalyseAndShow();
    void PlaybackFinished();
    void ShowInformationWindow();

    // The model first: the display is its view and must go before it.
    MarkerList markers_;
    MarkerHistory history_{markers_};
    MPEGData record_;
    AmplitudeProfile profile_;
    // Profiles of files opened before, so that a file opened again is not decoded again.
    ProfileCache profileCache_;
    QString lastOpenDir_;
    ExportChooser chooseExport_;
    MarkerFileChooser chooseMarkerFile_;
    bool opening_ = false;

    std::unique_ptr<WaveformDisplay> display_;
    std::unique_ptr<HelpViewer> help_;
    ProgressWindow* progress_ = nullptr;
    std::unique_ptr<Player> player_;
    InfoWindow* infoWindow_ = nullptr;
    bool infoWindowPlaced_ = false;
    SplitWizard* splitWizard_ = nullptr;
    SaveWizard* saveWizard_ = nullptr;
    // The file the split wizard last laid markers on; empty once another
    // file opens or markers come from a label file or the links.
    std::string cueFile_;

    QLabel* background_ = nullptr;
    TitleIcon* titleIcon_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QAction* importMarkers_ = nullptr;
    QAction* exportMarkers_ = nullptr;
    QAction* pauseMarkers_ = nullptr;
    QAction* linkMarkers_ = nullptr;
    QAction* chapterMarkers_ = nullptr;
    QAction* saveChapters_ = nullptr;
    EzRgnButton* visOpenOgg_ = nullptr;
    EzRgnButton* visOggInfo_ = nullptr;
    EzRgnButton* visSaveSplit_ = nullptr;
    EzRgnButton* visExportOgg_ = nullptr;
    EzRgnButton* visAddMarker_ = nullptr;
    EzRgnButton* visDelMarker_ = nullptr;
    EzRgnButton* visSplitWizard_ = nullptr;
    EzRgnButton* visPlayTo_ = nullptr;
    EzRgnButton* visPlayFrom_ = nullptr;
    EzRgnButton* visZoomIn_ = nullptr;
    EzRgnButton* visZoomOut_ = nullptr;
    EzRgnButton* visNudgeBack_ = nullptr;
    EzRgnButton* visNudgeFwd_ = nullptr;
    EzRgnButton* toolJoin_ = nullptr;
    EzRgnButton* toolWave_ = nullptr;
    EzRgnButton* toolCatalog_ = nullptr;
    EzRgnButton* toolHelp_ = nullptr;
    EzRgnButton* formMin_ = nullptr;
    EzRgnButton* formClose_ = nullptr;
    QSpinBox* playTimeSpin_ = nullptr;
    QLabel* oggTitle_ = nullptr;
    QComboBox* rangeSelectMarker_ = nullptr;
    NumericField* rangePos_ = nullptr;
    QComboBox* sectionSelectSection_ = nullptr;
    QLabel* sectionTotal_ = nullptr;
    NumericField* sectionLengthEdit_ = nullptr;
    NumericField* sectionSizeEdit_ = nullptr;

    // The items the two choice lists show, to rebuild them only on a change.
    std::vector<std::string> shownMarkerItems_;
    std::vector<std::string> shownSectionItems_;
};

} // namespace oq
