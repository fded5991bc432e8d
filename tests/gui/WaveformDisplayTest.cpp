#include "tools/AmplitudeProfile.h"
#include "media/OggFileInfo.h"
#include "model/MarkerList.h"
#include "gui/editor/OverviewView.h"
#include "gui/editor/WaveformDisplay.h"
#include "gui/editor/WaveformPicture.h"
#include "gui/editor/WaveformScale.h"
#include "gui/editor/ZoomView.h"
#include "tests/gui/WaveformBench.h"
#include "tests/support/FileRecord.h"
#include "tests/support/TestAudio.h"

#include <QElapsedTimer>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>

namespace oq::test {
namespace {

constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kOrange = 0xfffc8204;
constexpr QRgb kBlack = 0xff000000;
constexpr int kOverviewRows = 129;
constexpr int kZoomRows = 131;

// A profile of B + 1 entries that rises and falls, every height occurring.
AmplitudeProfile Swell(std::int32_t blocks)
{
    AmplitudeProfile profile;
    for (std::int32_t p = 0; p <= blocks; ++p)
        profile.Entries.push_back(static_cast<std::int16_t>((p * 977) % 30000 + 1));
    profile.Complete = true;
    return profile;
}

MPEGData Record(std::int32_t blocks)
{
    return FileRecord(blocks, blocks * 0.0929, std::int64_t{blocks} * 2600); // stereo 44.1 kHz blocks, ~208 kbit/s
}

// Checks one picture drawn from `heights` at `ratio`: only the three colours;
// in each column the outline's own point is black, everything above the
// outline's highest point near the column is background and everything below
// its lowest point is fill.
void CheckOutline(const QImage& image, const std::vector<int>& heights, int rows, int ratio)
{
    QCOMPARE(image.height(), rows * ratio);
    const int columns = std::min<int>(static_cast<int>(heights.size()), image.width() / ratio);
    const int last = static_cast<int>(heights.size()) - 1;
    const auto row = [&](int d) { return rows - heights[static_cast<std::size_t>(std::clamp(d, 0, last))]; };
    for (int d = 0; d < columns; ++d) {
        const int top = std::min({row(d - 1), row(d), row(d + 1)});
        const int bottom = std::max({row(d - 1), row(d), row(d + 1)});
        for (int dx = 0; dx < ratio; ++dx) {
            const int x = d * ratio + dx;
            if (row(d) < rows)
                QVERIFY2(image.pixel(x, row(d) * ratio + dx) == kBlack, qPrintable(QString("column %1").arg(d)));
            for (int y = 0; y < top * ratio; ++y)
                QVERIFY2(image.pixel(x, y) == kWhite, qPrintable(QString("above, column %1 row %2").arg(d).arg(y)));
            for (int y = (bottom + 1) * ratio; y < rows * ratio; ++y)
                QVERIFY2(image.pixel(x, y) == kOrange, qPrintable(QString("below, column %1 row %2").arg(d).arg(y)));
        }
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = image.pixel(x, y);
            QVERIFY2(colour == kWhite || colour == kOrange || colour == kBlack, "a blended pixel: not crisp");
        }
}

// Whether every pixel of column x is `colour`.
bool ColumnIs(const QImage& image, int x, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(x, y) != colour)
            return false;
    return true;
}

// The picture with columns x0 <= x < x1 inverted.
QImage Inverted(QImage image, int x0, int x1)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = x0; x < x1; ++x)
            image.setPixel(x, y, image.pixel(x, y) ^ 0x00ffffff);
    return image;
}

// Collects, in host coordinates, every region the host and the widgets on
// it were asked to paint.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget& host) : host_(host)
    {
        host.installEventFilter(this);
        for (QWidget* child : host.findChildren<QWidget*>())
            child->installEventFilter(this);
    }

    void Clear() { region_ = QRegion(); }
    const QRegion& Region() const { return region_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const auto* widget = static_cast<QWidget*>(watched);
            region_ += static_cast<QPaintEvent*>(event)->region().translated(widget->mapTo(&host_, QPoint(0, 0)));
        }
        return false;
    }

private:
    QWidget& host_;
    QRegion region_;
};

// What a move of the selected marker from overview column `before` to
// `after` may repaint, in host coordinates: its image and its line at
// either column, and the zoom view's picture, which is centred on it.
QRegion MayRepaint(int before, int after)
{
    QRegion region(ZoomView::kPicture.translated(ZoomView::kPlace.topLeft()));
    for (const int pixel : {before, after}) {
        const QRect line(OverviewView::kPicture.x() + pixel, OverviewView::kPicture.y(), 1,
                         OverviewView::kPicture.height());
        region += OverviewView::MarkerRect(pixel).translated(OverviewView::kPlace.topLeft());
        region += line.translated(OverviewView::kPlace.topLeft());
    }
    return region;
}

QString Describe(const QRegion& region)
{
    QStringList rects;
    for (const QRect& rect : region)
        rects << QString("%1x%2+%3+%4").arg(rect.width()).arg(rect.height()).arg(rect.x()).arg(rect.y());
    return rects.join(QStringLiteral(", "));
}

} // namespace

class WaveformDisplayTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> folder_;
    MPEGData record_;
    AmplitudeProfile profile_;

private slots:
    void initTestCase()
    {
        folder_ = std::make_unique<TempDir>();
        QVERIFY(MakeChainedTake(folder_->Path("take.ogg"), record_, profile_));
        QVERIFY(profile_.LastIndex() >= 1374); // long: three blocks and more to an overview column
    }

    void overviewDrawsEveryColumnOfTheProfileCrisply()
    {
        WaveformBench bench;
        bench.Open(record_, profile_, true);
        const std::int32_t blocks = bench.display.Blocks();
        QCOMPARE(blocks, profile_.LastIndex());
        QCOMPARE(bench.display.LastColumn(), 459);
        QCOMPARE(bench.display.DisplayWidth(), 460);

        const auto& table = WaveformScale::HeightTable();
        QCOMPARE(int(table[0]), 1);
        QCOMPARE(int(table[1]), 0);
        QCOMPARE(int(table[3]), 13); // Trunc(8.5 * 1.585)
        QCOMPARE(int(table[32767]), 127);

        std::vector<int> heights;
        for (int d = 0; d <= 459; ++d) {
            const auto p = static_cast<std::size_t>(static_cast<long double>(blocks) / 459 * d);
            heights.push_back(table[static_cast<std::size_t>(profile_.Entries[p])]);
        }
        CheckOutline(bench.display.OverviewPicture(), heights, kOverviewRows, 1);

        WaveformPicture sharp(OverviewView::kPicture.size());
        sharp.DrawOutline(heights, WaveformPicture::Ending::DropToBottom, 2.0);
        CheckOutline(sharp.Image(), heights, kOverviewRows, 2);
    }

    // Short files fill the overview's width as long ones do, their markers
    // on the same mapping, so that the ruler's fixed labels stay right.
    void shortFilesFillTheOverview_data()
    {
        QTest::addColumn<int>("blocks");
        QTest::newRow("3000 blocks") << 3000;
        QTest::newRow("900 blocks") << 900;
        QTest::newRow("2 blocks") << 2;
    }

    void shortFilesFillTheOverview()
    {
        QFETCH(int, blocks);
        WaveformBench bench;
        bench.Open(Record(blocks), Swell(blocks), true);
        QCOMPARE(bench.display.LastColumn(), 459);
        QCOMPARE(bench.display.DisplayWidth(), 460);
        QCOMPARE(bench.display.Pixels().ImagePixel(2), 460); // the end marker stands on W
        bench.markers.ReplaceMarkers({0, blocks / 2, blocks});
        QCOMPARE(bench.display.Pixels().ImagePixel(2), 460 * (blocks / 2) / blocks);
        QVERIFY(!ColumnIs(bench.display.OverviewPicture(), OverviewView::kPicture.width() - 1, kWhite));
    }

    void placeholderBandUntilAProfileIsComplete()
    {
        WaveformBench bench;
        bench.display.SetFile(record_);
        QVERIFY(ColumnIs(bench.display.OverviewPicture(), 0, kWhite)); // blank while the analysis runs

        // Without a profile (the file could not be decoded) and after a
        // cancel: a flat band at height 64, its outline in row 65.
        AmplitudeProfile cancelled;
        cancelled.Entries = {9000, 12000};
        QImage band;
        for (const AmplitudeProfile& profile : {AmplitudeProfile{}, cancelled}) {
            bench.display.SetFile(record_);
            bench.display.SetProfile(profile, false);
            const QImage picture = bench.display.OverviewPicture();
            for (int x = 0; x < picture.width(); ++x) {
                QCOMPARE(picture.pixel(x, 64), kWhite);
                QCOMPARE(picture.pixel(x, 65), kBlack);
                QCOMPARE(picture.pixel(x, 66), kOrange);
                QCOMPARE(picture.pixel(x, 128), kOrange);
            }
            if (!band.isNull())
                QCOMPARE(picture, band);
            band = picture;
        }
        QCOMPARE(bench.display.Blocks(), record_.BlockCount); // the estimate stays

        // The zoom view around a marker at 0: the 75 columns before the file
        // have the height 0 (only the rise to the marker's column reaches
        // into the last of them), the marker's column carries the centre line.
        bench.markers.OpenFile(record_);
        bench.markers.SelectMarker(1);
        const QImage zoom = bench.display.ZoomPicture();
        for (int x = 0; x < 74; ++x)
            QVERIFY(ColumnIs(zoom, x, kWhite));
        QVERIFY(ColumnIs(zoom, 75, kBlack));
        QCOMPARE(zoom.pixel(100, kZoomRows - 65), kWhite);
        QCOMPARE(zoom.pixel(100, kZoomRows - 64), kBlack);
        QCOMPARE(zoom.pixel(100, kZoomRows - 63), kOrange);
        bench.markers.SelectMarker(0);
        QVERIFY(ColumnIs(bench.display.ZoomPicture(), 75, kWhite)); // cleared without a marker
    }

    void zoomLevelsAndSteps_data()
    {
        QTest::addColumn<int>("blocks");
        QTest::addColumn<int>("firstStep");
        QTest::addColumn<QList<int>>("zoomInSteps");
        QTest::addColumn<int>("stepBackAtLevel1");
        // Level 1: an overview column's worth of blocks; the buttons step
        // through a tenth of the file divided by the level.
        QTest::newRow("3000 blocks") << 3000 << 6 << QList<int>{5, 3, 2, 1} << 10;
        // Where a tenth of the file gives no finer step than level 1 had,
        // zooming in takes one block less instead of leaving the view alone.
        QTest::newRow("2000 blocks") << 2000 << 4 << QList<int>{3, 1} << 10;
        QTest::newRow("900 blocks") << 900 << 3 << QList<int>{2, 1} << 10;
    }

    void zoomLevelsAndSteps()
    {
        QFETCH(int, blocks);
        QFETCH(int, firstStep);
        QFETCH(QList<int>, zoomInSteps);
        QFETCH(int, stepBackAtLevel1);
        WaveformBench bench;
        bench.Open(Record(blocks), Swell(blocks), true);
        QSignalSpy buttons(&bench.display, &WaveformDisplay::zoomButtonsChanged);
        QCOMPARE(bench.display.ZoomStep(), firstStep);
        QCOMPARE(bench.display.ZoomSizeText(), QString("x1"));

        bench.display.ZoomIn(); // no marker selected: the buttons are off
        QCOMPARE(bench.display.ZoomLevel(), 1);

        bench.markers.SelectMarker(1);
        QCOMPARE(buttons.takeLast(), (QList<QVariant>{true, false}));
        const QImage levelOne = bench.display.ZoomPicture();
        for (int k = 0; k < zoomInSteps.size(); ++k) {
            bench.display.ZoomIn();
            QCOMPARE(bench.display.ZoomStep(), zoomInSteps[k]);
            QCOMPARE(bench.display.ZoomLevel(), k + 2);
            QCOMPARE(bench.display.ZoomSizeText(), QString("x%1").arg(k + 2));
            QCOMPARE(buttons.takeLast(), (QList<QVariant>{zoomInSteps[k] > 1, true}));
        }
        QVERIFY(bench.display.ZoomPicture() != levelOne);
        bench.display.ZoomIn(); // at one block per column: only the button goes off
        QCOMPARE(bench.display.ZoomStep(), 1);
        QCOMPARE(buttons.takeLast(), (QList<QVariant>{false, true}));

        while (bench.display.ZoomLevel() > 1)
            bench.display.ZoomOut();
        QCOMPARE(bench.display.ZoomStep(), stepBackAtLevel1);
        QCOMPARE(buttons.takeLast(), (QList<QVariant>{true, false}));

        bench.markers.SelectMarker(0);
        QCOMPARE(buttons.takeLast(), (QList<QVariant>{false, false}));
        QCOMPARE(bench.display.ZoomSizeText(), QString("x1"));
    }

    void nudgesMoveByTheZoomStepWithinTheFile()
    {
        WaveformBench bench;
        bench.Open(Record(3000), Swell(3000), true);
        QSignalSpy changed(&bench.display, &WaveformDisplay::markersChanged);
        bench.markers.AddMarker(); // at 1500, selected
        QCOMPARE(bench.markers.SelectedMarker(), 2);

        const struct {
            bool forward;
            bool zoomInFirst;
            std::int32_t position;
        } steps[] = {
            {true, false, 1506}, {false, false, 1500}, {true, true, 1505}, {false, true, 1502},
        };
        for (const auto& step : steps) {
            if (step.zoomInFirst)
                bench.display.ZoomIn();
            step.forward ? bench.display.NudgeForward() : bench.display.NudgeBack();
            QCOMPARE(bench.markers.Position(2), step.position);
            const int pixel = bench.display.Pixels().PositionToPixel(step.position);
            QCOMPARE(bench.display.Pixels().MarkerOnPixel(), pixel);
            QVERIFY(ColumnIs(bench.display.OverviewPicture(), pixel, kBlack)); // the line followed
        }
        QCOMPARE(changed.count(), 4);

        // At the ends of the file the marker stops.
        bench.markers.SelectMarker(1);
        bench.display.NudgeBack();
        QCOMPARE(bench.markers.Position(1), 0);
        bench.markers.SelectMarker(3);
        bench.display.NudgeForward();
        QCOMPARE(bench.markers.Position(3), 3000);
    }

    void draggingAMarkerFollowsTheMouseAndSortsOnRelease()
    {
        WaveformBench bench;
        bench.Open(record_, profile_, true);
        QVERIFY(bench.Show());
        const std::int32_t blocks = bench.display.Blocks();
        OverviewView* overview = bench.display.Overview();
        QSignalSpy dragged(&bench.display, &WaveformDisplay::markerDragged);
        QSignalSpy changed(&bench.display, &WaveformDisplay::markersChanged);

        // Another button than the left selects without dragging.
        QTest::mousePress(overview, Qt::RightButton, {}, bench.MarkerPoint(0));
        QCOMPARE(bench.markers.SelectedMarker(), 1);
        QVERIFY(!bench.markers.Dragging());
        bench.DragTo(300);
        QCOMPARE(bench.markers.Position(1), 0);
        QTest::mouseRelease(overview, Qt::RightButton, {}, bench.MarkerPoint(0));
        QCOMPARE(changed.count(), 0);

        QTest::mousePress(overview, Qt::LeftButton, {}, bench.MarkerPoint(460));
        QCOMPARE(bench.markers.SelectedMarker(), 2);
        QVERIFY(bench.markers.Dragging());

        bench.DragTo(200);
        QCOMPARE(bench.markers.Position(2), static_cast<std::int32_t>(200.0L / 460 * blocks));
        QCOMPARE(bench.display.Pixels().MarkerOnPixel(), 200);
        QVERIFY(ColumnIs(bench.display.OverviewPicture(), 200, kBlack));
        QVERIFY(ColumnIs(bench.display.ZoomPicture(), 75, kBlack));
        QCOMPARE(QString::fromStdString(bench.markers.RangePosText()).size(), 11);
        QCOMPARE(dragged.count(), 1);
        QCOMPARE(changed.count(), 0); // the list stays unsorted while the mouse moves

        bench.DragTo(-40); // past the left edge: held at pixel 0, on marker 1
        QCOMPARE(bench.markers.Position(2), 0);
        QVERIFY(!ColumnIs(bench.display.OverviewPicture(), 200, kBlack)); // the old line is gone
        QTest::mouseRelease(overview, Qt::LeftButton, {}, bench.MarkerPoint(0));
        QVERIFY(!bench.markers.Dragging());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(bench.markers.Positions(), (std::vector<std::int32_t>{0, 1})); // stepped off marker 1, sorted
        QCOMPARE(bench.markers.SelectedMarker(), 2);
        QCOMPARE(bench.markers.SectionCount(), 2); // a trailing section now runs to B
    }

    void clickingTheOverviewSelectsAndHighlightsASection()
    {
        WaveformBench bench;
        bench.Open(Record(900), Swell(900), true);
        bench.markers.ReplaceMarkers({0, 450, 900}); // pixels 0, 230, 460
        QVERIFY(bench.Show());
        OverviewView* overview = bench.display.Overview();
        QSignalSpy selection(&bench.display, &WaveformDisplay::selectionChanged);
        const QImage plain = bench.display.OverviewPicture();

        bench.markers.SelectMarker(3);
        const struct {
            Qt::MouseButton button;
            int x;
            int section;
            int x0, x1; // the highlight
        } clicks[] = {
            {Qt::LeftButton, 50, 1, 1, 231},
            {Qt::RightButton, 231, 1, 1, 231}, // one pixel right of marker 2 still counts to the left
            {Qt::LeftButton, 232, 2, 231, 459}, // to the picture's right edge
        };
        for (const auto& click : clicks) {
            QTest::mousePress(overview, click.button, {}, WaveformBench::PicturePoint(click.x));
            QTest::mouseRelease(overview, click.button, {}, WaveformBench::PicturePoint(click.x));
            QCOMPARE(bench.markers.SelectedSection(), click.section);
            QCOMPARE(bench.markers.SelectedMarker(), 0);
            QCOMPARE(bench.display.OverviewPicture(), Inverted(plain, click.x0, click.x1));
        }
        QCOMPARE(selection.count(), 2); // the repeated click changed nothing
    }

    void filesDroppedOnThePanelAreReported()
    {
        WaveformBench bench;
        QSignalSpy dropped(&bench.display, &WaveformDisplay::filesDropped);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile("/music/a.ogg"), QUrl::fromLocalFile("/music/b.ogg"),
                      QUrl::fromLocalFile("/music/c.ogg")});
        const QPoint places[] = {OverviewView::kPanel.center(), WaveformBench::MarkerPoint(200)};
        for (const QPoint place : places) {
            QDragEnterEvent enter(place, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(bench.display.Overview(), &enter);
            QDropEvent drop(place, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(bench.display.Overview(), &drop);
        }
        QCOMPARE(dropped.count(), 1); // the marker strip takes no files
        QCOMPARE(dropped.front().front().toStringList(),
                 (QStringList{"/music/a.ogg", "/music/b.ogg", "/music/c.ogg"}));
    }

    void thousandMarkersRepaintOnlyWhatMoves()
    {
        WaveformBench bench;
        bench.Open(record_, profile_, true);
        const std::int32_t blocks = bench.display.Blocks();
        std::vector<std::int32_t> positions;
        for (int k = 0; k < MarkerList::kMaxMarkers; ++k)
            positions.push_back(static_cast<std::int32_t>(static_cast<long long>(k) * blocks / (MarkerList::kMaxMarkers - 1)));
        bench.markers.ReplaceMarkers(positions);
        QCOMPARE(bench.markers.MarkerCount(), MarkerList::kMaxMarkers);
        QVERIFY(bench.Show());
        QCoreApplication::processEvents();

        OverviewView* overview = bench.display.Overview();
        const int start = bench.display.Pixels().ImagePixel(500);
        QTest::mousePress(overview, Qt::LeftButton, {}, bench.MarkerPoint(start));
        QVERIFY(bench.markers.SelectedMarker() >= 500); // the topmost image under the mouse
        QVERIFY(bench.markers.Dragging());
        QCoreApplication::processEvents();

        // Every step may repaint the selected marker's image and line at its
        // old and its new column, and the zoom view, which follows the
        // marker; nothing else of the host or its views.
        PaintRecorder painted(bench.host);
        int moved = 0;
        const auto step = [&](const std::function<void()>& action) {
            const int before = bench.display.Pixels().MarkerOnPixel();
            painted.Clear();
            action();
            QCoreApplication::processEvents(); // the queued marker sync
            QCoreApplication::processEvents(); // the repaint it asked for
            const int after = bench.display.Pixels().MarkerOnPixel();
            const QRegion allowed = MayRepaint(before, after);
            const QRegion outside = painted.Region() - allowed;
            QVERIFY2(outside.isEmpty(), qPrintable(QString("moving %1 -> %2 repainted %3 outside its columns")
                                                       .arg(before)
                                                       .arg(after)
                                                       .arg(Describe(outside))));
            if (after != before) {
                ++moved;
                const QRect image = OverviewView::MarkerRect(after).translated(OverviewView::kPlace.topLeft());
                QVERIFY2(painted.Region().contains(image), "the image at its new place was not painted");
            }
        };

        constexpr int kMoves = 300;
        QElapsedTimer clock;
        clock.start();
        for (int k = 0; k < kMoves; ++k) {
            step([&] { bench.DragTo(start + (k % 120) - 60); });
            if (QTest::currentTestFailed())
                return;
        }
        const double perMove = clock.nsecsElapsed() / 1e6 / kMoves;
        QTest::mouseRelease(overview, Qt::LeftButton, {}, bench.MarkerPoint(bench.display.Pixels().MarkerOnPixel()));
        QCoreApplication::processEvents();
        QVERIFY(moved > kMoves / 2);

        // Zoomed out as far as it goes, so that a nudge moves the marker over
        // columns.
        while (bench.display.ZoomOutEnabled())
            bench.display.ZoomOut();
        constexpr int kNudges = 300;
        moved = 0;
        clock.restart();
        for (int k = 0; k < kNudges; ++k) {
            step([&] { (k / 20) % 2 ? bench.display.NudgeBack() : bench.display.NudgeForward(); });
            if (QTest::currentTestFailed())
                return;
        }
        const double perNudge = clock.nsecsElapsed() / 1e6 / kNudges;
        QVERIFY(moved > 0);
        qInfo("1000 markers: %.3f ms per drag move, %.3f ms per nudge (event handling and repaint)", perMove, perNudge);

        // What the partial repaints left on the screen is what a full paint shows.
        QCoreApplication::processEvents();
        const QImage onScreen = bench.host.screen()->grabWindow(bench.host.winId()).toImage();
        const QImage full = bench.host.grab().toImage();
        if (onScreen.isNull())
            QSKIP("this platform cannot read back its window contents");
        QCOMPARE(onScreen.convertToFormat(QImage::Format_RGB32), full.convertToFormat(QImage::Format_RGB32));
    }
};

} // namespace oq::test

QTEST_MAIN(oq::test::WaveformDisplayTest)
#include "WaveformDisplayTest.moc"
