#include "gui/editor/MainWindow.h"
#include "gui/controls/EzRgnButton.h"
#include "gui/controls/NumericField.h"
#include "tests/gui/Controls.h"
#include "tests/gui/DesktopSandbox.h"
#include "tests/gui/MessageAnswerer.h"
#include "tests/gui/ModalDriver.h"
#include "tests/gui/Screenshot.h"
#include "tests/support/PausedRecording.h"
#include "tests/support/TestAudio.h"
#include "gui/splitwizard/SplitWizard.h"
#include "model/MarkerList.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>

#include <fstream>
#include <functional>
#include <memory>

namespace oq::test {
namespace {

// Clicks the main window's Split Wizard button and runs `act` once the
// modal wizard is on the screen; `act` must close it.
void WithWizardOpen(MainWindow& main, const std::function<void(SplitWizard&)>& act)
{
    SplitWizard& wizard = main.SplitWizardWindow();
    bool acted = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &wizard, [&] {
        if (acted || !wizard.isVisible())
            return;
        acted = true;
        act(wizard);
    });
    poll.start(5);
    FindControl<EzRgnButton>(main, "Vis_SplitWizard")->Click();
    QVERIFY(acted);
    QVERIFY(!wizard.isVisible());
}

} // namespace

class SplitWizardTest : public QObject {
    Q_OBJECT

private:
    DesktopSandbox sandbox_;
    std::unique_ptr<TempDir> audio_;
    QString oggPath_;
    QString pausedPath_;

private slots:
    void initTestCase()
    {
        QVERIFY(sandbox_.Ready());
        audio_ = std::make_unique<TempDir>();
        oggPath_ = QString::fromStdString(audio_->Path("take.ogg"));
        WriteBytes(oggPath_.toStdString(),
                   MakeOggVorbis({.channels = 2, .seconds = 40.0, .signal = Signal::Mixed, .seed = 4}));
        pausedPath_ = QString::fromStdString(audio_->Path("paused.ogg"));
        WriteBytes(pausedPath_.toStdString(), MakeOggVorbis(PausedRecording(2, 44100)));
    }

    void pauseRowAndSnapLayMarkersInThePauses()
    {
        MainWindow main;
        QVERIFY(main.OpenOggFile(pausedPath_));
        const MPEGData& record = main.OpenFileRecord();
        const std::vector<std::int32_t> opened = main.Markers().Positions();

        WithWizardOpen(main, [&](SplitWizard& wizard) {
            auto* level = FindControl<NumericField>(wizard, "SplitPauseLevel");
            auto* snap = FindControl<QCheckBox>(wizard, "SplitSnap");
            QVERIFY(!level->isEnabled() && snap->isEnabled());
            auto* pauses = FindControl<QRadioButton>(wizard, "SplitRadio5");
            QTest::mouseClick(pauses, Qt::LeftButton, {}, QPoint(8, pauses->height() / 2));
            QVERIFY(pauses->isChecked());
            QVERIFY(level->isEnabled() && FindControl<NumericField>(wizard, "SplitPauseLength")->isEnabled());
            QVERIFY(!snap->isEnabled() && !FindControl<NumericField>(wizard, "SplitSectionTotal")->isEnabled());
            // Letters are dropped; Enter draws a level above -6 dBFS back to it.
            Type(level, QStringLiteral("4x"));
            QCOMPARE(level->text(), QStringLiteral("-6"));
            Type(level, QStringLiteral("-5x0"));
            QCOMPARE(level->text(), QStringLiteral("-50"));
            SaveScreenshot(wizard.grab(), QStringLiteral("split-wizard-pauses"));
            FindControl<EzRgnButton>(wizard, "newOkay")->Click();
        });
        const std::vector<std::int32_t> atPauses = main.Markers().Positions();
        const std::vector<ExpectedCut> cuts = PausedRecordingCuts();
        QCOMPARE(atPauses.size(), cuts.size() + 2);
        const double blockSeconds = record.TimeTotal / record.BlockCount;
        for (std::size_t k = 0; k < cuts.size(); ++k)
            QVERIFY(std::abs(atPauses[k + 1] * blockSeconds - cuts[k].Middle) <= cuts[k].Tolerance + blockSeconds);
        FindControl<QAction>(main, "Undo")->trigger();
        QCOMPARE(main.Markers().Positions(), opened);

        // Four even sections cut near the three pauses: a snap within 1.5 s
        // draws each cut into its pause's middle.
        WithWizardOpen(main, [&](SplitWizard& wizard) {
            Type(FindControl<NumericField>(wizard, "SplitSectionTotal"), QStringLiteral("4"));
            auto* snap = FindControl<QCheckBox>(wizard, "SplitSnap");
            auto* reach = FindControl<NumericField>(wizard, "SplitSnapReach");
            QVERIFY(!reach->isEnabled());
            snap->setFocus();
            QTest::keyClick(snap, Qt::Key_Space);
            QVERIFY(snap->isChecked() && reach->isEnabled());
            // What a pause is stays adjustable for the snap.
            QVERIFY(FindControl<NumericField>(wizard, "SplitPauseLevel")->isEnabled());
            Type(reach, QStringLiteral("1.5"));
            SaveScreenshot(wizard.grab(), QStringLiteral("split-wizard-snap"));
            FindControl<EzRgnButton>(wizard, "newOkay")->Click();
        });
        QCOMPARE(main.Markers().Positions(), atPauses);

        // The window menu's entry opens the wizard on its pause row.
        WhileOpen(
            main.SplitWizardWindow(), [&] { FindControl<QAction>(main, "PauseMarkers")->trigger(); return 0; },
            [&] {
                QVERIFY(FindControl<QRadioButton>(main.SplitWizardWindow(), "SplitRadio5")->isChecked());
                FindControl<EzRgnButton>(main.SplitWizardWindow(), "newCancel")->Click();
            });
        QCOMPARE(main.Markers().Positions(), atPauses);
    }

    void countMethodLaysEvenSectionsAndKeepsTheFieldsInStep()
    {
        MainWindow main;
        QVERIFY(main.OpenOggFile(oggPath_));
        const MPEGData& record = main.OpenFileRecord();
        const std::int64_t kilobytes = record.FileSize / 1000;

        WithWizardOpen(main, [&](SplitWizard& wizard) {
            QVERIFY(FindControl<QRadioButton>(wizard, "SplitRadio1")->isChecked());
            auto* total = FindControl<NumericField>(wizard, "SplitSectionTotal");
            auto* size = FindControl<NumericField>(wizard, "SplitSectionSize");
            auto* length = FindControl<NumericField>(wizard, "SplitSectionLength");
            QCOMPARE(total->text(), QStringLiteral("1"));
            QCOMPARE(size->text(), QString::number(kilobytes));
            QCOMPARE(length->displayText(), QStringLiteral("00:00:40:00"));
            QVERIFY(total->isEnabled() && !size->isEnabled() && !length->isEnabled());
            QVERIFY(!FindControl<EzRgnButton>(wizard, "cueBrowse")->Enabled());
            // Copy and paste on every field but the count.
            QCOMPARE(total->contextMenuPolicy(), Qt::NoContextMenu);
            QCOMPARE(size->contextMenuPolicy(), Qt::DefaultContextMenu);
            QCOMPARE(length->contextMenuPolicy(), Qt::DefaultContextMenu);

            // Letters are dropped; Enter recomputes the other two fields.
            Type(total, QStringLiteral("4x"));
            QCOMPARE(total->text(), QStringLiteral("4"));
            QCOMPARE(size->text(), QString::number((kilobytes + 3) / 4));
            QCOMPARE(length->displayText(), QStringLiteral("00:00:10:00"));
            Type(total, QStringLiteral("1500"));
            QCOMPARE(total->text(), QStringLiteral("999"));
            Type(total, QStringLiteral("5"));
            SaveScreenshot(wizard.grab(), QStringLiteral("split-wizard-count"));

            // The size method takes over: only its field is live.
            FindControl<QRadioButton>(wizard, "SplitRadio3")->click();
            QVERIFY(size->isEnabled() && !total->isEnabled());
            QVERIFY(FindControl<QLabel>(wizard, "Gui_Label4")->isEnabled());
            QVERIFY(!FindControl<QLabel>(wizard, "Gui_Label2")->isEnabled());
            Type(size, QString::number(kilobytes * 10));
            QCOMPARE(size->text(), QString::number(kilobytes));
            QCOMPARE(total->text(), QStringLiteral("1"));

            FindControl<QRadioButton>(wizard, "SplitRadio1")->click();
            Type(total, QStringLiteral("5"));
            FindControl<EzRgnButton>(wizard, "newOkay")->Click();
        });
        const std::int32_t step = record.BlockCount / 5;
        QCOMPARE(main.Markers().Positions(),
                 (std::vector<std::int32_t>{0, step, 2 * step, 3 * step, 4 * step, record.BlockCount}));
        QCOMPARE(FindControl<QLabel>(main, "SectionTotal")->text(), QStringLiteral("5"));
    }

    void cancelAndAFailedOkayLeaveTheMarkers()
    {
        MainWindow main;
        QVERIFY(main.OpenOggFile(oggPath_));
        const std::vector<std::int32_t> before = main.Markers().Positions();

        WithWizardOpen(main, [](SplitWizard& wizard) {
            Type(FindControl<NumericField>(wizard, "SplitSectionTotal"), QStringLiteral("7"));
            FindControl<EzRgnButton>(wizard, "newCancel")->Click();
        });
        QCOMPARE(main.Markers().Positions(), before);

        // An emptied count cannot be recomputed: OK keeps the window open
        // and the markers as they were, and the user can correct it.
        WithWizardOpen(main, [](SplitWizard& wizard) {
            auto* total = FindControl<NumericField>(wizard, "SplitSectionTotal");
            total->selectAll();
            QTest::keyClick(total, Qt::Key_Backspace);
            FindControl<EzRgnButton>(wizard, "newOkay")->Click();
            QVERIFY(wizard.isVisible());
            FindControl<EzRgnButton>(wizard, "newCancel")->Click();
        });
        QCOMPARE(main.Markers().Positions(), before);
    }

    void cueSheetLaysTrackStartsAndNamesTheSkippedTrack()
    {
        const std::string cuePath = audio_->Path("album.cue");
        {
            std::ofstream cue(cuePath);
            cue << "FILE \"take.wav\" WAVE\n"
                   "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                   "  TRACK 02 AUDIO\n    INDEX 01 0:1x:00\n"
                   "  TRACK 03 AUDIO\n    INDEX 01 00:20:00\n"
                   "  TRACK 04 AUDIO\n    INDEX 01 09:00:00\n";
        }
        MainWindow main;
        QVERIFY(main.OpenOggFile(oggPath_));
        const MPEGData& record = main.OpenFileRecord();
        QString startedIn;
        main.SplitWizardWindow().SetCueChooser([&](const QString& folder) {
            startedIn = folder;
            return QString::fromStdString(cuePath);
        });

        MessageAnswerer catcher;
        WithWizardOpen(main, [](SplitWizard& wizard) {
            FindControl<QRadioButton>(wizard, "SplitRadio4")->click();
            QVERIFY(!FindControl<NumericField>(wizard, "SplitSectionTotal")->isEnabled());
            auto* browse = FindControl<EzRgnButton>(wizard, "cueBrowse");
            QVERIFY(browse->Enabled());
            browse->Click();
            QCOMPARE(FindControl<QLineEdit>(wizard, "Edit1")->text(), QStringLiteral("album.cue"));
            SaveScreenshot(wizard.grab(), QStringLiteral("split-wizard-cue"));
            FindControl<EzRgnButton>(wizard, "newOkay")->Click();
        });
        QCOMPARE(startedIn, main.LastOpenDir());
        QVERIFY(catcher.Text().contains(QStringLiteral("Cue track 2 ")));
        // Track 4 lies past the end and is dropped without a word.
        QVERIFY(!catcher.Text().contains(QStringLiteral("4")));
        const auto twenty = static_cast<std::int32_t>(20.0 / record.TimeTotal * record.BlockCount);
        // The last track runs to the end of the file, where the End marker stands.
        QCOMPARE(main.Markers().Positions(), (std::vector<std::int32_t>{0, twenty, record.BlockCount}));
        QCOMPARE(main.Markers().SectionCount(), 2);

        // The sheet stays for the next opening, which starts on the count.
        WithWizardOpen(main, [](SplitWizard& wizard) {
            QVERIFY(FindControl<QRadioButton>(wizard, "SplitRadio1")->isChecked());
            QCOMPARE(FindControl<QLineEdit>(wizard, "Edit1")->text(), QStringLiteral("album.cue"));
            FindControl<EzRgnButton>(wizard, "newCancel")->Click();
        });
    }

    // More tracks than the markers hold: the window says so and stays open,
    // and no marker moves.
    void aCueSheetOfMoreTracksThanMarkersIsRefused()
    {
        const std::string cuePath = audio_->Path("long.cue");
        {
            std::ofstream cue(cuePath);
            for (int k = 0; k <= MarkerList::kMaxMarkers; ++k)
                cue << "TRACK " << k + 1 << " AUDIO\nINDEX 01 00:" << 10 + k % 30 << ":00\n";
        }
        MainWindow main;
        QVERIFY(main.OpenOggFile(oggPath_));
        const std::vector<std::int32_t> before = main.Markers().Positions();
        main.SplitWizardWindow().SetCueChooser([&](const QString&) { return QString::fromStdString(cuePath); });
        MessageAnswerer catcher;
        WithWizardOpen(main, [](SplitWizard& wizard) {
            FindControl<QRadioButton>(wizard, "SplitRadio4")->click();
            FindControl<EzRgnButton>(wizard, "cueBrowse")->Click();
            FindControl<EzRgnButton>(wizard, "newOkay")->Click();
            QVERIFY(wizard.isVisible());
            FindControl<EzRgnButton>(wizard, "newCancel")->Click();
        });
        QCOMPARE(catcher.Count(), 1);
        QVERIFY2(catcher.Text().contains(QRegularExpression(QStringLiteral("1,?001 tracks; at most 1,?000 can be cut"))),
                 qPrintable(catcher.Text()));
        QCOMPARE(main.Markers().Positions(), before);
    }
};

} // namespace oq::test

QTEST_MAIN(oq::test::SplitWizardTest)
#include "SplitWizardTest.moc"
