#include "gui/controls/WindowDragger.h"

#include "gui/controls/WindowSystem.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace oq {

namespace {

// X11 hands the move to the window manager as a button-1 drag, so there the
// other buttons move the window by hand; where the window system places the
// windows itself, a window moved by hand would not move at all.
bool SystemMovesWith(Qt::MouseButton button)
{
    return button == Qt::LeftButton || WindowSystem::PlacesWindowsItself();
}

} // namespace

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
        const bool systemMove = SystemMovesWith(mouse->button()) && handle && handle->startSystemMove();
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
