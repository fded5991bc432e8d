#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

namespace oq {

// Moves a borderless window when the user drags its background with any
// mouse button. A left-button drag (on Wayland, any drag) is handed to the
// window system where it offers one (so the move snaps and follows its
// rules); other buttons, and systems without one, move the window with the
// mouse until the release.
class WindowDragger : public QObject {
    Q_OBJECT

public:
    // Makes `background` drag its window. The dragger is owned by `background`.
    static WindowDragger* Install(QWidget* background);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowDragger(QWidget* background);

    bool manualMove_ = false;
    QPoint pressGlobal_;
    QPoint windowStart_;
};

} // namespace oq
