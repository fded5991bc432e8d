#pragma once

#include "gui/editor/MainWindowLayout.h"
#include "gui/editor/MarkerPixels.h"
#include "model/MarkerListView.h"
#include "gui/editor/WaveformScale.h"
#include "gui/editor/ZoomState.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>

#include <cstdint>

class QLabel;
class QWidget;

namespace oq {

class MarkerList;
class OverviewView;
class ZoomView;
struct AmplitudeProfile;
struct MPEGData;

// The main window's display of the open file: the overview with its time
// ruler and marker images, the zoom view around the selected marker, and
// the zoom level text. It is the marker model's view: selections, drags and
// nudges reach the screen through the MarkerListView calls, at the moment
// the model makes them, and only the columns they touch are repainted.
//
// The widgets are made as children of `parent` (the main window's client
// area, 557 x 531) at their fixed places: Overview() at OverviewView::kPlace,
// ZoomPanel() at ZoomView::kPlace (the nudge buttons belong inside it), the
// zoom level text at 507, 367. The zoom and nudge buttons are the main
// window's: connect their clicks to ZoomIn/ZoomOut/NudgeBack/NudgeForward
// (the nudge buttons repeat while held), and zoomButtonsChanged to their
// enabled states.
//
// Opening a file, in this order:
//   display.SetFile(record);            // ruler texts, blank overview
//   (analysis: ProgressWindow::Analyse(record, profile))
//   display.SetProfile(profile, record.ProfileComplete);
//   markers.OpenFile(record);
class WaveformDisplay : public QObject, private MarkerListView {
    Q_OBJECT

public:
    static constexpr QRect kZoomSizePlace = MainWindowLayout::kZoomSize;

    // Becomes the view of `markers` until destroyed.
    WaveformDisplay(MarkerList& markers, QWidget* parent);
    ~WaveformDisplay() override;
    WaveformDisplay(const WaveformDisplay&) = delete;
    WaveformDisplay& operator=(const WaveformDisplay&) = delete;

    // A file was opened: its ruler times, a blank overview and zoom view, no
    // marker line. Until SetProfile every position shows the placeholder.
    void SetFile(const MPEGData& file);
    // Its analysis ended: a complete profile is drawn (and its last index
    // becomes the block count B), otherwise the placeholder band; zoom level
    // 1 with the step of one overview column.
    void SetProfile(const AmplitudeProfile& profile, bool complete);

    // The overview's width W for positions, and its last column D.
    std::int32_t DisplayWidth() const noexcept { return scale_.DisplayWidth(); }
    std::int32_t LastColumn() const noexcept { return scale_.LastColumn(); }
    std::int32_t Blocks() const noexcept { return scale_.Blocks(); }

    std::int32_t ZoomLevel() const noexcept { return zoom_.Level(); }
    // Blocks per zoom column; also the nudge step.
    std::int32_t ZoomStep() const noexcept { return zoom_.Step(); }
    bool ZoomInEnabled() const noexcept { return zoomInEnabled_; }
    bool ZoomOutEnabled() const noexcept { return zoomOutEnabled_; }
    QString ZoomSizeText() const;

    // Where the overview shows the markers.
    const MarkerPixels& Pixels() const noexcept { return pixels_; }

    OverviewView* Overview() const noexcept { return overview_; }
    QWidget* ZoomPanel() const;
    // The pictures as shown (the overview with its marker line and highlight).
    QImage OverviewPicture() const;
    QImage ZoomPicture() const;

public slots:
    void ZoomIn();
    void ZoomOut();
    void NudgeBack();
    void NudgeForward();
    // The model was changed from outside (added, deleted, typed markers):
    // repaint the marker images that moved.
    void RefreshMarkers();

signals:
    // The selected marker follows the mouse; only its position text changed.
    void markerDragged();
    // Marker positions changed and the lists were rebuilt (drag released,
    // nudged).
    void markersChanged();
    // The mouse selected a marker or a section.
    void selectionChanged();
    void zoomButtonsChanged(bool zoomInEnabled, bool zoomOutEnabled);
    // The model asks for the input focus on one of the main window's lists.
    void focusRequested(oq::FocusTarget target);
    // Files dropped on the overview panel, in the order given.
    void filesDropped(const QStringList& files);

private:
    // MarkerListView
    void HighlightSection(std::optional<Marker> first, std::optional<Marker> last) override;
    void RemoveHighlight() override;
    void MarkerAddedInMiddle(MarkerId id) override;
    void ShowMarkerLine(const Marker& marker) override;
    void HideMarkerLine() override;
    void SetZoomButtons(bool on) override;
    void DrawZoomView() override;
    void ClearZoomView() override;
    void MoveFocus(FocusTarget target) override;

    void DrawOverview();
    void InvertColumns(PixelRange range);
    void InitZoom();
    void ShowZoomSize();
    void ScheduleMarkerSync();

    void PicturePressed(int x, Qt::MouseButton button);
    void MarkerPressed(int i, Qt::MouseButton button);
    void MarkerDragged(int x);
    void MarkerReleased(Qt::MouseButton button);
    void Zoom(bool in);
    void Nudge(bool forward);

    MarkerList& markers_;
    MarkerPixels pixels_;
    WaveformScale scale_;
    ZoomState zoom_;
    bool zoomInEnabled_ = false;
    bool zoomOutEnabled_ = false;
    bool syncScheduled_ = false;
    QPointer<OverviewView> overview_;
    QPointer<ZoomView> zoomView_;
    QPointer<QLabel> zoomSize_;
};

} // namespace oq
