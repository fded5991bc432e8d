#include "gui/controls/EzRgnButton.h"
#include "gui/controls/FolderChooser.h"
#include "gui/controls/NumericField.h"
#include "gui/editor/MainWindow.h"
#include "gui/savewizard/SaveWizard.h"
#include "gui/splitwizard/SplitWizard.h"
#include "gui/windows/InfoWindow.h"
#include "tests/gui/Controls.h"
#include "tests/gui/ModalDriver.h"
#include "tests/gui/display/DisplaySetting.h"
#include "tests/support/TestAudio.h"

#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <functional>
#include <memory>

// On an X display without a window manager nothing moves the keyboard when
// a window closes but the program itself: every window that closes must
// leave the keyboard with the window the user returns to, as the X server
// sees it, so that the next key reaches that window.
namespace oq::test {
namespace {

// Key symbols of the X protocol's keyboard encoding.
constexpr xcb_keysym_t kEscape = 0xff1b;
constexpr xcb_keysym_t kSpace = 0x0020;
constexpr xcb_keysym_t kF12 = 0xffc9; // a key no window of the program uses
constexpr xcb_keysym_t kLetterO = 0x006f;
constexpr xcb_keysym_t kLetterS = 0x0073;
constexpr xcb_keysym_t kLetterW = 0x0077;
constexpr int kWaitMs = 10000; // a loaded machine may take this long to hand the focus on

template <typename T>
using XReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_connection_t* Connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_window_t InputFocus()
{
    xcb_connection_t* connection = Connection();
    const XReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr), &std::free);
    return reply ? reply->focus : XCB_NONE;
}

xcb_keycode_t KeyCodeOf(xcb_keysym_t symbol)
{
    xcb_connection_t* connection = Connection();
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int codes = setup->max_keycode - setup->min_keycode + 1;
    const XReply<xcb_get_keyboard_mapping_reply_t> map(
        xcb_get_keyboard_mapping_reply(
            connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(codes)),
            nullptr),
        &std::free);
    if (!map)
        qFatal("no keyboard map");
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(map.get());
    for (int code = 0; code < codes; ++code)
        if (symbols[code * map->keysyms_per_keycode] == symbol)
            return static_cast<xcb_keycode_t>(setup->min_keycode + code);
    qFatal("no key for symbol %x", symbol);
}

// Presses and releases a key as the keyboard would: the server hands it to
// the window with the input focus, so no window of the program sees it
// while the focus is on the root window.
void PressThroughServer(xcb_keysym_t symbol, std::uint16_t modifiers = 0)
{
    xcb_connection_t* connection = Connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    for (const std::uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
        xcb_key_press_event_t key{};
        key.response_type = type;
        key.detail = KeyCodeOf(symbol);
        key.time = XCB_CURRENT_TIME;
        key.root = screen->root;
        key.event = InputFocus();
        key.state = modifiers;
        key.same_screen = 1;
        xcb_send_event(connection, 0, XCB_SEND_EVENT_DEST_ITEM_FOCUS,
                       type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE,
                       reinterpret_cast<const char*>(&key));
    }
    xcb_flush(connection);
}

// Whether `window` has the keyboard, for the server and for Qt, by the time
// a loaded machine takes.
bool KeyboardWith(QWidget& window)
{
    return QTest::qWaitFor(
        [&] { return QGuiApplication::focusWindow() == window.windowHandle() && InputFocus() == window.winId(); },
        kWaitMs);
}

// Counts the key presses that reach a widget of `window`.
class KeyCount : public QObject {
public:
    explicit KeyCount(QWidget& window) : window_(window) { qApp->installEventFilter(this); }
    int Presses() const noexcept { return presses_; }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &window_)
            ++presses_;
        return false;
    }

private:
    QWidget& window_;
    int presses_ = 0;
};

// The next key typed reaches `window`.
bool KeyReaches(QWidget& window)
{
    if (!KeyboardWith(window))
        return false;
    const KeyCount count(window);
    PressThroughServer(kF12);
    return QTest::qWaitFor([&] { return count.Presses() > 0; }, kWaitMs);
}

// Runs `act` on the first modal window of type T once it shows; `act` must
// close it. One that `act` left open (a failed check) is rejected, so that
// the failure ends the test instead of hanging it.
template <typename T>
class OnModal : public QObject {
public:
    explicit OnModal(std::function<void(T&)> act) : act_(std::move(act))
    {
        connect(&poll_, &QTimer::timeout, this, [this] {
            auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!modal || !modal->isVisible())
                return;
            if (actDone_)
                modal->reject();
            if (acted_)
                return;
            acted_ = true;
            act_(*modal);
            actDone_ = true; // `act` waits in event loops of its own, where this timer fires too
        });
        poll_.start(5);
    }
    bool Acted() const noexcept { return acted_; }

private:
    std::function<void(T&)> act_;
    QTimer poll_;
    bool acted_ = false;
    bool actDone_ = false;
};

// Closes `dialog` with Escape, as its Cancel.
void EscapeCloses(QWidget& dialog)
{
    QVERIFY(KeyboardWith(dialog));
    PressThroughServer(kEscape);
    QVERIFY(QTest::qWaitFor([&] { return !dialog.isVisible(); }, kWaitMs));
}

} // namespace

class FocusTest : public QObject {
    Q_OBJECT

private:
    DisplaySetting setting_;

private slots:
    void initTestCase() { setting_.Prepare(); }

    void everyClosingWindowGivesTheKeyboardBack()
    {
        MainWindow main;
        main.show();
        main.activateWindow();
        QVERIFY(KeyboardWith(main));

        // The progress window of the analysis.
        QVERIFY(main.OpenOggFile(QString::fromStdString(setting_.Song)));
        QVERIFY(KeyReaches(main));

        // The information window, closed with Escape.
        FindControl<EzRgnButton>(main, "Vis_OggInfo")->Click();
        EscapeCloses(main.Information());
        QVERIFY(KeyReaches(main));

        // The split wizard, opened by its key: OK, and Escape as Cancel.
        for (const bool okay : {true, false}) {
            const OnModal<SplitWizard> act([&](SplitWizard& split) {
                if (okay) {
                    QVERIFY(KeyboardWith(split));
                    Type(FindControl<NumericField>(split, "SplitSectionTotal"), QStringLiteral("3"));
                    FindControl<EzRgnButton>(split, "newOkay")->Click();
                } else {
                    EscapeCloses(split);
                }
            });
            PressThroughServer(kLetterW, XCB_MOD_MASK_CONTROL);
            QVERIFY(QTest::qWaitFor([&] { return act.Acted() && !main.SplitWizardWindow().isVisible(); }, kWaitMs));
            QVERIFY(KeyReaches(main));
        }
        QCOMPARE(main.Markers().SectionCount(), 3);

        // The save wizard: its folder chooser gives the keyboard back to it;
        // Space goes on from Next to Start and from the end of the run to
        // Done, which gives it back to the main window.
        {
            const OnModal<SaveWizard> act([&](SaveWizard& save) {
                QVERIFY(KeyboardWith(save));
                {
                    const OnModal<FolderChooser> choose([&](FolderChooser& chooser) { EscapeCloses(chooser); });
                    FindControl<EzRgnButton>(save, "EzRgnBtn1")->Click();
                    QVERIFY(choose.Acted());
                }
                QVERIFY(KeyReaches(save));
                auto* next = FindControl<EzRgnButton>(save, "Wizard_Next");
                auto* start = FindControl<EzRgnButton>(save, "Wizard_Start");
                auto* done = FindControl<EzRgnButton>(save, "Wizard_Done");
                next->setFocus();
                PressThroughServer(kSpace);
                QVERIFY(QTest::qWaitFor([&] { return start->hasFocus(); }, kWaitMs));
                PressThroughServer(kSpace);
                QVERIFY(QTest::qWaitFor([&] { return done->isVisible(); }, 60000));
                QVERIFY(done->hasFocus());
                PressThroughServer(kSpace);
                QVERIFY(QTest::qWaitFor([&] { return !save.isVisible(); }, kWaitMs));
                QCOMPARE(save.result(), int(QDialog::Accepted));
            });
            PressThroughServer(kLetterS, XCB_MOD_MASK_CONTROL);
            QVERIFY(QTest::qWaitFor([&] { return act.Acted() && !main.SaveWizardWindow().isVisible(); }, 60000));
            QVERIFY(KeyReaches(main));
        }
        QVERIFY(QFileInfo::exists(QString::fromStdString(setting_.Folder->Path("Part 01 - song.ogg"))));

        // A tool's page closes with Escape.
        {
            const OnModal<SaveWizard> act([&](SaveWizard& save) { EscapeCloses(save); });
            FindControl<EzRgnButton>(main, "Tool_Join")->Click();
            QVERIFY(act.Acted());
            QVERIFY(KeyReaches(main));
        }

        // A file dialog.
        {
            const OnModal<QFileDialog> act([&](QFileDialog& dialog) { EscapeCloses(dialog); });
            PressThroughServer(kLetterO, XCB_MOD_MASK_CONTROL);
            QVERIFY(QTest::qWaitFor([&] { return act.Acted(); }, kWaitMs));
            QVERIFY(KeyReaches(main));
        }
    }
};

} // namespace oq::test

QTEST_MAIN(oq::test::FocusTest)
#include "FocusTest.moc"
