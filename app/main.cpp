#include "gui/editor/MainWindow.h"
#include "gui/controls/Skin.h"
#include "gui/controls/SplashWindow.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("oggquorvel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Ogg Quorvel 2003"));
    QGuiApplication::setDesktopFileName(QStringLiteral("oggquorvel"));
    oq::ApplySkinToApplication();
    // The program ends with its main window, whatever else is still open.
    QApplication::setQuitOnLastWindowClosed(false);

    oq::SplashWindow splash;
    splash.ShowNow();

    // The main window makes the program's other windows after itself, once
    // each; they live, hidden when unused, until the program ends.
    oq::MainWindow window;
    QObject::connect(&window, &oq::MainWindow::closed, &app, &QCoreApplication::quit);

    splash.WaitAndClose();
    window.show();
    // Without a window manager nothing gives a new window the keyboard.
    window.activateWindow();

    // One file named on the command line is opened as if it had been dropped.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1)
        QTimer::singleShot(0, &window, [&window, file = arguments.at(1)] { window.OpenOggFile(file); });
    return app.exec();
}
