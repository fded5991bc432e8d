#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

namespace oq {

// Moves a borderless window when the user drags its background: a press of
// any mouse button on a watched widget hands the move to the window system
// where it offers one (so it snaps and follows its own rules), and otherwise
// moves the window with the mouse until the button is released.
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
