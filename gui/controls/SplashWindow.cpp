#include "gui/controls/SplashWindow.h"

#include "gui/controls/SkinSplash.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace oq {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setFixedSize(kSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    // A coarse timer may fire up to 5 % early; the splash's time is a minimum.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(true);
    timer_.start(kMinimumMilliseconds);
}

void SplashWindow::ShowNow()
{
    show();
    picture_ = SkinSplash(devicePixelRatioF());
    repaint();
    QCoreApplication::processEvents();
}

void SplashWindow::WaitAndClose()
{
    while (!MayClose())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    close();
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    if (picture_.isNull() || !qFuzzyCompare(picture_.devicePixelRatio(), devicePixelRatioF()))
        picture_ = SkinSplash(devicePixelRatioF());
    QPainter(this).drawPixmap(0, 0, picture_);
}

void SplashWindow::closeEvent(QCloseEvent* event)
{
    if (MayClose())
        event->accept();
    else
        event->ignore();
}

} // namespace oq
