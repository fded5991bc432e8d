#pragma once

#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;

namespace oq {

// Hands the keyboard back when one of the program's windows closes. With a
// window manager, the manager gives the focus to the window below; on an X
// display without one, the server gives it to the root window and every key
// goes nowhere until the user clicks a window. So when the window with the
// keyboard hides (a dialog's OK or Cancel, the progress window at the end
// of an analysis, the information window's Close), this activates the
// window the user returns to: the window it was opened over, else the
// modal window still open, else another visible window of the program.
//
// One watcher serves the whole application, as its event filter, so that
// no window has to do this itself when it closes.
class FocusReturn : public QObject {
    Q_OBJECT

public:
    // Installs the watcher on the application (which must exist) once;
    // later calls do nothing.
    static void Install();

    // The window that should have the keyboard once `closing` has hidden;
    // null when no window of the program is left to take it.
    static QWidget* ReturnedTo(const QWidget& closing);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FocusReturn(QObject* application);
    void FocusWindowChanged(QWindow* now);
    // Activates returnTo_ once the events at hand are through (a dialog's
    // modal loop has then ended).
    void ReturnLater();

    // The window the last window that hid returns to.
    QPointer<QWidget> returnTo_;
    // The window that has the keyboard as the program last heard.
    QPointer<QWindow> focused_;
};

} // namespace oq
