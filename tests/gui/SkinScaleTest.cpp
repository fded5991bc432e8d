#include "gui/editor/MainWindow.h"
#include "gui/controls/EzRgnButton.h"
#include "tests/gui/DesktopSandbox.h"
#include "tests/gui/Screenshot.h"
#include "tests/support/TestAudio.h"

#include <QLabel>
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
        for (const EzRgnButton* button : window.findChildren<EzRgnButton*>()) {
            QCOMPARE(button->CurrentPicture().devicePixelRatio(), 2.0);
            QCOMPARE(button->CurrentPicture().size(), button->size() * 2);
        }
        SaveScreenshot(window.grab(), QStringLiteral("main-window-200"));
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
