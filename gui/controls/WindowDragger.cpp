#include "gui/controls/WindowDragger.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace oq {

WindowDragger* WindowDragger::Install(QWidget* background)
{
    return new WindowDragger(background);
}

WindowDragger::WindowDragger(QWidget* background)
    : QObject(background)
{
    background->installEventFilter(this);
}

bool WindowDragger::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    QWidget* window = widget->window();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        QWindow* handle = window->windowHandle();
        // Window systems start their own move from the primary button only
        // (X11 hands the move to the window manager as a button-1 drag).
        const bool systemMove = mouse->button() == Qt::LeftButton && handle && handle->startSystemMove();
        manualMove_ = !systemMove;
        pressGlobal_ = mouse->globalPosition().toPoint();
        windowStart_ = window->pos();
        return true;
    }
    case QEvent::MouseMove:
        if (!manualMove_)
            return false;
        if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
            manualMove_ = false;
            return false;
        }
        window->move(windowStart_ + static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - pressGlobal_);
        return true;
    case QEvent::MouseButtonRelease:
        if (!manualMove_)
            return false;
        if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
            manualMove_ = false;
        return true;
    default:
        return false;
    }
}

} // namespace oq
