// Pictures of windows and skin pieces for a person to look at, saved into
// the folder OQ_SCREENSHOT_DIR names. Not a test: it checks nothing but
// that every picture was written. With "--scale 2" the pictures are made at
// 200 % scaling, as a high-density screen shows them.
#include "gui/controls/EzRgnButton.h"
#include "gui/controls/Skin.h"
#include "gui/controls/SplashWindow.h"
#include "gui/editor/MainWindow.h"
#include "tests/gui/DesktopSandbox.h"
#include "tests/gui/Screenshot.h"
#include "tests/gui/WaveformBench.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <memory>

namespace oq::test {
namespace {

// Counts the pictures that could not be written.
class Album {
public:
    void Save(const QPixmap& picture, const QString& name)
    {
        if (!SaveScreenshot(picture, name)) {
            std::fprintf(stderr, "cannot write the screenshot %s\n", qPrintable(name));
            ++failures_;
        }
    }
    int Failures() const noexcept { return failures_; }

private:
    int failures_ = 0;
};

// The overview and zoom view with five markers: one selected, zoomed in,
// then a section selected.
void WaveformDisplay(Album& album)
{
    TempDir folder;
    MPEGData record;
    AmplitudeProfile profile;
    if (!MakeChainedTake(folder.Path("take.ogg"), record, profile)) {
        std::fprintf(stderr, "cannot make the recording of the waveform pictures\n");
        album.Save({}, QStringLiteral("waveform-display"));
        return;
    }
    WaveformBench bench;
    bench.Open(record, profile, true);
    const std::int32_t blocks = bench.display.Blocks();
    bench.markers.ReplaceMarkers({0, blocks / 5, blocks * 2 / 5, blocks * 7 / 10, blocks});
    bench.Show();

    bench.markers.SelectMarker(2);
    album.Save(bench.Screenshot(), QStringLiteral("waveform-display"));
    for (int k = 0; k < 3; ++k)
        bench.display.ZoomIn();
    album.Save(bench.Screenshot(), QStringLiteral("waveform-display-zoomed"));
    QTest::mouseClick(bench.display.Overview(), Qt::LeftButton, {}, WaveformBench::PicturePoint(260));
    album.Save(bench.Screenshot(), QStringLiteral("waveform-display-section"));
}

// The splash window, every button in its four states side by side, and the
// backgrounds of the windows not shown elsewhere, all at 200 %.
void SkinAtDoubleScale(Album& album)
{
    SplashWindow splash;
    splash.ShowNow();
    album.Save(splash.grab(), QStringLiteral("splash-200"));

    constexpr int kButtons = static_cast<int>(SkinButton::Browse) + 1;
    constexpr QSize kCell(76, 52);
    QPixmap sheet(QSize(kCell.width() * 4, kCell.height() * kButtons) * 2);
    sheet.setDevicePixelRatio(2);
    sheet.fill(SkinColours::Face());
    QPainter painter(&sheet);
    for (int kind = 0; kind < kButtons; ++kind) {
        const QList<QPixmap> pictures = SkinButtonPictures(static_cast<SkinButton>(kind), 2);
        for (int state = 0; state < pictures.size(); ++state) {
            EzRgnButton button;
            button.SetPicIdle(pictures[state]);
            button.SetPaintMode(PaintMode::pmCrop);
            painter.drawPixmap(QPoint(state * kCell.width() + 4, kind * kCell.height() + 4), button.grab());
        }
    }
    painter.end();
    album.Save(sheet, QStringLiteral("buttons-200"));
    for (const auto& [window, name] : {std::pair{SkinWindow::Progress, "skin-progress-200"},
                                       std::pair{SkinWindow::Information, "skin-information-200"},
                                       std::pair{SkinWindow::SplitWizard, "skin-split-wizard-200"},
                                       std::pair{SkinWindow::SaveWizard, "skin-save-wizard-200"}})
        album.Save(SkinBackground(window, 2), QLatin1String(name));
    QTest::qWait(SplashWindow::kMinimumMilliseconds);
    splash.WaitAndClose();
}

// The main window with its first button focused by the keyboard, and its
// window menu; `suffix` tells the scale.
void KeyboardAndMenu(Album& album, const QString& suffix)
{
    const DesktopSandbox sandbox; // the window reads the settings of the sandbox, not the user's
    MainWindow window;
    window.show();
    window.activateWindow();
    // Without activation the focus frame would not show.
    if (!QTest::qWaitForWindowActive(&window))
        std::fprintf(stderr, "the main window did not become active\n");
    window.findChild<QWidget*>(QStringLiteral("Vis_OpenOgg"))->setFocus(Qt::TabFocusReason);
    album.Save(window.grab(), QStringLiteral("main-window-focused-button") + suffix);
    window.ShowWindowMenu();
    if (!QTest::qWaitForWindowExposed(&window.WindowMenu()))
        std::fprintf(stderr, "the window menu did not show\n");
    album.Save(window.WindowMenu().grab(), QStringLiteral("main-window-menu") + suffix);
    window.WindowMenu().close();
}

} // namespace
} // namespace oq::test

int main(int argc, char** argv)
{
    const bool doubleScale = argc == 3 && std::strcmp(argv[1], "--scale") == 0 && std::strcmp(argv[2], "2") == 0;
    if (argc != 1 && !doubleScale) {
        std::fprintf(stderr, "usage: %s [--scale 2]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariable("OQ_SCREENSHOT_DIR").isEmpty()) {
        std::fprintf(stderr, "OQ_SCREENSHOT_DIR names no folder for the screenshots\n");
        return 2;
    }
    if (doubleScale)
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    oq::test::Album album;
    if (doubleScale)
        oq::test::SkinAtDoubleScale(album);
    else
        oq::test::WaveformDisplay(album);
    oq::test::KeyboardAndMenu(album, doubleScale ? QStringLiteral("-200") : QString());
    return album.Failures() == 0 ? 0 : 1;
}
