#include "gui/editor/MainWindow.h"
#include "gui/editor/OverviewView.h"
#include "gui/editor/WaveformDisplay.h"
#include "gui/windows/Player.h"
#include "gui/controls/EzRgnButton.h"
#include "tests/gui/Controls.h"
#include "tests/gui/DesktopSandbox.h"
#include "tests/gui/MessageAnswerer.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/TestAudio.h"
#include "model/Chapters.h"
#include "model/CueSheet.h"
#include "tools/CommentCopy.h"
#include "model/LabelFile.h"
#include "model/MarkerList.h"
#include "model/MarkerTime.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace oq::test {
namespace {

using Positions = std::vector<std::int32_t>;

// A key as the user presses it: to whichever control has the focus.
void Press(MainWindow& window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &window, static_cast<Qt::Key>(key), modifiers);
}

// Closes every modal window that opens, after pressing F1 in it, and tells
// its class and whether F1 clicked its Help button ("class +help").
class ModalCloser : public QObject {
public:
    ModalCloser()
    {
        connect(&poll_, &QTimer::timeout, this, [this] {
            // A window's keys reach it only once it is active, which can be
            // a few polls after it opened on a loaded machine.
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isActiveWindow())
                return;
            seen_ = QString::fromLatin1(modal->metaObject()->className());
            for (auto* help : modal->findChildren<EzRgnButton*>())
                if (help->objectName().endsWith(QLatin1String("Help"))) {
                    QSignalSpy clicked(help, &EzRgnButton::clicked);
                    QTest::keyClick(modal, Qt::Key_F1);
                    if (clicked.count() == 1)
                        seen_ += QStringLiteral(" +help");
                }
            modal->close();
        });
        poll_.start(10);
    }
    QString Seen() { return std::exchange(seen_, {}); }

private:
    QTimer poll_;
    QString seen_;
};

// Opens the window menu and picks an entry by its underlined letter.
void PickFromMenu(MainWindow& window, Qt::Key letter)
{
    window.ShowWindowMenu();
    QVERIFY(QTest::qWaitForWindowExposed(&window.WindowMenu()));
    QTest::keyClick(&window.WindowMenu(), letter);
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT

private:
    DesktopSandbox sandbox_;
    std::unique_ptr<TempDir> audio_;

    // The window with a file (the 135-second one unless named) open, shown
    // and active.
    std::unique_ptr<MainWindow> OpenWindow(const std::string& name = "take.ogg")
    {
        auto window = std::make_unique<MainWindow>();
        window->SetExportChooser([](const QString&) { return QString(); });
        if (!window->OpenOggFile(QString::fromStdString(audio_->Path(name))))
            qFatal("the test file did not open");
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("the main window did not become active");
        return window;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(sandbox_.Ready());
        audio_ = std::make_unique<TempDir>();
        WriteBytes(audio_->Path("take.ogg"),
                   MakeOggVorbis({.channels = 2, .seconds = 135.0, .signal = Signal::Mixed, .seed = 1}));
    }

    void markerFilesGoOutAndComeBackThroughTheMenu()
    {
        const auto window = OpenWindow();
        MarkerList& markers = window->Markers();
        const Positions opened = markers.Positions();
        const std::string labels = audio_->Path("labels.txt");
        const std::string text = "10.000000\t10.000000\tOne\n50.000000\t50.000000\tTwo\n";
        WriteBytes(labels, Bytes(text.begin(), text.end()));

        QString chosen;
        QStringList asked;
        window->SetMarkerFileChooser([&](MainWindow::MarkerFileUse use, const QString& folder, const QString& name) {
            const QLatin1String kind(use == MainWindow::MarkerFileUse::Import ? "import" : "export");
            asked << QStringLiteral("%1 %2 %3").arg(kind, QDir(folder).dirName(), name);
            return chosen;
        });
        chosen = QString::fromStdString(labels);
        PickFromMenu(*window, Qt::Key_I);
        const MarkerTime time(window->OpenFileRecord());
        // The labels, and the markers at the file's ends that every source lays.
        const Positions imported = markers.Positions();
        QCOMPARE(imported.size(), 4u);
        QCOMPARE(imported.front(), 0);
        QCOMPARE(markers.Places()[2], LabelFile::Read(labels, time).Markers[1]);
        QCOMPARE(imported.back(), time.BlockCount());

        // Written and read again, every marker lands on its sample, the
        // labels' with their texts.
        Press(*window, Qt::Key_Insert);
        const Positions edited = markers.Positions();
        chosen = QString::fromStdString(audio_->Path("out.txt"));
        PickFromMenu(*window, Qt::Key_E);
        const LaidMarkers back = LabelFile::Read(chosen.toStdString(), time);
        QCOMPARE(back.Markers.size(), edited.size());
        for (std::size_t k = 0; k < edited.size(); ++k) {
            QCOMPARE(back.Markers[k].Position, edited[k]);
            QCOMPARE(back.Markers[k].Sample, std::optional<std::int64_t>(markers.Geometry().CutSample(static_cast<int>(k) + 1)));
        }
        QCOMPARE(back.Markers[1].Title, std::string("One"));
        chosen = QString::fromStdString(audio_->Path("out.cue"));
        PickFromMenu(*window, Qt::Key_E);
        QCOMPARE(static_cast<int>(ReadCueSheet(chosen.toStdString()).size()), markers.SectionCount());
        // Cancel writes nothing and changes nothing.
        chosen.clear();
        PickFromMenu(*window, Qt::Key_I);
        QCOMPARE(markers.Positions(), edited);

        const QString folder = QFileInfo(QString::fromStdString(audio_->Path("take.ogg"))).absoluteDir().dirName();
        QCOMPARE(asked, (QStringList{"import " + folder + " ", "export " + folder + " take",
                                     "export " + folder + " take", "import " + folder + " "}));
        // The import is one step to undo.
        Press(*window, Qt::Key_Z, Qt::ControlModifier);
        Press(*window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(markers.Positions(), opened);
        // A file of more labels than the markers hold changes nothing and is named.
        std::string many;
        for (int k = 0; k <= MarkerList::kMaxMarkers; ++k)
            many += std::to_string(k / 10.0) + "\t" + std::to_string(k / 10.0) + "\n";
        WriteBytes(audio_->Path("many.txt"), Bytes(many.begin(), many.end()));
        chosen = QString::fromStdString(audio_->Path("many.txt"));
        {
            MessageAnswerer answerer;
            PickFromMenu(*window, Qt::Key_I);
            QVERIFY2(answerer.Text().contains(QRegularExpression(QStringLiteral("many.txt\" has 1,?001 labels"))),
                     qPrintable(answerer.Text()));
        }
        QCOMPARE(markers.Positions(), opened);
    }

    // Markers laid at a file's chapters keep the chapters' exact samples and
    // titles when they are saved as chapters again; the section before the
    // first chapter gets one of its own.
    void chaptersGoOutAndComeBackThroughTheMenu()
    {
        const std::string book = audio_->Path("book.ogg");
        CopyWithComments(audio_->Path("take.ogg"), book, [](std::size_t, std::vector<std::string> fields) {
            fields.insert(fields.end(), {"CHAPTER001=00:00:10.001", "CHAPTER001NAME=One", "CHAPTER002=00:01:00.250",
                                         "CHAPTER002NAME=Two"});
            return fields;
        });
        const auto window = OpenWindow("book.ogg");
        QStringList asked;
        const std::string copy = audio_->Path("copy.ogg");
        window->SetMarkerFileChooser([&](MainWindow::MarkerFileUse use, const QString&, const QString& name) {
            asked << name;
            return use == MainWindow::MarkerFileUse::Chapters ? QString::fromStdString(copy) : QString();
        });
        PickFromMenu(*window, Qt::Key_C);
        const MarkerTime time(window->OpenFileRecord());
        const std::vector<Chapter> chapters = ReadChapters(book);
        const Positions laid = window->Markers().Positions();
        for (const Chapter& chapter : chapters)
            QVERIFY(std::ranges::find(laid, time.PositionAtSample(chapter.Sample)) != laid.end());

        PickFromMenu(*window, Qt::Key_M);
        QCOMPARE(asked, QStringList{QStringLiteral("book (chapters).ogg")});
        const std::vector<Chapter> saved{{0, "Chapter 1"}, chapters[0], chapters[1]};
        QVERIFY(ReadChapters(copy) == saved);

        // A file without chapters says so and keeps its markers. (One main
        // window at a time, as the program has: the keyboard returns to the
        // window a closing one was opened over.)
        window->close();
        const auto plain = OpenWindow();
        const Positions opened = plain->Markers().Positions();
        {
            MessageAnswerer answerer;
            PickFromMenu(*plain, Qt::Key_C);
            QCOMPARE(answerer.Text(), QStringLiteral("This file holds no chapters."));
        }
        QCOMPARE(plain->Markers().Positions(), opened);
    }

    // A chained file of 20, 30 and 10 seconds (the middle link mono) gets a
    // marker at each link's first sample and one at each end of the file;
    // the change is one step to undo.
    void streamBoundariesBecomeMarkersThroughTheMenu()
    {
        WriteBytes(audio_->Path("chain.ogg"), Joined({MakeOggVorbis({.seconds = 20.0}, {.serial = 11}),
                                                      MakeOggVorbis({.channels = 1, .seconds = 30.0}, {.serial = 12}),
                                                      MakeOggVorbis({.seconds = 10.0}, {.serial = 13})}));
        const auto window = OpenWindow("chain.ogg");
        MarkerList& markers = window->Markers();
        const Positions opened = markers.Positions();
        const MarkerTime time(window->OpenFileRecord());
        PickFromMenu(*window, Qt::Key_S);
        const Positions atLinks = markers.Positions();
        QCOMPARE(atLinks, (Positions{0, time.PositionAtSample(20 * 44100), time.PositionAtSample(50 * 44100),
                                     time.BlockCount()}));
        Press(*window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(markers.Positions(), opened);
    }

    void undoAndRedoKeysGiveBackTheMarkers()
    {
        const auto window = OpenWindow();
        MarkerList& markers = window->Markers();
        const Positions opened = markers.Positions();
        QVERIFY(!FindControl<QAction>(*window, "Undo")->isEnabled());

        Press(*window, Qt::Key_Insert);
        const Positions added = markers.Positions();
        QCOMPARE(added.size(), 3u);

        // One drag, however many moves, is one step.
        OverviewView* overview = window->Display().Overview();
        const auto railPoint = [](int x) { return QPoint(OverviewView::kPicture.x() + x, OverviewView::kMarkerTop + 5); };
        const std::int32_t middle = window->Display().Pixels().ImagePixel(2);
        QTest::mousePress(overview, Qt::LeftButton, {}, railPoint(middle));
        QVERIFY(markers.Dragging());
        for (const int x : {middle - 20, 120, 101}) {
            QMouseEvent move(QEvent::MouseMove, railPoint(x), overview->mapToGlobal(railPoint(x)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(overview, &move);
        }
        QTest::mouseRelease(overview, Qt::LeftButton, {}, railPoint(101));
        const Positions dragged = markers.Positions();
        QVERIFY(dragged != added);
        QCOMPARE(window->Display().Pixels().ImagePixel(2), 101);

        Press(*window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(markers.Positions(), added);
        // An undone drag shows every marker on its position's pixel.
        const MarkerPixels& pixels = window->Display().Pixels();
        for (int i = 1; i <= markers.MarkerCount(); ++i)
            QCOMPARE(pixels.ImagePixel(i), pixels.PositionToPixel(markers.Position(i)));
        Press(*window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(markers.Positions(), opened);
        QVERIFY(!FindControl<QAction>(*window, "Undo")->isEnabled());

        Press(*window, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(markers.Positions(), added);
        Press(*window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(markers.Positions(), dragged);
        QVERIFY(!FindControl<QAction>(*window, "Redo")->isEnabled());
        QCOMPARE(QString::fromStdString(markers.SectionTotalText()), QStringLiteral("2"));
    }

    void everyKeyPressesItsButton()
    {
        const auto window = OpenWindow();
        ModalCloser closer;
        Press(*window, Qt::Key_Insert); // a marker selected: the play, nudge and zoom keys work
        QCOMPARE(window->Markers().SelectedMarker(), 2);

        struct Key {
            int key;
            Qt::KeyboardModifiers modifiers;
            const char* button;
            const char* modal; // the window the button opens, if it is modal
        };
        const Key keys[] = {
            {Qt::Key_Space, Qt::NoModifier, "Vis_PlayFrom", nullptr},
            {Qt::Key_Space, Qt::ShiftModifier, "Vis_PlayTo", nullptr},
            {Qt::Key_Left, Qt::NoModifier, "Vis_NudgeBack", nullptr},
            {Qt::Key_Right, Qt::NoModifier, "Vis_NudgeFwd", nullptr},
            {Qt::Key_Plus, Qt::ControlModifier, "Vis_ZoomIn", nullptr},
            {Qt::Key_Minus, Qt::ControlModifier, "Vis_ZoomOut", nullptr},
            {Qt::Key_Delete, Qt::NoModifier, "Vis_DelMarker", nullptr},
            {Qt::Key_Insert, Qt::NoModifier, "Vis_AddMarker", nullptr},
            {Qt::Key_O, Qt::ControlModifier, "Vis_OpenOgg", "QFileDialog"},
            {Qt::Key_S, Qt::ControlModifier, "Vis_SaveSplit", "oq::SaveWizard +help"},
            {Qt::Key_F1, Qt::NoModifier, "Tool_Help", nullptr},
        };
        for (const Key& key : keys) {
            auto* button = FindControl<EzRgnButton>(*window, key.button);
            QVERIFY2(button->toolTip().endsWith(QLatin1Char(')')), key.button); // the hint names the key
            QSignalSpy clicked(button, &EzRgnButton::clicked);
            // A modal window that closed gives the activation back in time.
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            Press(*window, key.key, key.modifiers);
            QVERIFY2(clicked.count() == 1, key.button);
            if (key.modal) // opened and closed inside the key press
                QCOMPARE(closer.Seen(), QLatin1String(key.modal));
            window->Playback().Stop();
        }

        window->Markers().SelectSection(1);
        window->RefreshControls();
        QSignalSpy exported(FindControl<EzRgnButton>(*window, "Vis_ExportOgg"), &EzRgnButton::clicked);
        Press(*window, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(exported.count(), 1);

        Press(*window, Qt::Key_Space, Qt::AltModifier);
        QTRY_VERIFY(window->WindowMenu().isVisible());
        const QStringList entries{QStringLiteral("Undo"),           QStringLiteral("Redo"),
                                  QStringLiteral("ImportMarkers"),  QStringLiteral("ExportMarkers"),
                                  QStringLiteral("PauseMarkers"),   QStringLiteral("LinkMarkers"),
                                  QStringLiteral("ChapterMarkers"), QStringLiteral("SaveChapters"),
                                  QStringLiteral("HelpAction")};
        QStringList shown;
        for (const QAction* action : window->WindowMenu().actions())
            if (!action->isSeparator())
                shown << action->objectName();
        QCOMPARE(shown, entries);
        window->WindowMenu().close();
    }

    void fieldsKeepTheirKeys()
    {
        const auto window = OpenWindow();
        Press(*window, Qt::Key_Insert);
        const Positions before = window->Markers().Positions();
        QList<std::shared_ptr<QSignalSpy>> spies;
        for (const char* name : {"Vis_PlayFrom", "Vis_DelMarker", "Vis_NudgeBack", "Vis_NudgeFwd"})
            spies << std::make_shared<QSignalSpy>(FindControl<EzRgnButton>(*window, name), &EzRgnButton::clicked);

        for (const char* field : {"RangePos", "PlayTimeSpin"}) {
            auto* widget = FindControl<QWidget>(*window, field);
            widget->setFocus();
            QCOMPARE(QApplication::focusWidget(), widget);
            for (const int key : {Qt::Key_Space, Qt::Key_Delete, Qt::Key_Left, Qt::Key_Right})
                Press(*window, key);
        }
        for (const auto& spy : spies)
            QCOMPARE(spy->count(), 0);
        QCOMPARE(window->Markers().Positions(), before);
    }

    void tabVisitsTheControlsGroupByGroup()
    {
        const auto window = OpenWindow();
        Press(*window, Qt::Key_Insert); // every control but the section fields enabled
        FindControl<QWidget>(*window, "Vis_OpenOgg")->setFocus();
        QStringList visited;
        for (int i = 0; i < 22; ++i) {
            visited << QApplication::focusWidget()->objectName();
            Press(*window, Qt::Key_Tab);
        }
        const QStringList expected{
            "Vis_OpenOgg",   "Vis_OggInfo",  "Vis_SaveSplit", "Vis_AddMarker",     "Vis_DelMarker", "Vis_SplitWizard",
            "Vis_PlayTo",    "PlayTimeSpin", "Vis_PlayFrom",  "RangeSelectMarker", "RangePos",      "SectionSelectSection",
            "Vis_ZoomIn",    "Vis_NudgeBack", "Vis_NudgeFwd", "Tool_Join",         "Tool_Wave",     "Tool_Catalog",
            "Tool_Help",     "Form_Min",     "Form_Close",    "Vis_OpenOgg"};
        QCOMPARE(visited, expected);

        // The focused button is framed, and Space presses it rather than playing.
        auto* add = FindControl<EzRgnButton>(*window, "Vis_AddMarker");
        add->setFocus();
        QSignalSpy played(FindControl<EzRgnButton>(*window, "Vis_PlayFrom"), &EzRgnButton::clicked);
        const int markers = window->Markers().MarkerCount();
        Press(*window, Qt::Key_Space);
        QCOMPARE(window->Markers().MarkerCount(), markers + 1);
        QCOMPARE(played.count(), 0);
    }
};

} // namespace oq::test

QTEST_MAIN(oq::test::KeyboardTest)
#include "KeyboardTest.moc"
