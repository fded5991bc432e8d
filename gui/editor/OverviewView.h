#pragma once

#include "gui/editor/MainWindowLayout.h"
#include "gui/editor/WaveformPicture.h"

#include <QPixmap>
#include <QRect>
#include <QStringList>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

namespace oq {

class MarkerList;
class MarkerPixels;

// The overview of the whole file with its time ruler above and the marker
// images below: the white, framed panel that shows the picture, the five
// ruler texts, one image per marker (the selected one drawn as MarkerOn),
// and the marker line. It draws and reports the mouse; what a press or a
// move means is decided by WaveformDisplay.
//
// The marker images are painted, not separate widgets, so that a thousand
// markers cost nothing until they move; a moved image repaints only the
// strip under its old and its new place.
class OverviewView : public QWidget {
    Q_OBJECT

public:
    // Where the view stands in the main window's client area: it reaches from
    // the ruler (top 129) to the bottom of the marker images (290), and from
    // the left of the first marker image to the right of the "End" text.
    static constexpr QRect kPlace = MainWindowLayout::kOverview;
    // The framed panel (OggPanel) and its picture (ImgOgg), in view coordinates.
    static constexpr QRect kPanel{14, 19, 461, 131};
    static constexpr QRect kPicture{15, 20, 459, 129};
    // Marker images: 13 x 14, their tops two pixels below the picture's
    // bottom edge, centred on their pixel.
    static constexpr QSize kMarkerSize{13, 14};
    static constexpr int kMarkerTop = kPanel.y() + kPicture.height() + 2;
    static constexpr int kMarkerHalfWidth = kMarkerSize.width() / 2;

    // Shows the markers of `markers` at the pixels of `pixels`.
    OverviewView(const MarkerList& markers, const MarkerPixels& pixels, QWidget* parent);

    WaveformPicture& Picture() noexcept { return picture_; }
    const WaveformPicture& Picture() const noexcept { return picture_; }
    // The picture has changed over columns x0 <= x < x1.
    void PictureChanged(int x0, int x1);
    // The picture has changed as a whole.
    void PictureChanged();

    // The marker line: a one-pixel line over the picture at column x, or
    // none. The screen follows at the next SyncMarkers (or whole picture
    // change), so that the places a line passes within one operation are
    // not repainted.
    void SetMarkerLine(std::optional<int> x);
    std::optional<int> MarkerLine() const noexcept { return line_; }
    // The picture as the screen shows it, marker line included.
    QImage ShownPicture() const;

    // TimeLabel1..TimeLabel3; TimeLabel0 and TimeLabel4 always read "0" and "End".
    void SetTimeLabels(const std::array<QString, 3>& times);
    const std::array<QString, 5>& TimeLabels() const noexcept { return labels_; }

    // Repaints the marker images and the marker line where they moved,
    // appeared or vanished since the last call, and nothing else.
    void SyncMarkers();

    // Where marker image i (1..n) or MarkerOn stands, in view coordinates.
    static QRect MarkerRect(int pixel);

signals:
    // A press on the picture, x in picture columns.
    void picturePressed(int x, Qt::MouseButton button);
    // A press on marker image i (1..n), or on MarkerOn when i is 0.
    void markerPressed(int i, Qt::MouseButton button);
    // The mouse moved while held down on a marker; x in picture columns.
    void markerDragged(int x);
    void markerReleased(Qt::MouseButton button);
    void filesDropped(const QStringList& files);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What the marker strip showed when last painted: the pixel of each
    // visible image (hidden ones as nullopt) and of MarkerOn.
    struct StripState {
        std::vector<std::optional<int>> images;
        std::optional<int> markerOn;
    };

    StripState CurrentStrip() const;
    // The marker under a point: 0 for MarkerOn, 1..n for an image, nullopt
    // for none. MarkerOn lies on top, then later images over earlier ones.
    std::optional<int> MarkerAt(QPoint point) const;
    void PaintRuler(QPainter& painter);
    void PaintMarkers(QPainter& painter, const QRect& area);
    void PrepareGlyphs(qreal ratio);
    QRect PictureColumns(int x0, int x1) const;
    void SyncLine();

    const MarkerList& markers_;
    const MarkerPixels& pixels_;
    WaveformPicture picture_;
    std::optional<int> line_;
    std::optional<int> paintedLine_; // the line as the screen shows it (or is about to)
    std::array<QString, 5> labels_;
    StripState painted_;
    QPixmap glyphOff_; // MarkerImgOff
    QPixmap glyphOn_;  // MarkerOn
    bool holdingMarker_ = false;
};

} // namespace oq
