#include "tools/AmplitudeProfile.h"
#include "media/OggFileInfo.h"
#include "gui/windows/ProgressWindow.h"
#include "gui/controls/EzRgnButton.h"
#include "tests/gui/Screenshot.h"
#include "tests/support/TestAudio.h"

#include <QProgressBar>
#include <QtTest>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

namespace oq::test {
namespace {

using namespace std::chrono_literals;

// The real analysis, held at the entry `index` until `release` is set (or
// ten seconds have passed): the test then acts while the worker is busy.
ProgressWindow::Analysis HeldAt(std::int32_t index, const std::atomic<bool>& release, std::atomic<bool>& held)
{
    return [index, &release, &held](const std::string& fileName, const std::atomic<bool>& cancelled,
                                    const ProfileProgress& progress) {
        return ComputeAmplitudeProfile(fileName, cancelled, [&](std::int32_t at) {
            progress(at);
            if (at != index)
                return;
            held = true;
            const auto until = std::chrono::steady_clock::now() + 10s;
            while (!release.load() && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(1ms);
        });
    };
}

// Runs `act` once, as soon as the window's bar has reached `value`.
void WhenBarReaches(ProgressWindow& window, int value, std::function<void()> act)
{
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, value, act = std::move(act)] {
        if (window.ProgressBar()->value() < value)
            return;
        poll->stop();
        act();
    });
    poll->start(2);
}

} // namespace

class ProgressWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> folder_;
    std::string path_;
    MPEGData record_;

private slots:
    void initTestCase()
    {
        folder_ = std::make_unique<TempDir>();
        path_ = folder_->Path("take.ogg");
        AudioSpec spec;
        spec.seconds = 20;
        WriteBytes(path_, MakeOggVorbis(spec));
        record_ = ReadOggFileInfo(path_);
        QVERIFY(record_.BlockCount > 100);
    }

    void analysisRunsToTheEndAndFixesTheBlockCount()
    {
        ProgressWindow window;
        std::atomic<bool> release{false};
        std::atomic<bool> held{false};
        window.SetAnalysis(HeldAt(record_.BlockCount * 3 / 5, release, held));
        QList<int> shown;
        connect(window.ProgressBar(), &QProgressBar::valueChanged, this, [&shown](int value) { shown << value; });
        WhenBarReaches(window, record_.BlockCount * 3 / 5, [&] {
            SaveScreenshot(window.grab(), "progress-window");
            release = true;
        });

        MPEGData file = record_;
        AmplitudeProfile profile;
        QCOMPARE(window.Analyse(file, profile), ProgressWindow::kResultOk);
        QVERIFY(held);

        std::atomic<bool> notCancelled{false};
        const AmplitudeProfile expected = ComputeAmplitudeProfile(path_, notCancelled);
        QVERIFY(profile.Complete);
        QCOMPARE(profile.Entries, expected.Entries);
        QCOMPARE(file.BlockCount, expected.LastIndex());
        QVERIFY(file.ProfileComplete);

        // The bar rose to the last index within BlockCount + 2 and went back to 0.
        QCOMPARE(window.ProgressBar()->maximum(), record_.BlockCount + 2);
        QCOMPARE(window.ProgressBar()->value(), 0);
        QVERIFY(shown.size() > 2);
        QCOMPARE(shown.back(), 0);
        shown.removeLast();
        QVERIFY(std::is_sorted(shown.begin(), shown.end()));
        QCOMPARE(shown.back(), std::min(expected.LastIndex(), record_.BlockCount + 2));
    }

    void cancelTakesEffectWhileTheAnalysisRuns_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel button") << "button";
        QTest::newRow("Escape key") << "escape";
        QTest::newRow("closing the window") << "close";
    }

    void cancelTakesEffectWhileTheAnalysisRuns()
    {
        QFETCH(QString, how);
        ProgressWindow window;
        std::atomic<bool> release{false};
        std::atomic<bool> held{false};
        window.SetAnalysis(HeldAt(1, release, held));
        // The worker holds at its second block until the cancel is seen, so
        // only a window that answers while the decoding runs can end this.
        WhenBarReaches(window, 1, [&] {
            QVERIFY(window.Running());
            if (how == "button")
                QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
            else if (how == "escape")
                QTest::keyClick(&window, Qt::Key_Escape);
            else
                window.close();
            QVERIFY(window.isVisible()); // it closes when the worker has stopped
            release = window.AnalysisCancelled();
        });

        MPEGData file = record_;
        AmplitudeProfile profile;
        QCOMPARE(window.Analyse(file, profile), ProgressWindow::kResultCancel);
        QVERIFY(release);
        QCOMPARE(profile.Entries.size(), std::size_t{2}); // the block in hand was finished
        QVERIFY(!profile.Complete);
        QCOMPARE(file.BlockCount, record_.BlockCount); // the estimate stays
        QVERIFY(!file.ProfileComplete);
        QCOMPARE(window.ProgressBar()->value(), 0);
    }

    void aFileGoneSinceItsInformationLeavesNoProfile()
    {
        const std::string gone = folder_->Path("gone.ogg");
        std::filesystem::copy_file(path_, gone);
        MPEGData file = ReadOggFileInfo(gone);
        std::filesystem::remove(gone);

        AmplitudeProfile profile; // still the previous file's
        profile.Entries = {100, 200, 300};
        profile.Complete = true;
        ProgressWindow window;
        QCOMPARE(window.Analyse(file, profile), ProgressWindow::kResultCancel);
        QVERIFY(profile.Entries.empty());
        QVERIFY(!profile.Complete);
        QCOMPARE(file.BlockCount, record_.BlockCount);
        QVERIFY(!file.ProfileComplete);
        QVERIFY(!window.isVisible());
    }
};

} // namespace oq::test

QTEST_MAIN(oq::test::ProgressWindowTest)
#include "ProgressWindowTest.moc"
