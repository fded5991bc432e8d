#pragma once

#include <QKeySequence>
#include <QList>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace oq {

// How a region button puts its picture on the screen. The key colour is the
// colour of the picture's top-left pixel.
enum class PaintMode {
    pmNormal,      // the picture as it is
    pmCrop,        // the picture, and a window mask that leaves out every key-coloured pixel
                   // of the rest picture, so clicks there reach whatever lies behind
    pmTransparent, // the picture with its key-coloured pixels left out
};

// The skinned push button of every window. It shows one of four pictures
// (rest, hover, pressed, disabled) and takes the size of the one it shows.
//
// Its enabled state is its own flag (SetEnabled/Enabled), separate from
// QWidget's: a disabled button stays a live widget that still tracks the
// mouse and shows its tool tip, it only shows its disabled picture and
// clicks no more. Do not call QWidget::setEnabled on it.
//
// A click is a left press and release with the mouse on the button. A
// double-click counts once: its second press is ignored. With AutoRepeat the
// button also clicks every 300 ms while it is held with the mouse on it.
//
// Tab gives the button the focus, which it shows with a frame; Space,
// Return and Enter then click it. Its accessible name is its hint (set the
// hint before AddShortcut, which extends it).
class EzRgnButton : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRepeatMilliseconds = 300;

    explicit EzRgnButton(QWidget* parent = nullptr);

    bool AutoRepeat() const noexcept { return autoRepeat_; }
    void SetAutoRepeat(bool on);

    bool Enabled() const noexcept { return enabled_; }
    bool Disabled() const noexcept { return !enabled_; }
    void SetEnabled(bool on);

    const QPixmap& PicIdle() const noexcept { return picIdle_; }
    const QPixmap& PicUp() const noexcept { return picUp_; }
    const QPixmap& PicDown() const noexcept { return picDown_; }
    const QPixmap& PicDsbld() const noexcept { return picDsbld_; }
    // The rest picture is also the source of the pmCrop mask.
    void SetPicIdle(const QPixmap& picture);
    void SetPicUp(const QPixmap& picture);
    void SetPicDown(const QPixmap& picture);
    void SetPicDsbld(const QPixmap& picture);
    // Pictures 0..3 of the list become the rest, hover, pressed and disabled
    // pictures, as far as the list has them.
    void SetImageList(const QList<QPixmap>& pictures);

    PaintMode GetPaintMode() const noexcept { return paintMode_; }
    void SetPaintMode(PaintMode mode);

    // The picture the button shows in its present state; null when it has none.
    const QPixmap& CurrentPicture() const;
    bool MouseInside() const noexcept { return inside_; }
    bool HeldDown() const noexcept { return down_; }

    // Clicks the button, as a press and release on it would: only when enabled.
    void Click();
    // A key that clicks the button while its window is in front. The hint
    // names the button's first key.
    void AddShortcut(const QKeySequence& key);

signals:
    void clicked();
    void mouseEntered();
    void mouseLeft();
    void mousePressed(QPoint position);
    void mouseReleased(QPoint position);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Inside the button's shape: its rectangle less the pmCrop mask.
    bool Covers(QPoint position) const;
    void SetInside(bool inside);
    void ApplyRegion();
    void RemoveRegion();
    // Takes the size of the chosen picture and paints it at once.
    void Refresh();
    void UpdateRepeat();
    const QPixmap& KeyedPicture(const QPixmap& picture);

    QPixmap picIdle_;
    QPixmap picUp_;
    QPixmap picDown_;
    QPixmap picDsbld_;
    QList<qint64> imageListKeys_;
    PaintMode paintMode_ = PaintMode::pmNormal;
    bool autoRepeat_ = false;
    bool enabled_ = true;
    bool inside_ = false;
    bool down_ = false;
    bool regionApplied_ = false;
    QTimer repeatTimer_;
    // The last picture drawn with its key colour left out, and the source it came from.
    qint64 keyedSource_ = 0;
    QPixmap keyed_;
    QString namedBy_; // the hint the accessible name was taken from
    bool keyInHint_ = false;
};

} // namespace oq
