#include "tools/AmplitudeProfile.h"
#include "media/OggInformationText.h"
#include "gui/windows/ProgressWindow.h"
#include "gui/windows/Player.h"
#include "gui/editor/MainWindow.h"
#include "gui/controls/EzRgnButton.h"
#include "gui/windows/InfoWindow.h"
#include "tests/gui/Controls.h"
#include "tests/gui/DesktopSandbox.h"
#include "tests/gui/Screenshot.h"
#include "tests/support/TestAudio.h"

#include <QPlainTextEdit>
#include <QSlider>
#include <QtTest>

#include <memory>

namespace oq::test {
namespace {

QString Expected(const MPEGData& record)
{
    QStringList lines;
    for (const std::string& line : ComposeOggInformation(record).Lines)
        lines.append(QString::fromStdString(line));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class InfoWindowTest : public QObject {
    Q_OBJECT

private:
    DesktopSandbox sandbox_;
    std::unique_ptr<TempDir> audio_;

    QString Path(const char* name) const { return QString::fromStdString(audio_->Path(name)); }
    static EzRgnButton* Button(const QWidget& window, const char* name)
    {
        return FindControl<EzRgnButton>(window, name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(sandbox_.Ready());
        audio_ = std::make_unique<TempDir>();
        WriteBytes(audio_->Path("first.ogg"), MakeOggVorbis({.channels = 2, .seconds = 3.0, .signal = Signal::Mixed}));
        WriteBytes(audio_->Path("second.ogg"),
                   MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 5.0, .signal = Signal::Tone}));
    }

    void textFollowsTheOpenFileWhetherShownOrNot()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        InfoWindow& info = window.Information();
        QCOMPARE(info.size(), InfoWindow::kSize);
        QVERIFY(info.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!info.isVisible());
        QCOMPARE(info.InfoMemo()->toPlainText(), QStringLiteral("No Ogg Information"));
        QVERIFY(!Button(window, "Vis_OggInfo")->Enabled());

        // Opened while hidden: the text is there before the window is shown.
        QVERIFY(window.OpenOggFile(Path("first.ogg")));
        const QString first = Expected(window.OpenFileRecord());
        QCOMPARE(info.InfoMemo()->toPlainText(), first);
        QVERIFY(first.contains(QStringLiteral("44100")));

        Button(window, "Vis_OggInfo")->Click();
        QVERIFY(QTest::qWaitForWindowExposed(&info));
        QVERIFY(!info.isModal());
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(info.geometry().center(), window.geometry().center());
        SaveScreenshot(info.grab(), QStringLiteral("info-window"));

        // Another file while it is shown replaces the text at once, before
        // its analysis has begun.
        QString duringAnalysis;
        window.Progress().SetAnalysis([&](const std::string& fileName, const std::atomic<bool>& cancelled,
                                          const ProfileProgress& progress) {
            QMetaObject::invokeMethod(&info, [&] { duringAnalysis = info.InfoMemo()->toPlainText(); },
                                      Qt::BlockingQueuedConnection);
            return ComputeAmplitudeProfile(fileName, cancelled, progress);
        });
        QVERIFY(window.OpenOggFile(Path("second.ogg")));
        QCOMPARE(duringAnalysis, Expected(window.OpenFileRecord()));
        QCOMPARE(info.InfoMemo()->toPlainText(), Expected(window.OpenFileRecord()));
        QVERIFY(info.InfoMemo()->toPlainText() != first);
        SaveScreenshot(info.grab(), QStringLiteral("info-window-second-file"));

        // Its close button hides it; the button brings back the same window where it was.
        info.move(info.pos() + QPoint(40, 30));
        const QPoint moved = info.pos();
        Button(info, "infoClose")->Click();
        QVERIFY(!info.isVisible());
        Button(window, "Vis_OggInfo")->Click();
        QVERIFY(info.isVisible());
        QCOMPARE(info.pos(), moved);
        QCOMPARE(window.findChildren<InfoWindow*>().size(), 1);
    }

    void sliderSetsBothChannelsAlike()
    {
        MainWindow window;
        Player& player = window.Playback();
        InfoWindow& info = window.Information();
        QSlider* slider = info.VolTrack();
        QCOMPARE(slider->maximum(), 65535);
        QCOMPARE(slider->singleStep(), 655);

        // Shown, it reads the left channel of the volume as it stands.
        QVERIFY(player.SetWaveVolume(0x1000u | (0x8000u << 16)));
        info.show();
        QVERIFY(QTest::qWaitForWindowExposed(&info));
        QCOMPARE(slider->value(), 0x1000);

        std::uint16_t left = 0;
        std::uint16_t right = 0;
        slider->setValue(30000);
        QVERIFY(player.GetWaveVolume(left, right));
        QCOMPARE(left, std::uint16_t{30000});
        QCOMPARE(right, std::uint16_t{30000});
        slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QVERIFY(player.GetWaveVolume(left, right));
        QCOMPARE(left, std::uint16_t{30655});
        QCOMPARE(right, std::uint16_t{30655});
    }
};

} // namespace oq::test

QTEST_MAIN(oq::test::InfoWindowTest)
#include "InfoWindowTest.moc"
