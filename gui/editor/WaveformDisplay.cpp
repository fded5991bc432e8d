#include "gui/editor/WaveformDisplay.h"

#include "tools/AmplitudeProfile.h"
#include "media/MPEGData.h"
#include "media/OggInformationText.h"
#include "model/MarkerList.h"
#include "gui/editor/OverviewView.h"
#include "gui/editor/ZoomView.h"
#include "gui/controls/QuietFailure.h"

#include <QLabel>

#include <exception>

namespace oq {

namespace {

constexpr int kZoomSizeFontPixels = 11;

// A failure inside a mouse or button action (a conversion of a file without
// blocks, say) ends the action silently; what it did until then stays.
template <typename Action>
void SilentlyAborting(Action&& action)
{
    try {
        action();
    } catch (const std::exception& failure) {
        NoteQuietFailure("A waveform action", failure);
    }
}

} // namespace

WaveformDisplay::WaveformDisplay(MarkerList& markers, QWidget* parent)
    : QObject(parent), markers_(markers), pixels_(markers, WaveformScale::kDisplayWidth),
      overview_(new OverviewView(markers, pixels_, parent)), zoomView_(new ZoomView(parent)), zoomSize_(new QLabel(parent))
{
    zoomSize_->setGeometry(kZoomSizePlace);
    zoomSize_->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(kZoomSizeFontPixels);
    font.setBold(true);
    zoomSize_->setFont(font);
    ShowZoomSize();

    connect(overview_, &OverviewView::picturePressed, this, &WaveformDisplay::PicturePressed);
    connect(overview_, &OverviewView::markerPressed, this, &WaveformDisplay::MarkerPressed);
    connect(overview_, &OverviewView::markerDragged, this, &WaveformDisplay::MarkerDragged);
    connect(overview_, &OverviewView::markerReleased, this, &WaveformDisplay::MarkerReleased);
    connect(overview_, &OverviewView::filesDropped, this, &WaveformDisplay::filesDropped);
    markers_.SetView(this);
    RefreshMarkers();
}

WaveformDisplay::~WaveformDisplay()
{
    markers_.SetView(nullptr);
    delete overview_;
    delete zoomView_;
    delete zoomSize_;
}

QWidget* WaveformDisplay::ZoomPanel() const
{
    return zoomView_;
}

QString WaveformDisplay::ZoomSizeText() const
{
    return QStringLiteral("x%1").arg(zoom_.Level());
}

QImage WaveformDisplay::OverviewPicture() const
{
    return overview_->ShownPicture();
}

QImage WaveformDisplay::ZoomPicture() const
{
    return zoomView_->Picture().Image();
}

void WaveformDisplay::SetFile(const MPEGData& file)
{
    scale_.SetFile(file.BlockCount);
    const OggInformationText information = ComposeOggInformation(file);
    if (information.ChangesTimeLabels) {
        std::array<QString, 3> times;
        for (std::size_t k = 0; k < times.size(); ++k)
            times[k] = QString::fromStdString(information.TimeLabels[k]);
        overview_->SetTimeLabels(times);
    }
    overview_->SetMarkerLine(std::nullopt);
    overview_->Picture().Clear(overview_->devicePixelRatioF());
    overview_->PictureChanged();
    zoomView_->Clear();
}

void WaveformDisplay::SetProfile(const AmplitudeProfile& profile, bool complete)
{
    scale_.SetProfile(profile, complete);
    InitZoom();
    DrawOverview();
}

void WaveformDisplay::InitZoom()
{
    zoom_.Init(scale_.Blocks());
    ShowZoomSize();
}

void WaveformDisplay::DrawOverview()
{
    const std::vector<int> heights = scale_.OverviewHeights();
    overview_->Picture().DrawOutline(heights, WaveformPicture::Ending::DropToBottom, overview_->devicePixelRatioF());
    overview_->PictureChanged();
}

void WaveformDisplay::ShowZoomSize()
{
    zoomSize_->setText(ZoomSizeText());
}

// --- The model's display effects -------------------------------------------

void WaveformDisplay::HighlightSection(std::optional<Marker> first, std::optional<Marker> last)
{
    InvertColumns(pixels_.DrawHighlight(first, last));
}

void WaveformDisplay::RemoveHighlight()
{
    // An inversion applied twice restores the picture.
    InvertColumns(pixels_.Highlight());
}

void WaveformDisplay::InvertColumns(PixelRange range)
{
    overview_->Picture().InvertColumns(range.X0, range.X1);
    overview_->PictureChanged(range.X0, range.X1);
    ScheduleMarkerSync();
}

void WaveformDisplay::MarkerAddedInMiddle(MarkerId id)
{
    pixels_.PlaceInMiddle(id);
}

void WaveformDisplay::ShowMarkerLine(const Marker& marker)
{
    overview_->SetMarkerLine(pixels_.PixelOf(marker));
    ScheduleMarkerSync();
}

void WaveformDisplay::HideMarkerLine()
{
    overview_->SetMarkerLine(std::nullopt);
    ScheduleMarkerSync();
}

void WaveformDisplay::SetZoomButtons(bool on)
{
    zoomInEnabled_ = on && zoom_.CanZoomIn();
    zoomOutEnabled_ = on && zoom_.CanZoomOut();
    ShowZoomSize();
    emit zoomButtonsChanged(zoomInEnabled_, zoomOutEnabled_);
}

void WaveformDisplay::DrawZoomView()
{
    const int selected = markers_.SelectedMarker();
    if (selected < 1) {
        zoomView_->Clear();
        return;
    }
    const auto heights = scale_.ZoomHeights(markers_.Position(selected), zoom_.Step());
    zoomView_->Draw(heights, WaveformScale::kZoomCentre);
}

void WaveformDisplay::ClearZoomView()
{
    zoomView_->Clear();
    ScheduleMarkerSync();
}

void WaveformDisplay::MoveFocus(FocusTarget target)
{
    emit focusRequested(target);
}

void WaveformDisplay::ScheduleMarkerSync()
{
    // The model reports in the middle of an operation; the images are
    // compared with it once the operation is over.
    if (syncScheduled_)
        return;
    syncScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            syncScheduled_ = false;
            RefreshMarkers();
        },
        Qt::QueuedConnection);
}

void WaveformDisplay::RefreshMarkers()
{
    // Tidying may move the selected marker off a taken position; the line
    // stays with it.
    if (markers_.SelectedMarker() >= 1 && overview_->MarkerLine())
        overview_->SetMarkerLine(pixels_.MarkerOnPixel());
    pixels_.Prune();
    overview_->SyncMarkers();
}

// --- Buttons ------------------------------------------------------------------

void WaveformDisplay::ZoomIn()
{
    Zoom(true);
}

void WaveformDisplay::ZoomOut()
{
    Zoom(false);
}

void WaveformDisplay::Zoom(bool in)
{
    SilentlyAborting([&] {
        if (markers_.SelectedMarker() < 1)
            return;
        if (in ? zoom_.ZoomIn() : zoom_.ZoomOut()) {
            SetZoomButtons(true);
        } else {
            // At the end of the range only the button that went there goes off.
            (in ? zoomInEnabled_ : zoomOutEnabled_) = false;
            emit zoomButtonsChanged(zoomInEnabled_, zoomOutEnabled_);
        }
        DrawZoomView();
    });
}

void WaveformDisplay::NudgeBack()
{
    Nudge(false);
}

void WaveformDisplay::NudgeForward()
{
    Nudge(true);
}

void WaveformDisplay::Nudge(bool forward)
{
    SilentlyAborting([&] {
        if (markers_.SelectedMarker() < 1)
            return;
        markers_.NudgeMarker(forward ? NudgeDirection::Forward : NudgeDirection::Back, zoom_.Step());
        RefreshMarkers();
        emit markersChanged();
    });
}

// --- Mouse ----------------------------------------------------------------------

void WaveformDisplay::PicturePressed(int x, Qt::MouseButton)
{
    SilentlyAborting([&] {
        if (markers_.SectionCount() == 0)
            return;
        const int section = pixels_.SectionAtPixel(x);
        if (section == markers_.SelectedSection())
            return;
        markers_.SelectMarker(0);
        markers_.SelectSection(section);
        RefreshMarkers();
        emit selectionChanged();
    });
}

void WaveformDisplay::MarkerPressed(int i, Qt::MouseButton button)
{
    SilentlyAborting([&] {
        const bool left = button == Qt::LeftButton;
        if (i == 0) { // MarkerOn: the selected marker
            markers_.SetDragging(left);
            return;
        }
        if (left && markers_.Dragging())
            return;
        markers_.SelectMarker(i);
        markers_.SetDragging(left);
        RefreshMarkers();
        emit selectionChanged();
    });
}

void WaveformDisplay::MarkerDragged(int x)
{
    SilentlyAborting([&] {
        if (!markers_.Dragging() || markers_.SelectedMarker() < 1)
            return;
        markers_.DragMarker(pixels_.DragSelectedTo(x));
        RefreshMarkers();
        emit markerDragged();
    });
}

void WaveformDisplay::MarkerReleased(Qt::MouseButton button)
{
    SilentlyAborting([&] {
        markers_.SetDragging(false);
        if (button != Qt::LeftButton)
            return;
        markers_.TidyMarkers();
        RefreshMarkers();
        emit markersChanged();
    });
}

} // namespace oq
