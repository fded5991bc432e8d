#pragma once

#include "tests/gui/Screenshot.h"

#include <QImage>
#include <QScreen>
#include <QWidget>
#include <QtTest>

#include <algorithm>
#include <cstdlib>

namespace oq::test {

// A pixel counts as shown when no channel differs from the window's own
// rendering by more than this: both come from the same raster engine, so
// only a colour rounding on the way to the X server's visual may differ.
constexpr int kChannelTolerance = 8;
// The share of pixels that may still differ: a text caret that blinked
// between the two pictures (1 x 15 pixels) is 0.06 % of the smallest
// window (224 x 119); a stale label of the main window is more.
constexpr double kMaxMismatch = 0.001;
// How long a window may take to reach the screen on a loaded machine.
constexpr int kShowTimeoutMs = 10000;

// The share of `window`'s pixels where what the screen shows is not what
// the window paints itself. The screen is read back from the root window
// as it is; `xwd -root` is no witness here: it rebuilds the picture from
// each group of windows that share a colormap, read through the group's
// lowest window, and Qt gives all of a program's windows one colormap, so
// a window lying over the main window comes out black there.
inline double ScreenMismatch(QWidget& window, QImage* shownOut = nullptr, QImage* ownOut = nullptr)
{
    const QImage own = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    const QImage shown = window.screen()
                             ->grabWindow(0, origin.x(), origin.y(), window.width(), window.height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    if (shownOut)
        *shownOut = shown;
    if (ownOut)
        *ownOut = own;
    if (shown.size() != own.size() || own.isNull())
        return 1.0;
    qint64 differing = 0;
    for (int y = 0; y < own.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(own.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        for (int x = 0; x < own.width(); ++x) {
            const int worst = std::max({std::abs(qRed(a[x]) - qRed(b[x])), std::abs(qGreen(a[x]) - qGreen(b[x])),
                                        std::abs(qBlue(a[x]) - qBlue(b[x]))});
            differing += worst > kChannelTolerance;
        }
    }
    return double(differing) / (double(own.width()) * own.height());
}

// Waits until the screen shows what `window` paints. Returns an empty
// string, or what was wrong; then both pictures are saved as
// <name>-screen.png and <name>-own.png for a person to compare.
inline QString ScreenProblem(QWidget& window, const QString& name)
{
    if (!QTest::qWaitForWindowExposed(&window, kShowTimeoutMs))
        return name + QStringLiteral(": never exposed");
    double mismatch = 1.0;
    if (QTest::qWaitFor([&] { return (mismatch = ScreenMismatch(window)) <= kMaxMismatch; }, kShowTimeoutMs))
        return {};
    QImage shown;
    QImage own;
    mismatch = ScreenMismatch(window, &shown, &own);
    SaveScreenshot(QPixmap::fromImage(shown), name + QStringLiteral("-screen"));
    SaveScreenshot(QPixmap::fromImage(own), name + QStringLiteral("-own"));
    return QStringLiteral("%1: the screen differs from the window's own picture in %2 % of its pixels")
        .arg(name)
        .arg(mismatch * 100, 0, 'f', 1);
}

} // namespace oq::test

// Fails the test when `window` does not reach the screen as it paints itself.
#define OQ_VERIFY_ON_SCREEN(window, name)                                                                              \
    do {                                                                                                               \
        const QString problem = ::oq::test::ScreenProblem((window), QStringLiteral(name));                             \
        QVERIFY2(problem.isEmpty(), qPrintable(problem));                                                              \
    } while (false)
