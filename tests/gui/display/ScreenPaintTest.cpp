#include "gui/controls/EzRgnButton.h"
#include "gui/controls/HelpViewer.h"
#include "gui/controls/NumericField.h"
#include "gui/controls/SplashWindow.h"
#include "gui/editor/MainWindow.h"
#include "gui/savewizard/SaveWizard.h"
#include "gui/splitwizard/SplitWizard.h"
#include "gui/windows/InfoWindow.h"
#include "gui/windows/ProgressWindow.h"
#include "tests/gui/Controls.h"
#include "tests/gui/MessageAnswerer.h"
#include "tests/gui/ModalDriver.h"
#include "tests/gui/display/DisplaySetting.h"
#include "tests/gui/display/ScreenComparison.h"
#include "tests/support/OggCheck.h"
#include "tests/support/TestAudio.h"

#include <QCursor>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

// Every window of the program, shown on a real X display, must reach the
// screen as it paints itself: the offscreen platform of the other GUI tests
// has no screen to compare with.
namespace oq::test {
namespace {

using namespace std::chrono_literals;

constexpr int kSections = 3;
constexpr auto kHoldLimit = 30s; // the analysis waits at most this long for the test

void Click(const QWidget& window, const char* button)
{
    FindControl<EzRgnButton>(window, button)->Click();
}

} // namespace

class ScreenPaintTest : public QObject {
    Q_OBJECT

private:
    DisplaySetting setting_;

private slots:
    void initTestCase() { setting_.Prepare(); }

    void splashReachesTheScreen()
    {
        SplashWindow splash;
        splash.ShowNow();
        OQ_VERIFY_ON_SCREEN(splash, "splash");
        splash.WaitAndClose();
    }

    void everyWindowReachesTheScreenAndASplitWritesItsSections()
    {
        MainWindow main;
        main.show();
        OQ_VERIFY_ON_SCREEN(main, "main-empty");

        // The analysis waits at its first block until the progress window
        // has been compared.
        std::atomic<bool> compared{false};
        main.Progress().SetAnalysis([&](const std::string& file, const std::atomic<bool>& cancelled,
                                        const ProfileProgress& progress) {
            return ComputeAmplitudeProfile(file, cancelled, [&](std::int32_t at) {
                progress(at);
                const auto until = std::chrono::steady_clock::now() + kHoldLimit;
                while (!compared.load() && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(1ms);
            });
        });
        ProgressWindow& progress = main.Progress();
        bool progressShown = false;
        WhileOpen(progress, [&] { return int(main.OpenOggFile(QString::fromStdString(setting_.Song))); }, [&] {
            progressShown = true;
            const QString problem = ScreenProblem(progress, QStringLiteral("progress"));
            compared = true;
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            QVERIFY(QTest::qWaitFor([&] { return !progress.isVisible(); }, kShowTimeoutMs));
        });
        compared = true;
        QVERIFY(progressShown);
        QVERIFY(main.OpenFileRecord().ProfileComplete);
        OQ_VERIFY_ON_SCREEN(main, "main-open");

        Click(main, "Vis_OggInfo");
        OQ_VERIFY_ON_SCREEN(main.Information(), "information");
        Click(main.Information(), "infoClose");

        SplitWizard& split = main.SplitWizardWindow();
        WhileOpen(split, [&] { Click(main, "Vis_SplitWizard"); return 0; }, [&] {
            OQ_VERIFY_ON_SCREEN(split, "split-wizard");
            Type(FindControl<NumericField>(split, "SplitSectionTotal"), QString::number(kSections));
            OQ_VERIFY_ON_SCREEN(split, "split-wizard-typed");
            Click(split, "newOkay");
        });
        QCOMPARE(main.Markers().SectionCount(), kSections);
        OQ_VERIFY_ON_SCREEN(main, "main-marked");

        SaveWizard& save = main.SaveWizardWindow();
        WhileOpen(save, [&] { Click(main, "Vis_SaveSplit"); return 0; }, [&] {
            OQ_VERIFY_ON_SCREEN(save, "save-wizard-options");
            Click(save, "Wizard_Next");
            OQ_VERIFY_ON_SCREEN(save, "save-wizard-final");
            Click(save, "Wizard_Start");
            QVERIFY(QTest::qWaitFor([&] { return !save.Flow().Running(); }, 60000));
            OQ_VERIFY_ON_SCREEN(save, "save-wizard-done");
            Click(save, "Wizard_Done");
        });
        const std::vector<std::int16_t> source = DecodeSamples(setting_.Song);
        std::vector<std::int16_t> joined;
        for (int k = 1; k <= kSections; ++k) {
            const std::string part = setting_.Folder->Path("Part 0" + std::to_string(k) + " - song.ogg");
            const auto serial = static_cast<std::uint32_t>(main.OpenFileRecord().SerialNumber + k - 1);
            const std::string problem = ProblemWithStream(part, serial);
            QVERIFY2(problem.empty(), (part + ": " + problem).c_str());
            const std::vector<std::int16_t> samples = DecodeSamples(part);
            QVERIFY2(!samples.empty(), part.c_str());
            joined.insert(joined.end(), samples.begin(), samples.end());
        }
        QVERIFY(joined == source); // the sections hold the source's samples, end to end

        Click(main, "Tool_Help");
        OQ_VERIFY_ON_SCREEN(main.Help(), "help");
        main.Help().close();

        MessageAnswerer answerer;
        answerer.InspectFirst([](QMessageBox& box) { OQ_VERIFY_ON_SCREEN(box, "message-box"); });
        WriteBytes(setting_.Folder->Path("notes.ogg"), Bytes(5000, 'x'));
        QVERIFY(!main.OpenOggFile(QString::fromStdString(setting_.Folder->Path("notes.ogg"))));
        QCOMPARE(answerer.Count(), 1);
    }
};

} // namespace oq::test

QTEST_MAIN(oq::test::ScreenPaintTest)
#include "ScreenPaintTest.moc"
