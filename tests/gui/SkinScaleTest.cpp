#include "gui/editor/MainWindow.h"
#include "gui/controls/EzRgnButton.h"
#include "gui/controls/Skin.h"
#include "gui/controls/SplashWindow.h"
#include "tests/gui/DesktopSandbox.h"
#include "tests/gui/Screenshot.h"
#include "tests/support/TestAudio.h"

#include <QLabel>
#include <QPainter>
#include <QtTest>

namespace oq::test {

// The skin at 200 % scaling: every picture is painted at the device pixel
// ratio, not enlarged from its 100 % form.
class SkinScaleTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(sandbox_.Ready());
    }

    void mainWindowIsPaintedAtTheScreensRatio()
    {
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        TempDir dir;
        WriteBytes(dir.Path("song.ogg"), MakeOggVorbis({.seconds = 20, .signal = Signal::Mixed}));
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.OpenOggFile(QString::fromStdString(dir.Path("song.ogg"))));
        window.Markers().SelectMarker(1);
        window.RefreshControls();

        const auto* background = window.findChild<QLabel*>(QStringLiteral("Background"));
        QVERIFY(background);
        QCOMPARE(background->pixmap().devicePixelRatio(), 2.0);
        QCOMPARE(background->pixmap().size(), MainWindow::kClientSize * 2);
        for (const EzRgnButton* button : window.findChildren<EzRgnButton*>()) {
            QCOMPARE(button->CurrentPicture().devicePixelRatio(), 2.0);
            QCOMPARE(button->CurrentPicture().size(), button->size() * 2);
        }
        const QPixmap shot = window.grab();
        QCOMPARE(shot.size(), MainWindow::kClientSize * 2);
        SaveScreenshot(shot, QStringLiteral("main-window-200"));
    }

    void splashAndButtonsAtTheScreensRatio()
    {
        SplashWindow splash;
        splash.ShowNow();
        const QPixmap shot = splash.grab();
        QCOMPARE(shot.size(), SplashWindow::kSize * 2);
        SaveScreenshot(shot, QStringLiteral("splash-200"));

        // Every button in its four states, side by side, for the eye.
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
        SaveScreenshot(sheet, QStringLiteral("buttons-200"));
        for (const auto& [window, name] : {std::pair{SkinWindow::Progress, "skin-progress-200"},
                                           std::pair{SkinWindow::Information, "skin-information-200"},
                                           std::pair{SkinWindow::SplitWizard, "skin-split-wizard-200"},
                                           std::pair{SkinWindow::SaveWizard, "skin-save-wizard-200"}}) {
            const QPixmap background = SkinBackground(window, 2);
            QCOMPARE(background.size(), SkinWindowSize(window) * 2);
            SaveScreenshot(background, QLatin1String(name));
        }
        QTest::qWait(SplashWindow::kMinimumMilliseconds);
        splash.WaitAndClose();
    }

private:
    DesktopSandbox sandbox_;
};

} // namespace oq::test

int main(int argc, char** argv)
{
    // 200 % scaling, as a high-density screen sets it.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    oq::test::SkinScaleTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SkinScaleTest.moc"
