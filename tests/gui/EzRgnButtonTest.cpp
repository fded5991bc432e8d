#include "gui/controls/EzRgnButton.h"
#include "gui/controls/Skin.h"
#include "gui/controls/WindowDragger.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

namespace oq::test {
namespace {

constexpr QRgb kKey = qRgb(255, 0, 255);

// A 20 x 10 picture of one colour.
QPixmap Plain(QColor colour, QSize size = {20, 10})
{
    QPixmap picture(size);
    picture.fill(colour);
    return picture;
}

// A 20 x 10 picture whose left half holds the key colour (its top-left
// pixel) and whose right half is blue, drawn at `ratio` device pixels per pixel.
QPixmap HalfKeyed(qreal ratio = 1)
{
    QImage image(QSize(20, 10) * ratio, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(QRect(0, 0, 10 * ratio, 10 * ratio), QColor(kKey));
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
}

// A window holding one button at (30, 30) over a background that counts presses.
class Stage : public QWidget {
public:
    Stage()
    {
        resize(120, 80);
        button.move(30, 30);
    }
    EzRgnButton button{this};
    int backgroundPresses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++backgroundPresses; }
};

// Presses, moves and releases as the window system delivers them: to the
// window, which passes them to the widget under the mouse (or holding it).
void Press(QWidget& window, QPoint at) { QTest::mousePress(window.windowHandle(), Qt::LeftButton, {}, at); }
void Release(QWidget& window, QPoint at) { QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, {}, at); }
void Move(QWidget& window, QPoint to) { QTest::mouseMove(window.windowHandle(), to); }

} // namespace

class EzRgnButtonTest : public QObject {
    Q_OBJECT

private slots:
    // Which picture each state shows, with and without the optional ones.
    void picturesFollowTheStateAndFallBackToTheRestPicture_data()
    {
        QTest::addColumn<bool>("withOptional");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("inside");
        QTest::addColumn<bool>("down");
        QTest::addColumn<QString>("shown");
        QTest::newRow("rest") << true << true << false << false << "idle";
        QTest::newRow("hover") << true << true << true << false << "up";
        QTest::newRow("pressed") << true << true << true << true << "down";
        QTest::newRow("pressed, mouse gone") << true << true << false << true << "idle";
        QTest::newRow("disabled") << true << false << false << false << "dsbld";
        QTest::newRow("disabled under the mouse") << true << false << true << true << "dsbld";
        QTest::newRow("hover without its picture") << false << true << true << false << "idle";
        QTest::newRow("pressed without its picture") << false << true << true << true << "idle";
        QTest::newRow("disabled without its picture") << false << false << false << false << "idle";
    }

    void picturesFollowTheStateAndFallBackToTheRestPicture()
    {
        QFETCH(bool, withOptional);
        QFETCH(bool, enabled);
        QFETCH(bool, inside);
        QFETCH(bool, down);
        QFETCH(QString, shown);
        const QMap<QString, QPixmap> pictures{{"idle", Plain(Qt::red)},
                                              {"up", Plain(Qt::green)},
                                              {"down", Plain(Qt::blue)},
                                              {"dsbld", Plain(Qt::gray)}};
        Stage stage;
        EzRgnButton& button = stage.button;
        button.SetPicIdle(pictures["idle"]);
        if (withOptional)
            button.SetImageList({pictures["idle"], pictures["up"], pictures["down"], pictures["dsbld"]});
        button.SetEnabled(enabled);
        stage.show();
        QVERIFY(QTest::qWaitForWindowExposed(&stage));

        const QPoint centre = button.geometry().center();
        if (inside || down)
            Move(stage, centre);
        if (down)
            Press(stage, centre);
        if (down && !inside)
            Move(stage, {5, 5});
        QCOMPARE(button.CurrentPicture().cacheKey(), pictures[shown].cacheKey());
        QCOMPARE(button.size(), QSize(20, 10));
        if (down)
            Release(stage, inside ? centre : QPoint(5, 5));
    }

    void withoutPicturesItPaintsNothingAndKeepsItsSize()
    {
        EzRgnButton button;
        QVERIFY(button.CurrentPicture().isNull());
        QCOMPARE(button.size(), QSize(15, 15));
        button.SetEnabled(false);
        QCOMPARE(button.size(), QSize(15, 15));
    }

    // A click is a press and release on the button; a disabled button still
    // tracks the mouse and keeps its tool tip but never clicks.
    void clicksOnlyWhenEnabledAndReleasedOnIt()
    {
        Stage stage;
        EzRgnButton& button = stage.button;
        button.SetPicIdle(Plain(Qt::red));
        button.setToolTip(QStringLiteral("Open Ogg"));
        stage.show();
        QVERIFY(QTest::qWaitForWindowExposed(&stage));
        QSignalSpy clicks(&button, &EzRgnButton::clicked);
        const QPoint centre = button.geometry().center();

        Press(stage, centre);
        Release(stage, centre);
        QCOMPARE(clicks.count(), 1);

        Press(stage, centre);
        Move(stage, {2, 2});
        Release(stage, {2, 2});
        QCOMPARE(clicks.count(), 1); // released elsewhere: no click

        button.SetEnabled(false);
        Move(stage, centre);
        QVERIFY(button.MouseInside());
        QVERIFY(button.isEnabled()); // the widget stays live for its hint
        Press(stage, centre);
        Release(stage, centre);
        button.Click();
        QCOMPARE(clicks.count(), 1);
    }

    // A double-click's second press must not click again.
    void doubleClickClicksOnce()
    {
        Stage stage;
        EzRgnButton& button = stage.button;
        button.SetPicIdle(Plain(Qt::red));
        stage.show();
        QVERIFY(QTest::qWaitForWindowExposed(&stage));
        QSignalSpy clicks(&button, &EzRgnButton::clicked);
        const QPoint at = button.geometry().center();
        QTest::mouseDClick(stage.windowHandle(), Qt::LeftButton, {}, at);
        QCOMPARE(clicks.count(), 1);
        QVERIFY(!button.HeldDown());
    }

    void autoRepeatClicksWhileHeldInside()
    {
        Stage stage;
        EzRgnButton& button = stage.button;
        button.SetPicIdle(Plain(Qt::red));
        button.SetAutoRepeat(true);
        stage.show();
        QVERIFY(QTest::qWaitForWindowExposed(&stage));
        QSignalSpy clicks(&button, &EzRgnButton::clicked);
        const QPoint centre = button.geometry().center();
        const int repeat = EzRgnButton::kRepeatMilliseconds;

        Press(stage, centre);
        QTest::qWait(repeat * 3 + repeat / 2);
        QCOMPARE(clicks.count(), 3);
        Move(stage, {2, 2}); // out: the repeats stop
        QTest::qWait(repeat * 2);
        QCOMPARE(clicks.count(), 3);
        Move(stage, centre); // back in: they go on
        QTest::qWait(repeat + repeat / 2);
        QCOMPARE(clicks.count(), 4);
        Release(stage, centre);
        QCOMPARE(clicks.count(), 5); // the release is a click of its own
        QTest::qWait(repeat * 2);
        QCOMPARE(clicks.count(), 5);

        button.SetEnabled(false);
        Press(stage, centre);
        QTest::qWait(repeat * 2 + repeat / 2);
        Release(stage, centre);
        QCOMPARE(clicks.count(), 5);
    }

    // In pmCrop the key-coloured pixels are not part of the button: a press
    // there reaches the window behind it.
    void cropLetsClicksOnTheKeyColourFallThrough_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<bool>("modeFirst");
        QTest::newRow("ratio 1") << 1.0 << false;
        QTest::newRow("ratio 2") << 2.0 << false;
        QTest::newRow("mode set before the picture") << 1.0 << true;
    }

    void cropLetsClicksOnTheKeyColourFallThrough()
    {
        QFETCH(qreal, ratio);
        QFETCH(bool, modeFirst);
        Stage stage;
        EzRgnButton& button = stage.button;
        if (modeFirst)
            button.SetPaintMode(PaintMode::pmCrop);
        button.SetPicIdle(HalfKeyed(ratio));
        button.SetPaintMode(PaintMode::pmCrop);
        QCOMPARE(button.size(), QSize(20, 10));
        QCOMPARE(button.mask(), QRegion(10, 0, 10, 10));
        stage.show();
        QVERIFY(QTest::qWaitForWindowExposed(&stage));
        QSignalSpy clicks(&button, &EzRgnButton::clicked);

        const QPoint keyed = button.pos() + QPoint(3, 5);
        Press(stage, keyed);
        Release(stage, keyed);
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(stage.backgroundPresses, 1);

        const QPoint solid = button.pos() + QPoint(15, 5);
        Press(stage, solid);
        Release(stage, solid);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(stage.backgroundPresses, 1);

        // The mask follows a new rest picture, and leaves with the mode.
        QPixmap corner = Plain(Qt::blue);
        QPainter(&corner).fillRect(0, 0, 1, 1, QColor(kKey));
        button.SetPicIdle(corner);
        QCOMPARE(button.mask(), QRegion(0, 0, 20, 10) - QRegion(0, 0, 1, 1));
        button.SetPicIdle(Plain(Qt::blue)); // all key colour: nothing is left to click
        Press(stage, solid);
        Release(stage, solid);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(stage.backgroundPresses, 2);
        button.SetPaintMode(PaintMode::pmNormal);
        QVERIFY(button.mask().isEmpty());
    }

    void keyedModesLeaveTheKeyColourOut_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("transparent") << static_cast<int>(PaintMode::pmTransparent);
        QTest::newRow("crop") << static_cast<int>(PaintMode::pmCrop);
    }

    // The key colour never reaches the screen in the keyed modes.
    void keyedModesLeaveTheKeyColourOut()
    {
        QFETCH(int, mode);
        QWidget stage;
        stage.resize(60, 40);
        stage.setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, Qt::yellow);
        stage.setPalette(palette);
        EzRgnButton button(&stage);
        button.move(10, 10);
        button.SetPicIdle(HalfKeyed());
        button.SetPaintMode(static_cast<PaintMode>(mode));
        const QImage shot = stage.grab().toImage();
        QCOMPARE(shot.pixelColor(13, 15), QColor(Qt::yellow));
        QCOMPARE(shot.pixelColor(25, 15), QColor(Qt::blue));
    }

    void skinButtonsCarryTheKeyInTheirCorner_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<qreal>("ratio");
        for (const qreal ratio : {1.0, 2.0})
            for (int kind = 0; kind <= static_cast<int>(SkinButton::Browse); ++kind)
                QTest::addRow("button %d at %g", kind, ratio) << kind << ratio;
    }

    // Every skin button is meant for pmCrop: key colour in its top-left
    // corner, four pictures of one size, twice the pixels at ratio 2.
    void skinButtonsCarryTheKeyInTheirCorner()
    {
        QFETCH(int, kind);
        QFETCH(qreal, ratio);
        const QList<QPixmap> pictures = SkinButtonPictures(static_cast<SkinButton>(kind), ratio);
        QCOMPARE(pictures.size(), 4);
        for (const QPixmap& picture : pictures) {
            QCOMPARE(picture.deviceIndependentSize(), pictures[0].deviceIndependentSize());
            QCOMPARE(picture.size(), (pictures[0].deviceIndependentSize() * ratio).toSize());
            const QImage image = picture.toImage();
            QCOMPARE(image.pixel(0, 0), kKey);
            QVERIFY(image.pixel(image.width() / 2, image.height() / 2) != kKey);
        }
    }

    void backgroundDragsTheWindowWithEitherButton_data()
    {
        QTest::addColumn<int>("mouseButton");
        QTest::newRow("left") << static_cast<int>(Qt::LeftButton);
        QTest::newRow("right") << static_cast<int>(Qt::RightButton);
    }

    // A press with either button on a dragging background moves its window
    // with the mouse (offscreen has no system move, so this is the manual one).
    void backgroundDragsTheWindowWithEitherButton()
    {
        QFETCH(int, mouseButton);
        const auto mouse = static_cast<Qt::MouseButton>(mouseButton);
        QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
        window.resize(200, 100);
        window.move(50, 60);
        WindowDragger::Install(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.pos();
        const QPoint grip(20, 20);
        QMouseEvent press(QEvent::MouseButtonPress, grip, window.mapToGlobal(grip), mouse, mouse, Qt::NoModifier);
        QApplication::sendEvent(&window, &press);
        const QPoint to = grip + QPoint(30, 15);
        QMouseEvent move(QEvent::MouseMove, to, window.mapToGlobal(grip) + QPoint(30, 15), Qt::NoButton, mouse,
                         Qt::NoModifier);
        QApplication::sendEvent(&window, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, window.mapToGlobal(grip) + QPoint(30, 15), mouse,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &release);
        QCOMPARE(window.pos(), start + QPoint(30, 15));
    }
};

} // namespace oq::test

QTEST_MAIN(oq::test::EzRgnButtonTest)
#include "EzRgnButtonTest.moc"
