#include "gui/controls/FocusReturn.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace oq {

namespace {

// Windows the user works in; menus and tool tips come and go without ever
// taking the keyboard from them.
bool TakesKeyboard(const QWidget& window)
{
    switch (window.windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Tool:
        return true;
    default:
        return false;
    }
}

bool CanReturnTo(const QWidget* window, const QWidget* closing)
{
    return window && window != closing && window->isVisible() && TakesKeyboard(*window);
}

} // namespace

FocusReturn::FocusReturn(QObject* application) : QObject(application)
{
    setObjectName(QStringLiteral("FocusReturn"));
    focused_ = QGuiApplication::focusWindow();
    application->installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &FocusReturn::FocusWindowChanged);
}

void FocusReturn::Install()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application->findChild<FocusReturn*>(QString(), Qt::FindDirectChildrenOnly))
        new FocusReturn(application);
}

QWidget* FocusReturn::ReturnedTo(const QWidget& closing)
{
    for (const QWidget* below = closing.parentWidget(); below; below = below->parentWidget())
        if (CanReturnTo(below->window(), &closing))
            return below->window();
    if (QWidget* modal = QApplication::activeModalWidget(); CanReturnTo(modal, &closing))
        return modal;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (!window->parentWidget() && CanReturnTo(window, &closing))
            return window;
    return nullptr;
}

bool FocusReturn::eventFilter(QObject* watched, QEvent* event)
{
    // A spontaneous hide is the window system's (a minimized window): the
    // focus is its business then.
    if (event->type() != QEvent::Hide || event->spontaneous() || !watched->isWidgetType())
        return false;
    const auto* closing = static_cast<QWidget*>(watched);
    if (!closing->isWindow() || !TakesKeyboard(*closing) || !closing->windowHandle())
        return false;
    returnTo_ = ReturnedTo(*closing);
    // The server moves the keyboard, and tells the program, only after the
    // window is gone; a window that has it as far as the program knows
    // hands it on at once. One that was given it a moment before it hid is
    // seen in FocusWindowChanged.
    if (QGuiApplication::focusWindow() == closing->windowHandle())
        ReturnLater();
    return false;
}

void FocusReturn::FocusWindowChanged(QWindow* now)
{
    const QPointer<QWindow> before = std::exchange(focused_, now);
    // The keyboard went to a window that is gone, or out of the program
    // from one that is (a dialog's window is destroyed with the dialog).
    // Out of the program from a window still shown is the user's doing:
    // another program was chosen.
    const bool lost = now ? !now->isVisible() : !before || !before->isVisible();
    if (lost)
        ReturnLater();
}

void FocusReturn::ReturnLater()
{
    QTimer::singleShot(0, this, [this] {
        QWidget* target = returnTo_;
        if (!target || !target->isVisible()) {
            target = QApplication::activeModalWidget();
            if (!target)
                return;
        }
        if (!target->isActiveWindow())
            target->activateWindow();
    });
}

} // namespace oq
