#include "gui/editor/OverviewView.h"

#include "model/MarkerList.h"
#include "gui/editor/MarkerPixels.h"
#include "gui/editor/SkinMarkerGlyph.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QUrl>

namespace oq {

namespace {

// The ruler's texts: 8-pixel bold, their tops 3 pixels below the view's top,
// centred on the quarters of the display width.
constexpr int kRulerTop = 3;
constexpr int kRulerHeight = 12;
constexpr int kRulerTextWidth = 80;
constexpr int kRulerFontPixels = 8;
constexpr int kRulerQuarter = 115; // a quarter of the 460-pixel display width

} // namespace

OverviewView::OverviewView(const MarkerList& markers, const MarkerPixels& pixels, QWidget* parent)
    : QWidget(parent), markers_(markers), pixels_(pixels), picture_(kPicture.size()),
      labels_{QStringLiteral("0"), QStringLiteral("00:00:00"), QStringLiteral("00:00:00"), QStringLiteral("00:00:00"),
              tr("End")}
{
    setGeometry(kPlace);
    setMouseTracking(true);
    setAcceptDrops(true);
    setToolTip(tr("Ogg Display"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(kRulerFontPixels);
    font.setBold(true);
    setFont(font);
}

QRect OverviewView::MarkerRect(int pixel)
{
    return {QPoint(kPicture.x() + pixel - kMarkerHalfWidth, kMarkerTop), kMarkerSize};
}

QRect OverviewView::PictureColumns(int x0, int x1) const
{
    return QRect(kPicture.x() + x0, kPicture.y(), x1 - x0, kPicture.height()).intersected(kPicture);
}

void OverviewView::PictureChanged(int x0, int x1)
{
    update(PictureColumns(x0, x1));
}

void OverviewView::PictureChanged()
{
    paintedLine_ = line_;
    update(kPicture);
}

void OverviewView::SetMarkerLine(std::optional<int> x)
{
    line_ = x;
}

void OverviewView::SyncLine()
{
    if (paintedLine_ == line_)
        return;
    if (paintedLine_)
        PictureChanged(*paintedLine_, *paintedLine_ + 1);
    paintedLine_ = line_;
    if (paintedLine_)
        PictureChanged(*paintedLine_, *paintedLine_ + 1);
}

QImage OverviewView::ShownPicture() const
{
    QImage shown = picture_.Image();
    if (line_) {
        QPainter painter(&shown);
        painter.fillRect(QRectF(*line_, 0, 1, kPicture.height()), WaveformPicture::kOutline);
    }
    return shown;
}

void OverviewView::SetTimeLabels(const std::array<QString, 3>& times)
{
    std::copy(times.begin(), times.end(), labels_.begin() + 1);
    update(QRect(0, kRulerTop, width(), kRulerHeight));
}

OverviewView::StripState OverviewView::CurrentStrip() const
{
    StripState strip;
    const int n = markers_.MarkerCount();
    strip.images.reserve(static_cast<std::size_t>(n));
    for (int i = 1; i <= n; ++i)
        strip.images.push_back(markers_.ImageVisible(i) ? std::optional<int>(pixels_.ImagePixel(i)) : std::nullopt);
    if (markers_.MarkerOnVisible())
        strip.markerOn = pixels_.MarkerOnPixel();
    return strip;
}

void OverviewView::SyncMarkers()
{
    SyncLine();
    StripState now = CurrentStrip();
    QRegion dirty;
    const auto changed = [&dirty](std::optional<int> before, std::optional<int> after) {
        if (before == after)
            return;
        if (before)
            dirty += MarkerRect(*before);
        if (after)
            dirty += MarkerRect(*after);
    };
    const std::size_t common = std::min(now.images.size(), painted_.images.size());
    for (std::size_t k = 0; k < common; ++k)
        changed(painted_.images[k], now.images[k]);
    for (std::size_t k = common; k < painted_.images.size(); ++k)
        changed(painted_.images[k], std::nullopt);
    for (std::size_t k = common; k < now.images.size(); ++k)
        changed(std::nullopt, now.images[k]);
    changed(painted_.markerOn, now.markerOn);
    painted_ = std::move(now);
    if (!dirty.isEmpty())
        update(dirty);
}

std::optional<int> OverviewView::MarkerAt(QPoint point) const
{
    if (markers_.MarkerOnVisible() && MarkerRect(pixels_.MarkerOnPixel()).contains(point))
        return 0;
    for (int i = markers_.MarkerCount(); i >= 1; --i)
        if (markers_.ImageVisible(i) && MarkerRect(pixels_.ImagePixel(i)).contains(point))
            return i;
    return std::nullopt;
}

void OverviewView::PrepareGlyphs(qreal ratio)
{
    if (!glyphOff_.isNull() && glyphOff_.devicePixelRatio() == ratio)
        return;
    glyphOff_ = SkinMarkerGlyph(false, ratio);
    glyphOn_ = SkinMarkerGlyph(true, ratio);
}

void OverviewView::paintEvent(QPaintEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    picture_.ChangeDevicePixelRatio(ratio);
    PrepareGlyphs(ratio);

    QPainter painter(this);
    const QRect area = event->rect();
    if (area.intersects(QRect(0, kRulerTop, width(), kRulerHeight)))
        PaintRuler(painter);
    if (area.intersects(kPanel)) {
        painter.setPen(WaveformPicture::kOutline);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(kPanel).adjusted(0.5, 0.5, -0.5, -0.5));
        painter.drawImage(kPicture.topLeft(), picture_.Image());
        if (paintedLine_)
            painter.fillRect(PictureColumns(*paintedLine_, *paintedLine_ + 1), WaveformPicture::kOutline);
    }
    PaintMarkers(painter, area);
}

void OverviewView::PaintRuler(QPainter& painter)
{
    painter.setPen(palette().color(QPalette::WindowText));
    for (std::size_t k = 0; k < labels_.size(); ++k) {
        const int centre = kPicture.x() + static_cast<int>(k) * kRulerQuarter;
        painter.drawText(QRect(centre - kRulerTextWidth / 2, kRulerTop, kRulerTextWidth, kRulerHeight),
                         Qt::AlignHCenter | Qt::AlignTop, labels_[k]);
    }
}

void OverviewView::PaintMarkers(QPainter& painter, const QRect& area)
{
    // Images in the order they were made, each over the ones before; MarkerOn on top.
    for (int i = 1; i <= markers_.MarkerCount(); ++i) {
        if (!markers_.ImageVisible(i))
            continue;
        const QRect place = MarkerRect(pixels_.ImagePixel(i));
        if (place.intersects(area))
            painter.drawPixmap(place.topLeft(), glyphOff_);
    }
    if (markers_.MarkerOnVisible()) {
        const QRect place = MarkerRect(pixels_.MarkerOnPixel());
        if (place.intersects(area))
            painter.drawPixmap(place.topLeft(), glyphOn_);
    }
}

void OverviewView::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (const auto marker = MarkerAt(at)) {
        holdingMarker_ = true;
        emit markerPressed(*marker, event->button());
    } else if (kPicture.contains(at)) {
        emit picturePressed(at.x() - kPicture.x(), event->button());
    } else {
        event->ignore(); // the window's background below takes it (moving the window)
    }
}

void OverviewView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (holdingMarker_) {
        // The view keeps the mouse while a button is held, also outside it.
        emit markerDragged(at.x() - kPicture.x());
        return;
    }
    if (event->buttons() == Qt::NoButton)
        setCursor(MarkerAt(at) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void OverviewView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!holdingMarker_)
        return;
    if (event->buttons() == Qt::NoButton)
        holdingMarker_ = false;
    emit markerReleased(event->button());
}

void OverviewView::leaveEvent(QEvent* event)
{
    unsetCursor();
    QWidget::leaveEvent(event);
}

namespace {

QStringList LocalFiles(const QMimeData* data)
{
    QStringList files;
    if (!data)
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

} // namespace

void OverviewView::dragEnterEvent(QDragEnterEvent* event)
{
    if (kPanel.contains(event->position().toPoint()) && !LocalFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void OverviewView::dragMoveEvent(QDragMoveEvent* event)
{
    // Only the panel takes files; the ruler and the marker strip do not.
    if (kPanel.contains(event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void OverviewView::dropEvent(QDropEvent* event)
{
    const QStringList files = LocalFiles(event->mimeData());
    if (files.isEmpty() || !kPanel.contains(event->position().toPoint()))
        return;
    event->acceptProposedAction();
    emit filesDropped(files);
}

} // namespace oq
