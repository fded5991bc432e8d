#include "base/Error.h"
#include "media/OggFileInfo.h"
#include "vorbis/VorbisFile.h"
#include "gui/editor/MainWindow.h"
#include "jobs/JobPlanner.h"
#include "model/PositionConverter.h"
#include "gui/controls/EzRgnButton.h"
#include "gui/controls/FolderChooser.h"
#include "tests/gui/Controls.h"
#include "tests/gui/DesktopSandbox.h"
#include "tests/gui/MessageAnswerer.h"
#include "tests/gui/ModalDriver.h"
#include "tests/gui/Screenshot.h"
#include "tests/support/OggCheck.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"
#include "media/OggInformationText.h"
#include "gui/savewizard/SaveWizard.h"
#include "gui/splitwizard/SplitWizard.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <functional>
#include <memory>
#include <set>

namespace oq::test {
namespace {

namespace fs = std::filesystem;

EzRgnButton* Button(const QWidget& window, const char* name)
{
    return FindControl<EzRgnButton>(window, name);
}

// The one button of Next, Start, Pause and Done that is shown.
QString Shared(const QWidget& window)
{
    for (const char* name : {"Wizard_Next", "Wizard_Start", "Wizard_Pause", "Wizard_Done"})
        if (Button(window, name)->isVisible())
            return QLatin1String(name);
    return {};
}

std::set<std::string> FilesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

QStringList RowNames(const SaveWizard& wizard, const char* view)
{
    QStringList names;
    auto* list = FindControl<QTreeWidget>(wizard, view);
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names << list->topLevelItem(i)->text(1);
    return names;
}

bool IsOggVorbis(const std::string& path)
{
    try {
        OpenVorbisFile(path);
        return true;
    } catch (const FileError&) {
        return false;
    }
}

void Click(const QWidget& window, const char* button)
{
    Button(window, button)->Click();
}

constexpr int kChannels = 2; // every source of these tests is stereo

// `file` is a complete stream of its own (serial `serial`) holding exactly
// the source's samples of `range`; returns its length in sample frames.
std::int64_t CheckSection(const std::string& file, std::uint32_t serial, const std::vector<std::int16_t>& source,
                          SampleRange range, std::vector<std::int16_t> (*decode)(const std::string&) = DecodeSamples)
{
    const std::string problem = ProblemWithStream(file, serial);
    if (!problem.empty())
        qWarning("%s: %s", file.c_str(), problem.c_str());
    const std::vector<std::int16_t> decoded = decode(file);
    const auto from = source.begin() + static_cast<std::ptrdiff_t>(range.Start * kChannels);
    const auto to = source.begin() + static_cast<std::ptrdiff_t>(range.End * kChannels);
    if (!problem.empty() || !std::equal(decoded.begin(), decoded.end(), from, to))
        return -1;
    return static_cast<std::int64_t>(decoded.size()) / kChannels;
}

// Relative luminance of a colour on a screen of sRGB primaries (0 black .. 1 white).
double Luminance(QColor colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

// The contrast ratio of two colours, 1 (the same) .. 21 (black on white).
double Contrast(QColor a, QColor b)
{
    const double first = Luminance(a);
    const double second = Luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

} // namespace

class SaveWizardTest : public QObject {
    Q_OBJECT

private:
    DesktopSandbox sandbox_;
    std::unique_ptr<TempDir> audio_;
    MPEGData record_;
    SplitCuts markers_; // at blocks 0, B/3, 2B/3 and B

    // Clicks Start and waits until the run has ended.
    static void StartAndWait(SaveWizard& wizard)
    {
        Button(wizard, "Wizard_Start")->Click();
        QVERIFY(QTest::qWaitFor([&] { return !wizard.Flow().Running(); }, 20000));
    }

    // Lays the markers of the cue sheet `sheet` on the open file through the split wizard.
    static void ApplyCueSheet(MainWindow& main, const std::string& sheet)
    {
        main.SplitWizardWindow().SetCueChooser([sheet](const QString&) { return QString::fromStdString(sheet); });
        WhileOpen(
            main.SplitWizardWindow(), [&] { Click(main, "Vis_SplitWizard"); return 0; },
            [&] {
                FindControl<QRadioButton>(main.SplitWizardWindow(), "SplitRadio4")->click();
                Click(main.SplitWizardWindow(), "cueBrowse");
                Click(main.SplitWizardWindow(), "newOkay");
            });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(sandbox_.Ready());
        audio_ = std::make_unique<TempDir>();
        const std::string path = audio_->Path("song.ogg");
        WriteBytes(path, MakeOggVorbis({.channels = 2, .seconds = 12.0, .signal = Signal::Mixed, .seed = 7}));
        record_ = ReadOggFileInfo(path);
        const std::int32_t blocks = record_.BlockCount;
        const PositionConverter convert(record_);
        for (const std::int32_t p : {0, blocks / 3, 2 * blocks / 3, blocks})
            markers_.Markers.push_back(convert.PositionToSamples(p));
    }

    void splitWritesTheOddSectionsWithCustomNames()
    {
        TempDir out;
        SaveWizard wizard;
        SaveWizard::Dialogs dialogs;
        dialogs.ChooseFolder = [&](const QString& title, const QString&) {
            return title == QStringLiteral("Select Directory for Split Section Output:")
                       ? QString::fromStdString(out.Root())
                       : QString();
        };
        wizard.SetDialogs(dialogs);
        const int result = WhileOpen(
            wizard, [&] { return wizard.ShowSplit(record_, markers_, QString::fromStdString(audio_->Root())); },
            [&] {
                QCOMPARE(FindControl<QLineEdit>(wizard, "SplitFile_PostText")->text(), QStringLiteral(" - song.ogg"));
                QCOMPARE(FindControl<QLabel>(wizard, "SplitFile_Example")->text(), QStringLiteral("Part 01 - song.ogg"));
                QVERIFY(!FindControl<QCheckBox>(wizard, "SplitFile_Titles")->isEnabled());
                QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Next"));
                QVERIFY(!Button(wizard, "Wizard_Back")->Enabled());
                SaveScreenshot(wizard.grab(), QStringLiteral("save-wizard-split"));

                Button(wizard, "EzRgnBtn1")->Click();
                QCOMPARE(FindControl<QLineEdit>(wizard, "SplitDirEdit1")->text(), QString::fromStdString(out.Root()));
                FindControl<QComboBox>(wizard, "SplitFile_Sections")->setCurrentIndex(1);
                QTest::keyClicks(FindControl<QLineEdit>(wizard, "SplitFile_PreText"), QStringLiteral("Cut"));
                FindControl<QLineEdit>(wizard, "SplitFile_PostText")->setText(QStringLiteral(" end"));
                QCOMPARE(FindControl<QLabel>(wizard, "SplitFile_Example")->text(), QStringLiteral("Part Cut01 end.ogg"));
                FindControl<QCheckBox>(wizard, "SplitFile_Zeros")->click();
                QCOMPARE(FindControl<QLabel>(wizard, "SplitFile_Example")->text(), QStringLiteral("Part Cut1 end.ogg"));
                FindControl<QCheckBox>(wizard, "SplitFile_ReplayGain")->click();

                Button(wizard, "Wizard_Next")->Click();
                QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Start"));
                QVERIFY(Button(wizard, "Wizard_Back")->Enabled());
                QVERIFY(!FindControl<QLabel>(wizard, "Final_Label2")->isEnabled());
                QCOMPARE(FindControl<QLabel>(wizard, "Final_Time")->text(), QStringLiteral("00:00:00"));
                SaveScreenshot(wizard.grab(), QStringLiteral("save-wizard-final"));
                StartAndWait(wizard);
                QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Done"));
                QVERIFY(!Button(wizard, "Wizard_Back")->Enabled());
                QVERIFY(!FindControl<QLabel>(wizard, "Final_Label1")->isEnabled());
                SaveScreenshot(wizard.grab(), QStringLiteral("save-wizard-done"));
                Button(wizard, "Wizard_Done")->Click();
            });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(FilesIn(out.Root()), (std::set<std::string>{"Part Cut1 end.ogg", "Part Cut3 end.ogg"}));
        QVERIFY(IsOggVorbis(out.Path("Part Cut1 end.ogg")));
        QVERIFY(IsOggVorbis(out.Path("Part Cut3 end.ogg")));
        const Bytes written = ReadBytes(out.Path("Part Cut1 end.ogg"));
        const std::string_view text(reinterpret_cast<const char*>(written.data()), written.size());
        QVERIFY(text.find("REPLAYGAIN_TRACK_GAIN=") != std::string_view::npos);
    }

    // The odd sections in one file, a link each, decoding to exactly their
    // samples; the naming choices do not apply to it.
    void splitWritesTheOddSectionsAsOneFile()
    {
        TempDir out;
        SaveWizard wizard;
        SaveWizard::Dialogs dialogs;
        dialogs.ChooseFolder = [&](const QString&, const QString&) { return QString::fromStdString(out.Root()); };
        wizard.SetDialogs(dialogs);
        const int result = WhileOpen(
            wizard, [&] { return wizard.ShowSplit(record_, markers_, QString::fromStdString(audio_->Root())); },
            [&] {
                Button(wizard, "EzRgnBtn1")->Click();
                FindControl<QComboBox>(wizard, "SplitFile_Sections")->setCurrentIndex(1);
                FindControl<QComboBox>(wizard, "SplitFile_Files")->setCurrentIndex(1);
                QVERIFY(!FindControl<QLineEdit>(wizard, "SplitFile_PreText")->isEnabled());
                QCOMPARE(FindControl<QLabel>(wizard, "SplitFile_Example")->text(), QStringLiteral("song (cut).ogg"));
                Button(wizard, "Wizard_Next")->Click();
                StartAndWait(wizard);
                QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Done"));
                Button(wizard, "Wizard_Done")->Click();
            });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(FilesIn(out.Root()), (std::set<std::string>{"song (cut).ogg"}));
        const std::vector<std::int64_t> cuts = SectionsOf(record_, markers_).CutPoints;
        QCOMPARE(cuts.size(), std::size_t(2));
        const std::vector<std::int16_t> source = DecodeSamples(record_.FileName);
        std::vector<std::int16_t> odd(source.begin(), source.begin() + cuts[0] * 2);
        odd.insert(odd.end(), source.begin() + cuts[1] * 2, source.end());
        QVERIFY(DecodeSamples(out.Path("song (cut).ogg")) == odd);
    }

    void folderChooserOpensOnTheFolderOfThePage()
    {
        TempDir out;
        const QString folder = QDir(QString::fromStdString(out.Root())).absolutePath();
        SaveWizard wizard;
        WhileOpen(
            wizard, [&] { return wizard.ShowSplit(record_, markers_, folder); },
            [&] {
                QString caption, titleLine, selected;
                QTimer::singleShot(50, &wizard, [&] {
                    auto* chooser = qobject_cast<FolderChooser*>(QApplication::activeModalWidget());
                    if (!chooser)
                        return;
                    caption = chooser->windowTitle();
                    titleLine = FindControl<QLabel>(*chooser, "FolderChooser_Title")->text();
                    selected = chooser->Chosen();
                    SaveScreenshot(chooser->grab(), QStringLiteral("folder-chooser"));
                    chooser->accept();
                });
                Button(wizard, "EzRgnBtn1")->Click();
                QCOMPARE(caption, QStringLiteral("Select Directory..."));
                QCOMPARE(titleLine, QStringLiteral("Select Directory for Split Section Output:"));
                QCOMPARE(selected, folder);
                QCOMPARE(FindControl<QLineEdit>(wizard, "SplitDirEdit1")->text(), folder);
                wizard.reject();
            });
    }

    void exportStartsOnTheFinalPageAndWritesOneSection()
    {
        TempDir out;
        const std::string target = out.Path("middle.ogg");
        SaveWizard wizard;
        const int result = WhileOpen(
            wizard, [&] { return wizard.ShowExport(record_, markers_, 2, QString::fromStdString(target)); },
            [&] {
                QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Start"));
                QVERIFY(!Button(wizard, "Wizard_Back")->Enabled());
                QVERIFY(FindControl<QWidget>(wizard, "FinalPanel1")->isVisible());
                StartAndWait(wizard);
                QCOMPARE(FindControl<QLabel>(wizard, "Final_Current")->text(), QStringLiteral("song.ogg"));
                Button(wizard, "Wizard_Done")->Click();
            });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(FilesIn(out.Root()), (std::set<std::string>{"middle.ogg"}));
        QVERIFY(IsOggVorbis(target));
    }

    void overwriteQuestionCancelWritesNothingAndOkReplaces()
    {
        TempDir out;
        const std::string first = out.Path("Part 01 - song.ogg");
        WriteBytes(first, Bytes(10, 'x'));
        const auto runSplit = [&](QMessageBox::StandardButton answer) {
            MessageAnswerer answerer(answer);
            SaveWizard wizard;
            WhileOpen(
                wizard, [&] { return wizard.ShowSplit(record_, markers_, QString::fromStdString(out.Root())); },
                [&] {
                    Button(wizard, "Wizard_Next")->Click();
                    StartAndWait(wizard);
                    QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Done"));
                    Button(wizard, "Wizard_Done")->Click();
                });
            QCOMPARE(answerer.Count(), 1);
            QCOMPARE(answerer.Text(), QString::fromLatin1(kOverwriteQuestion));
            QCOMPARE(answerer.Icon(), QMessageBox::Information);
            QCOMPARE(answerer.DefaultButton(), QMessageBox::Ok);
        };
        runSplit(QMessageBox::Cancel);
        QCOMPARE(FilesIn(out.Root()), (std::set<std::string>{"Part 01 - song.ogg"}));
        QCOMPARE(ReadBytes(first).size(), std::size_t{10});

        runSplit(QMessageBox::Ok);
        QCOMPARE(FilesIn(out.Root()),
                 (std::set<std::string>{"Part 01 - song.ogg", "Part 02 - song.ogg", "Part 03 - song.ogg"}));
        QVERIFY(IsOggVorbis(first));
    }

    // A pre text that would leave the folder is cleaned, and the run first
    // says so: Cancel there writes nothing.
    void otherNamesAreShownBeforeTheRun()
    {
        TempDir out;
        const auto runSplit = [&](QMessageBox::StandardButton answer) {
            MessageAnswerer answerer(answer);
            QString notes;
            answerer.InspectFirst([&](QMessageBox& box) { notes = box.informativeText(); });
            SaveWizard wizard;
            WhileOpen(
                wizard, [&] { return wizard.ShowSplit(record_, markers_, QString::fromStdString(out.Root())); },
                [&] {
                    FindControl<QLineEdit>(wizard, "SplitFile_PreText")->setText(QStringLiteral("../up_"));
                    Button(wizard, "Wizard_Next")->Click();
                    StartAndWait(wizard);
                    Button(wizard, "Wizard_Done")->Click();
                });
            QCOMPARE(answerer.Count(), 1);
            QCOMPARE(answerer.Text(), QStringLiteral("Some Files Are Written Under Other Names, Click OK To Continue:"));
            QVERIFY(notes.startsWith(QStringLiteral("section 1 is written as \"___up_01 - song.ogg\": ")));
        };
        runSplit(QMessageBox::Cancel);
        QVERIFY(FilesIn(out.Root()).empty());
        runSplit(QMessageBox::Ok);
        QCOMPARE(FilesIn(out.Root()), (std::set<std::string>{"___up_01 - song.ogg", "___up_02 - song.ogg",
                                                              "___up_03 - song.ogg"}));
    }

    void pausedRunHoldsTheTimerTicksAndCancelRemovesEverything()
    {
        TempDir out;
        SaveWizard wizard;
        const int result = WhileOpen(
            wizard, [&] { return wizard.ShowSplit(record_, markers_, QString::fromStdString(out.Root())); },
            [&] {
                Button(wizard, "Wizard_Next")->Click();
                Button(wizard, "Wizard_Start")->Click();
                QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Pause"));
                QVERIFY(!Button(wizard, "Wizard_Back")->Enabled());
                QVERIFY(FindControl<QLabel>(wizard, "Final_Label2")->isEnabled());
                Button(wizard, "Wizard_Pause")->Click();
                QVERIFY(wizard.Paused());
                // Held before its first job, the run still lets the window live.
                QVERIFY(QTest::qWaitFor(
                    [&] { return FindControl<QLabel>(wizard, "Final_Time")->text() == QStringLiteral("00:00:01"); }, 3000));
                QVERIFY(wizard.Flow().Running());
                SaveScreenshot(wizard.grab(), QStringLiteral("save-wizard-running"));
                // No resume here: a short run let go for a moment may end
                // before the Cancel below reaches it.
                Button(wizard, "Wizard_Cancel")->Click();
                QVERIFY(QTest::qWaitFor([&] { return !wizard.isVisible(); }, 20000));
            });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(FilesIn(out.Root()).empty());
    }

    void aFailedRunShowsTheErrorAndClosesAsCancelled()
    {
        MessageAnswerer answerer(QMessageBox::Ok);
        SaveWizard wizard;
        const int result = WhileOpen(
            wizard,
            [&] { return wizard.ShowSplit(record_, markers_, QString::fromStdString(audio_->Path("no/such/folder"))); },
            [&] {
                Button(wizard, "Wizard_Next")->Click();
                Button(wizard, "Wizard_Start")->Click();
                QVERIFY(QTest::qWaitFor([&] { return !wizard.isVisible(); }, 20000));
            });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(answerer.Count(), 1);
        QVERIFY(!answerer.Text().isEmpty());
        QVERIFY(!wizard.Flow().Running());
        QVERIFY(!Button(wizard, "Wizard_Pause")->isVisible());
    }

    void joinWritesTheFilesInTheSortedOrder()
    {
        TempDir in;
        const double seconds[] = {3.0, 1.0, 2.0};
        const char* names[] = {"c.ogg", "a.ogg", "B.ogg"};
        QStringList chosen;
        for (int i = 0; i < 3; ++i) {
            WriteBytes(in.Path(names[i]), MakeOggVorbis({.channels = 2, .seconds = seconds[i], .seed = 9u + i},
                                                        {.serial = 0x100u + static_cast<std::uint32_t>(i)}));
            chosen << QString::fromStdString(in.Path(names[i]));
        }
        WriteBytes(in.Path("fake.ogg"), Bytes(3000, 'x'));
        chosen << QString::fromStdString(in.Path("fake.ogg")) << QString::fromStdString(in.Path("gone.ogg"));
        const std::string target = in.Path("joined.ogg");
        // Both refusals share one message; each is written to the diagnostic output.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("fake\\.ogg.*is not an Ogg Vorbis or Opus file"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("gone\\.ogg.*No such file or directory"));

        MessageAnswerer answerer(QMessageBox::Ok);
        SaveWizard wizard;
        QString lastFolder;
        connect(&wizard, &SaveWizard::lastFolderChanged, this, [&](const QString& folder) { lastFolder = folder; });
        SaveWizard::Dialogs dialogs;
        dialogs.OpenOggFiles = [&](const QString&) { return chosen; };
        dialogs.SaveFile = [&](const QString& proposed, const QString&, const QString&) {
            return proposed == QStringLiteral("Joined.ogg") ? QString::fromStdString(target) : QString();
        };
        wizard.SetDialogs(dialogs);
        const int result = WhileOpen(wizard, [&] { return wizard.ShowTool(ActiveTool::Join); }, [&] {
            QVERIFY(!Button(wizard, "Wizard_Next")->Enabled());
            Button(wizard, "Join_Add2")->Click();
            QCOMPARE(RowNames(wizard, "JoinListBox1"), (QStringList{"c.ogg", "a.ogg", "B.ogg"}));
            QCOMPARE(FindControl<QLineEdit>(wizard, "JoinTxt1")->text(), QStringLiteral("3"));
            QCOMPARE(FindControl<QLineEdit>(wizard, "JoinTxt2")->text(), QStringLiteral("00:00:06"));
            // A row moves with Down; the last row cannot.
            auto* view = FindControl<QTreeWidget>(wizard, "JoinListBox1");
            view->topLevelItem(0)->setSelected(true);
            QVERIFY(Button(wizard, "Join_Down2")->Enabled());
            QVERIFY(!Button(wizard, "Join_Up2")->Enabled());
            Button(wizard, "Join_Down2")->Click();
            QCOMPARE(RowNames(wizard, "JoinListBox1"), (QStringList{"a.ogg", "c.ogg", "B.ogg"}));
            QCOMPARE(view->topLevelItem(0)->text(0), QStringLiteral("1"));
            Button(wizard, "Join_ZtoA2")->Click();
            QCOMPARE(RowNames(wizard, "JoinListBox1"), (QStringList{"c.ogg", "B.ogg", "a.ogg"}));
            Button(wizard, "Join_AtoZ2")->Click();
            QCOMPARE(RowNames(wizard, "JoinListBox1"), (QStringList{"a.ogg", "B.ogg", "c.ogg"}));
            QVERIFY(!Button(wizard, "Wizard_Next")->Enabled());
            Button(wizard, "JoinBrowse")->Click();
            QVERIFY(Button(wizard, "Wizard_Next")->Enabled());
            SaveScreenshot(wizard.grab(), QStringLiteral("save-wizard-join"));
            Button(wizard, "Wizard_Next")->Click();
            StartAndWait(wizard);
            Button(wizard, "Wizard_Done")->Click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(answerer.Count(), 1);
        QCOMPARE(answerer.Text(), QStringLiteral("Not a Valid Ogg File."));
        QCOMPARE(lastFolder, QString::fromStdString(in.Root()));
        const MPEGData joined = ReadOggFileInfo(target);
        QVERIFY2(std::abs(joined.TimeTotal - 6.0) < 0.1, qPrintable(QString::number(joined.TimeTotal)));
        // The first part of the join is a.ogg, the one-second file.
        const auto parts = DecodeSamples(target);
        const auto first = DecodeSamples(in.Path("a.ogg"));
        QVERIFY(parts.size() > first.size());
        QVERIFY(std::equal(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(first.size() / 2), parts.begin()));

        // The list stays for the next opening.
        WhileOpen(wizard, [&] { return wizard.ShowTool(ActiveTool::Join); }, [&] {
            QCOMPARE(RowNames(wizard, "JoinListBox1").size(), 3);
            Button(wizard, "Wizard_Cancel")->Click();
        });
    }

    // An output chosen over one of the listed files, by another path to it,
    // is refused at once with its name; the page waits for another choice.
    void joinRefusesAnOutputThatIsOneOfItsFiles()
    {
        TempDir in;
        const std::string first = in.Path("first.ogg");
        const std::string second = in.Path("second.ogg");
        WriteBytes(first, MakeOggVorbis({.seconds = 1.0, .seed = 3}));
        WriteBytes(second, MakeOggVorbis({.seconds = 1.0, .seed = 4}));
        const Bytes original = ReadBytes(first);
        const QString roundabout = QString::fromStdString(in.Root() + "/./first.ogg");
        MessageAnswerer answerer(QMessageBox::Ok);
        SaveWizard wizard;
        SaveWizard::Dialogs dialogs;
        dialogs.OpenOggFiles = [&](const QString&) {
            return QStringList{QString::fromStdString(first), QString::fromStdString(second)};
        };
        dialogs.SaveFile = [&](const QString&, const QString&, const QString&) { return roundabout; };
        wizard.SetDialogs(dialogs);
        WhileOpen(wizard, [&] { return wizard.ShowTool(ActiveTool::Join); }, [&] {
            Button(wizard, "Join_Add2")->Click();
            Button(wizard, "JoinBrowse")->Click();
            QVERIFY(FindControl<QLineEdit>(wizard, "JoinEdit1")->text().isEmpty());
            QVERIFY(!Button(wizard, "Wizard_Next")->Enabled());
            Button(wizard, "Wizard_Cancel")->Click();
        });
        QCOMPARE(answerer.Count(), 1);
        QVERIFY2(answerer.Text().contains(roundabout), qPrintable(answerer.Text()));
        QVERIFY(ReadBytes(first) == original);
        QCOMPARE(FilesIn(in.Root()), (std::set<std::string>{"first.ogg", "second.ogg"}));
    }

    void wavConversionIntoOneFolder()
    {
        TempDir out;
        SaveWizard wizard;
        SaveWizard::Dialogs dialogs;
        dialogs.OpenOggFiles = [&](const QString&) { return QStringList{QString::fromStdString(record_.FileName)}; };
        dialogs.ChooseFolder = [&](const QString& title, const QString&) {
            return title == QStringLiteral("Select Directory for WAV Output:") ? QString::fromStdString(out.Root())
                                                                                : QString();
        };
        wizard.SetDialogs(dialogs);
        const int result = WhileOpen(wizard, [&] { return wizard.ShowTool(ActiveTool::Wav); }, [&] {
            QVERIFY(!Button(wizard, "Wizard_Next")->Enabled());
            Button(wizard, "Wav_Add")->Click();
            QVERIFY(Button(wizard, "Wizard_Next")->Enabled());
            QVERIFY(!Button(wizard, "Wav_DirBrowse")->Enabled());
            FindControl<QRadioButton>(wizard, "Wav_Radio1")->click();
            QVERIFY(!Button(wizard, "Wizard_Next")->Enabled());
            QVERIFY(Button(wizard, "Wav_DirBrowse")->Enabled());
            Button(wizard, "Wav_DirBrowse")->Click();
            QVERIFY(Button(wizard, "Wizard_Next")->Enabled());
            SaveScreenshot(wizard.grab(), QStringLiteral("save-wizard-wav"));
            Button(wizard, "Wizard_Next")->Click();
            StartAndWait(wizard);
            Button(wizard, "Wizard_Done")->Click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(FilesIn(out.Root()), (std::set<std::string>{"song.wav"}));
        const Bytes wav = ReadBytes(out.Path("song.wav"));
        QCOMPARE(std::string(wav.begin(), wav.begin() + 4), std::string("RIFF"));
        QCOMPARE(wav.size(), std::size_t{44} + DecodeSamples(record_.FileName).size() * 2);
    }

    // A listed file that is no longer Ogg Vorbis when the run reaches it
    // fails the run with its name; no WAV file is left behind.
    void wavOfAFileChangedSinceItWasListedFails()
    {
        TempDir in;
        const std::string changed = in.Path("changed.ogg");
        WriteBytes(changed, MakeOggVorbis({.seconds = 1.0}));
        MessageAnswerer answerer(QMessageBox::Ok);
        SaveWizard wizard;
        SaveWizard::Dialogs dialogs;
        dialogs.OpenOggFiles = [&](const QString&) { return QStringList{QString::fromStdString(changed)}; };
        wizard.SetDialogs(dialogs);
        const int result = WhileOpen(wizard, [&] { return wizard.ShowTool(ActiveTool::Wav); }, [&] {
            Button(wizard, "Wav_Add")->Click();
            WriteBytes(changed, Bytes(3000, 'x'));
            Button(wizard, "Wizard_Next")->Click();
            Button(wizard, "Wizard_Start")->Click();
            QVERIFY(QTest::qWaitFor([&] { return !wizard.isVisible(); }, 20000));
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(answerer.Count(), 1);
        QCOMPARE(answerer.Text(), QString::fromStdString("\"" + changed + "\": is no longer an Ogg Vorbis or Opus file"));
        QCOMPARE(FilesIn(in.Root()), (std::set<std::string>{"changed.ogg"}));
    }

    void catalogOfAFolderTreeAsCsvAndHtml_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("csv") << 0 << QStringLiteral("Untitled.csv");
        QTest::newRow("html") << 1 << QStringLiteral("Untitled.html");
    }

    void catalogOfAFolderTreeAsCsvAndHtml()
    {
        QFETCH(int, mode);
        QFETCH(QString, proposed);
        TempDir tree;
        fs::create_directories(tree.Path("deep/deeper"));
        WriteBytes(tree.Path("top.ogg"), ReadBytes(record_.FileName));
        WriteBytes(tree.Path("deep/deeper/inner.ogg"), ReadBytes(record_.FileName));
        // One damaged file costs its own line, not the catalog, and is named when the run ends.
        WriteBytes(tree.Path("deep/damaged.ogg"), Bytes(3000, 'x'));
        MessageAnswerer answerer(QMessageBox::Ok);
        TempDir out;
        const std::string target = out.Path(proposed.toStdString());
        QString offered, filters;
        SaveWizard wizard;
        SaveWizard::Dialogs dialogs;
        dialogs.ChooseFolder = [&](const QString&, const QString&) { return QString::fromStdString(tree.Root()); };
        dialogs.SaveFile = [&](const QString& name, const QString& nameFilters, const QString&) {
            offered = name;
            filters = nameFilters;
            return QString::fromStdString(target);
        };
        wizard.SetDialogs(dialogs);
        const int result = WhileOpen(wizard, [&] { return wizard.ShowTool(ActiveTool::Catalog); }, [&] {
            FindControl<QComboBox>(wizard, "Cat_ModeBox")->setCurrentIndex(mode);
            QVERIFY(!Button(wizard, "Cat_Brows")->Enabled());
            QVERIFY(!Button(wizard, "Wizard_Next")->Enabled());
            Button(wizard, "Cat_DirBut")->Click();
            QVERIFY(!Button(wizard, "Wizard_Next")->Enabled());
            Button(wizard, "Cat_OutBut")->Click();
            QVERIFY(Button(wizard, "Wizard_Next")->Enabled());
            SaveScreenshot(wizard.grab(), QStringLiteral("save-wizard-catalog"));
            Button(wizard, "Wizard_Next")->Click();
            StartAndWait(wizard);
            Button(wizard, "Wizard_Done")->Click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(offered, proposed);
        QCOMPARE(filters, QStringLiteral("All Files (*)")); // names without an extension too
        const std::string catalog = ReadText(target);
        QVERIFY(catalog.find("top.ogg") != std::string::npos);
        QVERIFY(catalog.find("inner.ogg") != std::string::npos);
        QCOMPARE(catalog.find("<") != std::string::npos, mode == 1);
        QVERIFY(catalog.find("damaged.ogg") == std::string::npos);
        QCOMPARE(answerer.Count(), 1);
        QVERIFY2(answerer.Text().contains(QString::fromStdString(tree.Path("deep/damaged.ogg"))), qPrintable(answerer.Text()));
    }

    // The final page's labels, greyed before and after a run, stay readable
    // on every pixel of the background beneath them: 4.5:1 at least.
    void finalPageTextIsReadableInEveryState()
    {
        constexpr double kLeastContrast = 4.5;
        SaveWizard wizard;
        const QImage background =
            FindControl<QLabel>(wizard, "BackImage1")->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(!background.isNull());
        const auto labels = FindControl<QWidget>(wizard, "FinalPanel1")->findChildren<QLabel*>();
        QVERIFY(labels.size() >= 10);
        for (const QLabel* label : labels) {
            const QRect place(label->mapTo(&wizard, QPoint(0, 0)) * background.devicePixelRatio(),
                              label->size() * background.devicePixelRatio());
            for (const auto group : {QPalette::Active, QPalette::Disabled}) {
                const QColor ink = label->palette().color(group, label->foregroundRole());
                double least = 21;
                for (int y = place.top(); y <= place.bottom(); ++y)
                    for (int x = place.left(); x <= place.right(); ++x)
                        least = std::min(least, Contrast(ink, background.pixelColor(x, y)));
                QVERIFY2(least >= kLeastContrast, qPrintable(QStringLiteral("%1 (%2): %3:1")
                                                                  .arg(label->objectName())
                                                                  .arg(group == QPalette::Active ? "enabled" : "disabled")
                                                                  .arg(least, 0, 'f', 2)));
            }
        }
    }

    void backReturnsToTheOptionsAndHelpFollowsThePage()
    {
        SaveWizard wizard;
        QStringList topics;
        connect(&wizard, &SaveWizard::helpRequested, this, [&](const QString& topic) { topics << topic; });
        WhileOpen(
            wizard, [&] { return wizard.ShowSplit(record_, markers_, QString::fromStdString(audio_->Root())); },
            [&] {
                Button(wizard, "Wizard_Help")->Click();
                Button(wizard, "Wizard_Next")->Click();
                Button(wizard, "Wizard_Help")->Click();
                Button(wizard, "Wizard_Back")->Click();
                QVERIFY(FindControl<QWidget>(wizard, "SplitFilePanel1")->isVisible());
                QVERIFY(!FindControl<QWidget>(wizard, "FinalPanel1")->isVisible());
                QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Next"));
                Button(wizard, "Wizard_Cancel")->Click();
            });
        QCOMPARE(topics, (QStringList{QStringLiteral("Intro.html"), QStringLiteral("Intro.html")}));
    }

    // A user's whole cue split: the split wizard lays a marker at each
    // track start, Save Split Sections writes one file per track beside the
    // source, each holding exactly the samples between its markers.
    void cueSheetSplitFromTheMainWindowWritesOneFilePerTrack()
    {
        TempDir album;
        const std::string source = album.Path("album.ogg");
        WriteBytes(source, MakeOggVorbis({.channels = kChannels, .seconds = 30.0, .signal = Signal::Mixed, .seed = 11}));
        {
            std::ofstream cue(album.Path("album.cue"));
            cue << "FILE \"album.wav\" WAVE\n"
                   "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                   "  TRACK 02 AUDIO\n    INDEX 01 00:08:00\n"
                   "  TRACK 03 AUDIO\n    INDEX 00 00:16:10\n    INDEX 01 00:17:50\n"
                   "  TRACK 04 AUDIO\n    INDEX 01 00:26:00\n";
        }
        MainWindow main;
        QVERIFY(main.OpenOggFile(QString::fromStdString(source)));
        ApplyCueSheet(main, album.Path("album.cue"));
        // Track 3 starts at its INDEX 01, to the frame of 588 samples; its
        // pregap ends track 2.
        const std::int64_t second = main.OpenFileRecord().Rate;
        QCOMPARE(main.Markers().Geometry().CutSamples(),
                 (std::vector<std::int64_t>{0, 8 * second, 17 * second + 50 * 588, 26 * second,
                                            main.OpenFileRecord().PcmTotal}));
        QCOMPARE(main.Markers().SectionCount(), 4);
        SaveScreenshot(main.grab(), QStringLiteral("main-window-cue-markers"));

        SaveWizard& wizard = main.SaveWizardWindow();
        WhileOpen(wizard, [&] { Click(main, "Vis_SaveSplit"); return 0; }, [&] {
            QVERIFY(FindControl<QWidget>(wizard, "SplitFilePanel1")->isVisible());
            QVERIFY(!FindControl<QWidget>(wizard, "FinalPanel1")->isVisible());
            QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Next"));
            QCOMPARE(FindControl<QLineEdit>(wizard, "SplitDirEdit1")->text(), QString::fromStdString(album.Root()));
            QCOMPARE(FindControl<QLabel>(wizard, "SplitFile_Example")->text(), QStringLiteral("Part 01 - album.ogg"));
            auto* titles = FindControl<QCheckBox>(wizard, "SplitFile_Titles");
            QCOMPARE(titles->text(), QStringLiteral("Name sections after their titles"));
            QVERIFY(titles->isEnabled() && !titles->isChecked());
            titles->click();
            QCOMPARE(FindControl<QLabel>(wizard, "SplitFile_Example")->text(), QStringLiteral("01 - Title.ogg"));
            titles->click();
            QCOMPARE(FindControl<QLabel>(wizard, "SplitFile_Example")->text(), QStringLiteral("Part 01 - album.ogg"));
            Click(wizard, "Wizard_Next");
            StartAndWait(wizard);
            QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Done"));
            Click(wizard, "Wizard_Done");
        });
        QCOMPARE(FilesIn(album.Root()),
                 (std::set<std::string>{"album.ogg", "album.cue", "Part 01 - album.ogg", "Part 02 - album.ogg",
                                        "Part 03 - album.ogg", "Part 04 - album.ogg"}));

        const std::vector<std::int16_t> samples = DecodeSamples(source);
        const auto serial = static_cast<std::uint32_t>(main.OpenFileRecord().SerialNumber);
        std::int64_t total = 0;
        for (int k = 1; k <= 4; ++k) {
            const std::string part = album.Path("Part 0" + std::to_string(k) + " - album.ogg");
            const std::int64_t length =
                CheckSection(part, serial + static_cast<std::uint32_t>(k - 1), samples, main.Markers().Geometry().SectionSamples(k));
            QVERIFY2(length > 0, part.c_str());
            total += length;
        }
        QCOMPARE(total, static_cast<std::int64_t>(samples.size()) / kChannels);
    }

    // A cue sheet's tags go with the markers it laid: markers from a label
    // file or from the links, or another file opened, leave the save wizard
    // without them.
    void cueTagsLeaveWithTheirMarkers()
    {
        TempDir folder;
        const std::string source = folder.Path("chain.ogg");
        // Links and labels without titles: the titles choice then tells of
        // the cue sheet alone.
        Bytes chain = MakeOggVorbis({.channels = kChannels, .seconds = 3.0, .signal = Signal::Mixed, .seed = 5, .title = ""});
        const Bytes second = MakeOggVorbis(
            {.channels = kChannels, .seconds = 3.0, .signal = Signal::Mixed, .seed = 6, .title = ""}, {.serial = 0x200u});
        chain.insert(chain.end(), second.begin(), second.end());
        WriteBytes(source, chain);
        const std::string other = folder.Path("other.ogg");
        WriteBytes(other, MakeOggVorbis({.channels = kChannels, .seconds = 2.0, .signal = Signal::Mixed, .seed = 7}));
        {
            std::ofstream cue(folder.Path("chain.cue"));
            cue << "FILE \"chain.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                   "  TRACK 02 AUDIO\n    INDEX 01 00:02:00\n";
            std::ofstream labels(folder.Path("labels.txt"));
            labels << "1.000000\t1.000000\n4.000000\t4.000000\n";
        }
        MainWindow main;
        QVERIFY(main.OpenOggFile(QString::fromStdString(source)));
        main.SetMarkerFileChooser([&](MainWindow::MarkerFileUse, const QString&, const QString&) {
            return QString::fromStdString(folder.Path("labels.txt"));
        });
        const auto applyCue = [&] { ApplyCueSheet(main, folder.Path("chain.cue")); };
        // The titles choice is offered exactly when the wizard is handed a cue sheet.
        const auto cueHandedOn = [&] {
            bool offered = false;
            SaveWizard& wizard = main.SaveWizardWindow();
            WhileOpen(wizard, [&] { Click(main, "Vis_SaveSplit"); return 0; }, [&] {
                offered = FindControl<QCheckBox>(wizard, "SplitFile_Titles")->isEnabled();
                Click(wizard, "Wizard_Cancel");
            });
            return offered;
        };
        const auto action = [&](const char* name) { main.findChild<QAction*>(QLatin1String(name))->trigger(); };

        applyCue();
        QVERIFY(cueHandedOn());

        action("ImportMarkers");
        QVERIFY(!cueHandedOn());

        applyCue();
        action("LinkMarkers");
        QVERIFY(!cueHandedOn());

        applyCue();
        QVERIFY(main.OpenOggFile(QString::fromStdString(other)));
        QVERIFY(main.OpenOggFile(QString::fromStdString(source)));
        QVERIFY(!cueHandedOn());
    }

    // An Opus file opens in the main window with its 48 kHz facts, and Save
    // Split Sections writes sections that decode to exactly its samples
    // between the markers.
    void opusSplitFromTheMainWindowWritesExactSections()
    {
        TempDir folder;
        const std::string source = folder.Path("song.opus");
        WriteBytes(source, MakeOggOpus({.channels = kChannels, .seconds = 6.0, .bitrate = 64000}));
        MainWindow main;
        QVERIFY(main.OpenOggFile(QString::fromStdString(source)));
        const MPEGData& record = main.OpenFileRecord();
        QCOMPARE(record.Codec, std::string("Opus"));
        const std::vector<std::string> lines = ComposeOggInformation(record).Lines;
        for (const std::string& line : {std::string("Sampling Rate:\t48000"), "PCM Samples:\t" + std::to_string(6 * 48000)})
            QVERIFY2(std::find(lines.begin(), lines.end(), line) != lines.end(), line.c_str());

        const std::int32_t blocks = record.BlockCount;
        main.Markers().ReplaceMarkers({0, blocks / 3, 2 * blocks / 3, blocks});
        main.RefreshControls();
        SaveWizard& wizard = main.SaveWizardWindow();
        WhileOpen(wizard, [&] { Click(main, "Vis_SaveSplit"); return 0; }, [&] {
            QCOMPARE(FindControl<QLabel>(wizard, "SplitFile_Example")->text(), QStringLiteral("Part 01 - song.opus"));
            Click(wizard, "Wizard_Next");
            StartAndWait(wizard);
            QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Done"));
            Click(wizard, "Wizard_Done");
        });
        QCOMPARE(FilesIn(folder.Root()),
                 (std::set<std::string>{"song.opus", "Part 01 - song.opus", "Part 02 - song.opus", "Part 03 - song.opus"}));
        const std::vector<std::int16_t> samples = DecodeOpusSamples(source);
        const auto serial = static_cast<std::uint32_t>(record.SerialNumber);
        for (int k = 1; k <= 3; ++k) {
            const std::string part = folder.Path("Part 0" + std::to_string(k) + " - song.opus");
            const SampleRange range = main.Markers().Geometry().SectionSamples(k);
            QCOMPARE(CheckSection(part, serial + static_cast<std::uint32_t>(k - 1), samples, range, DecodeOpusSamples),
                     range.End - range.Start);
        }
    }

    void exportFromTheMainWindowWritesTheSelectedSection_data()
    {
        QTest::addColumn<int>("section");
        QTest::newRow("first, from the file start") << 1;
        QTest::newRow("inner") << 2;
        QTest::newRow("last, to the file end") << 3;
    }

    void exportFromTheMainWindowWritesTheSelectedSection()
    {
        QFETCH(int, section);
        TempDir folder;
        const std::string source = folder.Path("song.ogg");
        WriteBytes(source, ReadBytes(record_.FileName));
        MainWindow main;
        QVERIFY(main.OpenOggFile(QString::fromStdString(source)));
        const std::int32_t blocks = main.OpenFileRecord().BlockCount;
        main.Markers().ReplaceMarkers({0, blocks / 4, 3 * blocks / 5, blocks});
        main.RefreshControls();
        FindControl<QComboBox>(main, "SectionSelectSection")->activated(section);
        QVERIFY(Button(main, "Vis_ExportOgg")->Enabled());

        // The user keeps the proposed folder and types another name.
        QString proposed;
        main.SetExportChooser([&](const QString& offered) {
            proposed = offered;
            return QFileInfo(offered).absoluteDir().filePath(QStringLiteral("cut.ogg"));
        });
        SaveWizard& wizard = main.SaveWizardWindow();
        WhileOpen(wizard, [&] { Click(main, "Vis_ExportOgg"); return 0; }, [&] {
            QVERIFY(FindControl<QWidget>(wizard, "FinalPanel1")->isVisible());
            QVERIFY(!FindControl<QWidget>(wizard, "SplitFilePanel1")->isVisible());
            QCOMPARE(Shared(wizard), QStringLiteral("Wizard_Start"));
            QVERIFY(!Button(wizard, "Wizard_Back")->Enabled());
            StartAndWait(wizard);
            QCOMPARE(FindControl<QLabel>(wizard, "Final_Current")->text(), QStringLiteral("song.ogg"));
            Click(wizard, "Wizard_Done");
        });
        QCOMPARE(proposed, QString::fromStdString(source));
        QCOMPARE(FilesIn(folder.Root()), (std::set<std::string>{"song.ogg", "cut.ogg"}));
        const SampleRange range = main.Markers().Geometry().SectionSamples(section);
        const auto serial = static_cast<std::uint32_t>(record_.SerialNumber + section - 1);
        QCOMPARE(CheckSection(folder.Path("cut.ogg"), serial, DecodeSamples(record_.FileName), range),
                 range.End - range.Start);

        // Cancel in the dialog: no wizard, nothing written.
        main.SetExportChooser([](const QString&) { return QString(); });
        Click(main, "Vis_ExportOgg");
        QVERIFY(!wizard.isVisible());
        QCOMPARE(FilesIn(folder.Root()), (std::set<std::string>{"song.ogg", "cut.ogg"}));

        // A WAV name: the section decoded, its samples after the header.
        main.SetExportChooser(
            [&](const QString& offered) { return QFileInfo(offered).absoluteDir().filePath(QStringLiteral("cut.wav")); });
        WhileOpen(wizard, [&] { Click(main, "Vis_ExportOgg"); return 0; }, [&] {
            StartAndWait(wizard);
            Click(wizard, "Wizard_Done");
        });
        QCOMPARE(FilesIn(folder.Root()), (std::set<std::string>{"song.ogg", "cut.ogg", "cut.wav"}));
        const std::vector<std::int16_t> samples = DecodeSamples(record_.FileName);
        const Bytes want = AsBytes(std::vector<std::int16_t>(samples.begin() + range.Start * 2, samples.begin() + range.End * 2));
        const Bytes wav = ReadBytes(folder.Path("cut.wav"));
        constexpr std::size_t kPlainHeader = 44;
        QCOMPARE(wav.size(), kPlainHeader + want.size());
        QVERIFY(std::equal(want.begin(), want.end(), wav.begin() + kPlainHeader));
    }

};

} // namespace oq::test

QTEST_MAIN(oq::test::SaveWizardTest)
#include "SaveWizardTest.moc"
