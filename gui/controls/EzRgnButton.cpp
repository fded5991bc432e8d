#include "gui/controls/EzRgnButton.h"

#include <QBitmap>
#include <QEnterEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

#include "gui/controls/SkinPalette.h"

#include <cmath>

namespace oq {

namespace {

constexpr QSize kCreatedSize(15, 15);

QImage Argb(const QPixmap& picture)
{
    return picture.toImage().convertToFormat(QImage::Format_ARGB32);
}

// The mask of a pmCrop button, in the widget's own pixels: a pixel of the
// widget is left out when every device pixel of the picture under it holds
// the key colour (at a device pixel ratio of 1, exactly the key-coloured pixels).
QRegion CropRegion(const QPixmap& picture)
{
    const QImage image = Argb(picture);
    const QRgb key = image.pixel(0, 0);
    const qreal ratio = picture.devicePixelRatio();
    const QSize size = picture.deviceIndependentSize().toSize();
    QImage kept(size, QImage::Format_ARGB32);
    kept.fill(Qt::transparent);
    for (int x = 0; x < size.width(); ++x) {
        const int x0 = static_cast<int>(std::floor(x * ratio));
        const int x1 = std::min(image.width(), static_cast<int>(std::ceil((x + 1) * ratio)));
        for (int y = 0; y < size.height(); ++y) {
            const int y0 = static_cast<int>(std::floor(y * ratio));
            const int y1 = std::min(image.height(), static_cast<int>(std::ceil((y + 1) * ratio)));
            bool allKey = true;
            for (int dx = x0; dx < x1 && allKey; ++dx)
                for (int dy = y0; dy < y1 && allKey; ++dy)
                    allKey = image.pixel(dx, dy) == key;
            if (!allKey)
                kept.setPixel(x, y, qRgba(0, 0, 0, 255));
        }
    }
    const QRegion region(QBitmap::fromImage(kept.createAlphaMask()));
    // An empty mask means no mask to Qt; a picture all of the key colour
    // must leave nothing of the button, so it gets a mask outside itself.
    return region.isEmpty() ? QRegion(-1, -1, 1, 1) : region;
}

} // namespace

EzRgnButton::EzRgnButton(QWidget* parent)
    : QWidget(parent)
{
    resize(kCreatedSize);
    // Tab reaches the button, a click does not take the focus from a field.
    setFocusPolicy(Qt::TabFocus);
    repeatTimer_.setInterval(kRepeatMilliseconds);
    connect(&repeatTimer_, &QTimer::timeout, this, &EzRgnButton::Click);
}

void EzRgnButton::SetAutoRepeat(bool on)
{
    autoRepeat_ = on;
    UpdateRepeat();
}

void EzRgnButton::SetEnabled(bool on)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    // Tab passes over a button that would not click.
    setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
    Refresh();
}

void EzRgnButton::SetPicIdle(const QPixmap& picture)
{
    picIdle_ = picture;
    Refresh();
    // The mask follows the rest picture. A button put into pmCrop before it
    // had a rest picture gets its mask now.
    if (paintMode_ == PaintMode::pmCrop) {
        RemoveRegion();
        ApplyRegion();
    }
}

void EzRgnButton::SetPicUp(const QPixmap& picture)
{
    picUp_ = picture;
    Refresh();
}

void EzRgnButton::SetPicDown(const QPixmap& picture)
{
    picDown_ = picture;
    Refresh();
}

void EzRgnButton::SetPicDsbld(const QPixmap& picture)
{
    picDsbld_ = picture;
    Refresh();
}

void EzRgnButton::SetImageList(const QList<QPixmap>& pictures)
{
    QList<qint64> keys;
    for (const QPixmap& picture : pictures)
        keys.append(picture.cacheKey());
    if (keys == imageListKeys_)
        return;
    imageListKeys_ = keys;
    if (pictures.size() > 0)
        SetPicIdle(pictures[0]);
    if (pictures.size() > 1)
        SetPicUp(pictures[1]);
    if (pictures.size() > 2)
        SetPicDown(pictures[2]);
    if (pictures.size() > 3)
        SetPicDsbld(pictures[3]);
}

void EzRgnButton::SetPaintMode(PaintMode mode)
{
    if (mode == paintMode_)
        return;
    if (paintMode_ == PaintMode::pmCrop)
        RemoveRegion();
    paintMode_ = mode;
    if (paintMode_ == PaintMode::pmCrop)
        ApplyRegion();
    Refresh();
}

const QPixmap& EzRgnButton::CurrentPicture() const
{
    const auto orIdle = [this](const QPixmap& picture) -> const QPixmap& {
        return picture.isNull() ? picIdle_ : picture;
    };
    if (down_ && inside_ && enabled_)
        return orIdle(picDown_);
    if (inside_ && !down_ && enabled_)
        return orIdle(picUp_);
    return enabled_ ? picIdle_ : orIdle(picDsbld_);
}

void EzRgnButton::Click()
{
    if (enabled_)
        emit clicked();
}

bool EzRgnButton::Covers(QPoint position) const
{
    return rect().contains(position) && (!regionApplied_ || mask().contains(position));
}

void EzRgnButton::SetInside(bool inside)
{
    if (inside == inside_)
        return;
    inside_ = inside;
    Refresh();
    if (inside_)
        emit mouseEntered();
    else
        emit mouseLeft();
    UpdateRepeat();
}

void EzRgnButton::ApplyRegion()
{
    if (regionApplied_ || picIdle_.isNull())
        return;
    setMask(CropRegion(picIdle_));
    regionApplied_ = true;
}

void EzRgnButton::RemoveRegion()
{
    if (!regionApplied_)
        return;
    clearMask();
    regionApplied_ = false;
}

void EzRgnButton::Refresh()
{
    const QPixmap& picture = CurrentPicture();
    if (!picture.isNull()) {
        const QSize size = picture.deviceIndependentSize().toSize();
        if (size != this->size())
            resize(size);
    }
    repaint();
}

void EzRgnButton::UpdateRepeat()
{
    const bool run = autoRepeat_ && inside_ && down_;
    if (run && !repeatTimer_.isActive())
        repeatTimer_.start();
    else if (!run)
        repeatTimer_.stop();
}

const QPixmap& EzRgnButton::KeyedPicture(const QPixmap& picture)
{
    if (picture.cacheKey() == keyedSource_)
        return keyed_;
    QImage image = Argb(picture);
    const QRgb key = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
    }
    keyed_ = QPixmap::fromImage(image);
    keyed_.setDevicePixelRatio(picture.devicePixelRatio());
    keyedSource_ = picture.cacheKey();
    return keyed_;
}

void EzRgnButton::paintEvent(QPaintEvent*)
{
    const QPixmap& picture = CurrentPicture();
    if (picture.isNull())
        return;
    QPainter painter(this);
    // A cropped button leaves its key colour out as well, so that at device
    // pixel ratios above 1 no key-coloured sliver shows along the mask's edge.
    painter.drawPixmap(0, 0, paintMode_ == PaintMode::pmNormal ? picture : KeyedPicture(picture));
    if (hasFocus()) {
        // The skin's accent, dashed, one pixel inside the edge so that a
        // cropped button's mask keeps most of it.
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(SkinColours::Accent(), 1.5, Qt::DashLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
    }
}

void EzRgnButton::AddShortcut(const QKeySequence& key)
{
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, this, &EzRgnButton::Click);
    if (!keyInHint_) {
        keyInHint_ = true;
        setToolTip(tr("%1 (%2)").arg(toolTip(), key.toString(QKeySequence::NativeText)));
    }
}

void EzRgnButton::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() & ~Qt::KeypadModifier)
            break;
        // A held key repeats as the auto-repeat of a held mouse button does.
        if (!event->isAutoRepeat() || autoRepeat_)
            Click();
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void EzRgnButton::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void EzRgnButton::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

bool EzRgnButton::event(QEvent* event)
{
    // The keys that press a focused button are not the window's shortcuts then.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int code = key->key();
        if ((code == Qt::Key_Space || code == Qt::Key_Return || code == Qt::Key_Enter) &&
            !(key->modifiers() & ~Qt::KeypadModifier)) {
            event->accept();
            return true;
        }
    }
    // Screen readers name the button by its hint unless it was named otherwise.
    if (event->type() == QEvent::ToolTipChange && (accessibleName().isEmpty() || accessibleName() == namedBy_)) {
        namedBy_ = toolTip();
        setAccessibleName(namedBy_);
    }
    return QWidget::event(event);
}

void EzRgnButton::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    SetInside(true);
}

void EzRgnButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    SetInside(false);
}

void EzRgnButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    down_ = true;
    // A press always lands inside the shape (the mask keeps the rest away).
    inside_ = true;
    Refresh();
    emit mousePressed(event->position().toPoint());
    UpdateRepeat();
}

void EzRgnButton::mouseMoveEvent(QMouseEvent* event)
{
    // While held, the button keeps the mouse; leaving and coming back are
    // seen here rather than as enter and leave events.
    if (down_)
        SetInside(Covers(event->position().toPoint()));
}

void EzRgnButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint position = event->position().toPoint();
    const bool wasDown = down_;
    down_ = false;
    inside_ = Covers(position);
    if (wasDown && inside_)
        Click();
    Refresh();
    emit mouseReleased(position);
    UpdateRepeat();
}

void EzRgnButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click arrives as this event, and on some
    // platforms after a press of its own, which is taken back here: the
    // release that follows finds the button not held, so a double-click
    // clicks only once.
    event->accept();
    if (event->button() != Qt::LeftButton || !down_)
        return;
    down_ = false;
    Refresh();
    UpdateRepeat();
}

} // namespace oq
