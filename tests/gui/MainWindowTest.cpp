#include "gui/windows/Player.h"
#include "gui/windows/ProgressWindow.h"
#include "gui/editor/MainWindow.h"
#include "gui/editor/OverviewView.h"
#include "gui/editor/WaveformDisplay.h"
#include "gui/controls/EzRgnButton.h"
#include "gui/controls/HelpViewer.h"
#include "gui/controls/NumericField.h"
#include "gui/controls/Skin.h"
#include "gui/controls/SplashWindow.h"
#include "tests/gui/MessageAnswerer.h"
#include "tests/gui/DesktopSandbox.h"
#include "tests/gui/Screenshot.h"
#include "tests/support/TestAudio.h"

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QRegularExpression>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QTextBrowser>
#include <QtTest>

#include <chrono>
#include <filesystem>
#include <memory>

namespace oq::test {
namespace {

QString Path(const TempDir& dir, const char* name)
{
    return QString::fromStdString(dir.Path(name));
}

void WriteOgg(const QString& path, double seconds, Signal signal, std::uint32_t seed = 1)
{
    WriteBytes(path.toStdString(), MakeOggVorbis({.channels = 2, .seconds = seconds, .signal = signal, .seed = seed}));
}

QSettings Store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(MainWindow::kSettingsKey));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    DesktopSandbox sandbox_;
    std::unique_ptr<TempDir> audio_;

    template <typename T>
    static T* Find(const MainWindow& window, const char* name)
    {
        auto* found = window.findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    static bool On(const MainWindow& window, const char* button) { return Find<EzRgnButton>(window, button)->Enabled(); }

private slots:
    void initTestCase()
    {
        QVERIFY(sandbox_.Ready());
        audio_ = std::make_unique<TempDir>();
        // A long file: 1374 blocks of stereo and more, three and more to an overview column.
        WriteOgg(Path(*audio_, "first.ogg"), 135.0, Signal::Mixed, 1);
        WriteOgg(Path(*audio_, "second.ogg"), 4.0, Signal::Mixed, 2);
        WriteOgg(Path(*audio_, "third.ogg"), 4.0, Signal::Mixed, 3);
        WriteBytes(audio_->Path("notes.ogg"), Bytes(5000, 'x'));
    }

    void init() { Store().clear(); }

    void startsWithoutSettingsAtTheFirstPlace()
    {
        MainWindow window;
        QCOMPARE(window.pos(), MainWindow::kDefaultPlace);
        QCOMPARE(window.size(), MainWindow::kClientSize);
        QCOMPARE(window.PlayTime(), 6);
        QVERIFY(window.LastOpenDir().isEmpty());
        QCOMPARE(Find<QLabel>(window, "OggTitle")->text(), QStringLiteral("Open an Ogg to edit"));
        QCOMPARE(Find<QLabel>(window, "SectionTotal")->text(), QStringLiteral("None"));
        for (const char* button : {"Vis_SaveSplit", "Vis_OggInfo", "Vis_AddMarker", "Vis_DelMarker", "Vis_SplitWizard",
                                   "Vis_ExportOgg", "Vis_PlayTo", "Vis_PlayFrom", "Vis_ZoomIn", "Vis_ZoomOut",
                                   "Vis_NudgeBack", "Vis_NudgeFwd"})
            QVERIFY2(!On(window, button), button);
        for (const char* button : {"Vis_OpenOgg", "Tool_Join", "Tool_Wave", "Tool_Catalog", "Tool_Help"})
            QVERIFY2(On(window, button), button);
        QVERIFY(!Find<QComboBox>(window, "RangeSelectMarker")->isEnabled());
        QVERIFY(!Find<QSpinBox>(window, "PlayTimeSpin")->isEnabled());

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SaveScreenshot(window.grab(), QStringLiteral("main-window-empty"));
    }

    void readsTheStoredSettings_data()
    {
        QTest::addColumn<QVariant>("playTime");
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<int>("shownPlayTime");
        QTest::newRow("in range") << QVariant(17) << true << 17;
        QTest::newRow("too long is held at 99") << QVariant(250) << true << 99;
        QTest::newRow("not a number keeps 6") << QVariant(QStringLiteral("six")) << false << 6;
    }

    void readsTheStoredSettings()
    {
        QFETCH(QVariant, playTime);
        QFETCH(bool, folderExists);
        QFETCH(int, shownPlayTime);
        const QString folder = folderExists ? QString::fromStdString(audio_->Root()) : QStringLiteral("/no/such/folder");
        {
            QSettings settings = Store();
            settings.setValue("Form Settings/Top", 80);
            settings.setValue("Form Settings/Left", 120);
            settings.setValue("Form Settings/OpenMe", folder);
            settings.setValue("Form Settings/PlayTime", playTime);
        }
        MainWindow window;
        QCOMPARE(window.pos(), QPoint(120, 80));
        QCOMPARE(window.PlayTime(), shownPlayTime);
        QCOMPARE(window.LastOpenDir(), folderExists ? folder : QString());
    }

    void writesTheSettingsWhenClosed()
    {
        {
            MainWindow window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.move(140, 90);
            window.SetLastOpenDir(QString::fromStdString(audio_->Root()));
            Find<QSpinBox>(window, "PlayTimeSpin")->setValue(42);
            Find<QSlider>(window, "VolTrack")->setValue(20000);
            QSignalSpy closed(&window, &MainWindow::closed);
            QVERIFY(window.close());
            QCOMPARE(closed.count(), 1);
        }
        const QSettings settings = Store();
        QCOMPARE(settings.value("Form Settings/Top").toInt(), 90);
        QCOMPARE(settings.value("Form Settings/Left").toInt(), 140);
        QCOMPARE(settings.value("Form Settings/PlayTime").toInt(), 42);
        MainWindow again;
        QCOMPARE(again.pos(), QPoint(140, 90));
        QCOMPARE(again.PlayTime(), 42);
        QCOMPARE(again.LastOpenDir(), QString::fromStdString(audio_->Root()));
        std::uint16_t left = 0, right = 0;
        QVERIFY(again.Playback().GetWaveVolume(left, right));
        QCOMPARE(left, std::uint16_t{20000});
        QCOMPARE(right, std::uint16_t{20000});
        QCOMPARE(Find<QSlider>(again, "VolTrack")->value(), 20000);
    }

    void openingAFileSetsTheControls()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.OpenOggFile(Path(*audio_, "first.ogg")));

        const MPEGData& record = window.OpenFileRecord();
        QVERIFY(record.ProfileComplete);
        QCOMPARE(window.Profile().LastIndex(), record.BlockCount);
        QCOMPARE(window.Markers().Positions(), (std::vector<std::int32_t>{0, record.BlockCount}));
        QCOMPARE(Find<QLabel>(window, "OggTitle")->text(), QStringLiteral("first.ogg"));
        QCOMPARE(Find<QLabel>(window, "SectionTotal")->text(), QStringLiteral("1"));
        QCOMPARE(Find<QComboBox>(window, "RangeSelectMarker")->count(), 3);
        QVERIFY(Find<QComboBox>(window, "SectionSelectSection")->itemText(1).startsWith(QStringLiteral("Section 1 - 00:02:15 - ")));
        for (const char* button : {"Vis_SaveSplit", "Vis_OggInfo", "Vis_AddMarker", "Vis_SplitWizard"})
            QVERIFY2(On(window, button), button);
        for (const char* button : {"Vis_DelMarker", "Vis_ExportOgg", "Vis_PlayTo", "Vis_ZoomIn", "Vis_NudgeFwd"})
            QVERIFY2(!On(window, button), button);
        QVERIFY(!Find<NumericField>(window, "RangePos")->isEnabled());
        SaveScreenshot(window.grab(), QStringLiteral("main-window-open"));

        // Adding a marker selects it: the marker controls come alive.
        Find<EzRgnButton>(window, "Vis_AddMarker")->Click();
        QCOMPARE(window.Markers().MarkerCount(), 3);
        QCOMPARE(Find<QComboBox>(window, "RangeSelectMarker")->currentIndex(), 2);
        QVERIFY(Find<NumericField>(window, "RangePos")->isEnabled());
        QCOMPARE(Find<NumericField>(window, "RangePos")->displayText(),
                 QString::fromStdString(window.Markers().RangePosText()));
        for (const char* button : {"Vis_DelMarker", "Vis_PlayTo", "Vis_PlayFrom", "Vis_NudgeBack", "Vis_ZoomIn"})
            QVERIFY2(On(window, button), button);
        QVERIFY(Find<QSpinBox>(window, "PlayTimeSpin")->isEnabled());
        SaveScreenshot(window.grab(), QStringLiteral("main-window-marker"));

        // Choosing a section ends the marker selection and opens the section fields.
        auto* sections = Find<QComboBox>(window, "SectionSelectSection");
        sections->activated(2);
        QCOMPARE(window.Markers().SelectedSection(), 2);
        QCOMPARE(window.Markers().SelectedMarker(), 0);
        QVERIFY(On(window, "Vis_ExportOgg"));
        QVERIFY(Find<NumericField>(window, "SectionLengthEdit")->isEnabled());
        QVERIFY(!Find<NumericField>(window, "RangePos")->isEnabled());
        QVERIFY(!On(window, "Vis_PlayTo"));
        QCOMPARE(Find<NumericField>(window, "SectionSizeEdit")->text(),
                 QString::fromStdString(window.Markers().SectionSizeText()));
        SaveScreenshot(window.grab(), QStringLiteral("main-window-section"));
    }

    // A file opened before opens from its remembered profile, without the
    // progress window; once touched it is analysed afresh.
    void reopenedFileOpensFromItsRememberedProfile()
    {
        const QString path = Path(*audio_, "reopened.ogg");
        WriteOgg(path, 4.0, Signal::Mixed, 4);
        MainWindow first;
        QVERIFY(first.OpenOggFile(path));
        QVERIFY(first.OpenFileRecord().ProfileComplete);

        MainWindow again;
        int analyses = 0;
        again.Progress().SetAnalysis(
            [&](const std::string& fileName, const std::atomic<bool>& cancelled, const ProfileProgress& progress) {
                ++analyses;
                return ComputeAmplitudeProfile(fileName, cancelled, progress);
            });
        QVERIFY(again.OpenOggFile(path));
        QCOMPARE(analyses, 0);
        QVERIFY(again.OpenFileRecord().ProfileComplete);
        QCOMPARE(again.OpenFileRecord().BlockCount, first.OpenFileRecord().BlockCount);
        QVERIFY(again.Profile().Entries == first.Profile().Entries);

        const std::filesystem::path file = path.toStdString();
        std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(1));
        QVERIFY(again.OpenOggFile(path));
        QCOMPARE(analyses, 1);
        QVERIFY(again.Profile().Entries == first.Profile().Entries);
    }

    void typedSectionLengthMovesTheMarker()
    {
        MainWindow window;
        QVERIFY(window.OpenOggFile(Path(*audio_, "first.ogg")));
        Find<EzRgnButton>(window, "Vis_AddMarker")->Click();
        Find<QComboBox>(window, "SectionSelectSection")->activated(1);
        auto* length = Find<NumericField>(window, "SectionLengthEdit");
        QCOMPARE(length->contextMenuPolicy(), Qt::DefaultContextMenu); // copy and paste
        length->setFocus();
        length->setCursorPosition(0);
        // Letters are dropped; the digits fill the mask; Enter applies.
        QTest::keyClicks(length, QStringLiteral("00x0009a00"));
        QCOMPARE(length->displayText(), QStringLiteral("00:00:09:00"));
        QTest::keyClick(length, Qt::Key_Return);
        const auto& converter = window.Markers().Converter();
        QCOMPARE(window.Markers().Position(2), converter.SecondsToPosition(9));
        QCOMPARE(length->displayText(), QString::fromStdString(window.Markers().SectionLengthText()));
        // A digit taken away shows as 0.
        NumericField field(NumericField::Kind::Time);
        field.ShowModelText("12:34:56:78");
        QTest::keyClick(&field, Qt::Key_End);
        QTest::keyClick(&field, Qt::Key_Backspace);
        QCOMPARE(field.displayText(), QStringLiteral("12:34:56:70"));
        QCOMPARE(field.ModelText(), "12:34:56:70");
    }

    // A file that is no Ogg Vorbis and one that cannot be read get the same
    // answer; the diagnostic output tells them apart.
    void refusedFileKeepsTheOpenOne_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not Ogg") << QStringLiteral("notes.ogg") << QStringLiteral("is not an Ogg Vorbis or Opus file");
        QTest::newRow("missing") << QStringLiteral("gone.ogg") << QStringLiteral("No such file or directory");
        QTest::newRow("a folder") << QStringLiteral("") << QStringLiteral("Is a directory");
    }

    void refusedFileKeepsTheOpenOne()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        const QString refused = name.isEmpty() ? QString::fromStdString(audio_->Root()) : Path(*audio_, qPrintable(name));
        MainWindow window;
        QVERIFY(window.OpenOggFile(Path(*audio_, "first.ogg")));
        MessageAnswerer catcher;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(refused) + ".*" + reason));
        QVERIFY(!window.OpenOggFile(refused));
        QCOMPARE(catcher.Text(), QStringLiteral("Not a Valid MPEG File."));
        QCOMPARE(catcher.Icon(), QMessageBox::Information);
        QCOMPARE(window.OpenFileRecord().FileName, audio_->Path("first.ogg"));
        QCOMPARE(Find<QLabel>(window, "OggTitle")->text(), QStringLiteral("first.ogg"));
        QCOMPARE(window.Markers().MarkerCount(), 2);
    }

    void droppingThreeFilesOpensTheFirst()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(Path(*audio_, "second.ogg")), QUrl::fromLocalFile(Path(*audio_, "third.ogg")),
                      QUrl::fromLocalFile(Path(*audio_, "first.ogg"))});
        OverviewView* overview = window.Display().Overview();
        const QPointF point = OverviewView::kPicture.center();
        QDragEnterEvent enter(point.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(overview, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(overview, &drop);
        QCOMPARE(window.OpenFileRecord().FileName, audio_->Path("second.ogg"));
        QCOMPARE(Find<QLabel>(window, "OggTitle")->text(), QStringLiteral("second.ogg"));
    }

    void longNamesAreShortened_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("shownLength");
        QTest::newRow("50 stays") << 50 << 50;
        QTest::newRow("51 is cut") << 51 << 52;
        QTest::newRow("60 is cut") << 60 << 52;
    }

    void longNamesAreShortened()
    {
        QFETCH(int, length);
        QFETCH(int, shownLength);
        QString name;
        for (int i = 0; i < length; ++i)
            name.append(QChar('a' + i % 26));
        const QString shown = MainWindow::ShortenName(name);
        QCOMPARE(shown.size(), shownLength);
        if (length > 50)
            QCOMPARE(shown, name.left(6) + QStringLiteral(" ... ") + name.right(41));
    }

    void windowsAreCentredOverTheMainWindowOrTheScreen()
    {
        MainWindow window;
        QWidget dialog(nullptr, Qt::Window);
        dialog.resize(224, 119);
        window.move(100, 50);
        window.CentreOver(&dialog);
        QCOMPARE(dialog.pos(), QPoint(100 + 557 / 2 - 224 / 2, 50 + 531 / 2 - 119 / 2));

        const QRect screen = window.screen()->geometry();
        window.move(screen.right() - 100, 40);
        window.CentreOver(&dialog);
        QCOMPARE(dialog.pos(), screen.topLeft() + QPoint(screen.width() / 2 - 112, screen.height() / 2 - 119 / 2));
    }

    void helpButtonShowsTheContentsAndClosesWithTheWindow()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Find<EzRgnButton>(window, "Tool_Help")->Click();
        QVERIFY(window.Help().isVisible());
        QCOMPARE(window.Help().CurrentTopic(), QStringLiteral("Intro.html"));
        QVERIFY(window.Help().Browser()->toPlainText().contains(QStringLiteral("Ogg Quorvel")));
        for (const char* topic : {"split.html", "tool_2.html", "tool_3.html", "tool_4.html"})
            QVERIFY2(window.Help().ShowTopic(QLatin1String(topic)), topic);
        window.Help().resize(640, 560);
        SaveScreenshot(window.Help().grab(), QStringLiteral("help-viewer"));
        window.close();
        QVERIFY(!window.Help().isVisible());
    }

    void splashStaysItsMinimumTime()
    {
        QElapsedTimer clock;
        clock.start();
        SplashWindow splash;
        splash.ShowNow();
        QVERIFY(!splash.close()); // too early: refused
        QVERIFY(splash.isVisible());
        SaveScreenshot(splash.grab(), QStringLiteral("splash"));
        splash.WaitAndClose();
        QVERIFY(clock.elapsed() >= SplashWindow::kMinimumMilliseconds);
        QVERIFY(!splash.isVisible());
    }
};

} // namespace oq::test

QTEST_MAIN(oq::test::MainWindowTest)
#include "MainWindowTest.moc"
