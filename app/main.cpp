#include "shell/ui/SplashWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    oq::SplashWindow splash;
    splash.ShowNow();
    splash.WaitAndClose();
    return 0;
}
