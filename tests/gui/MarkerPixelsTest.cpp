#include "model/MarkerList.h"
#include "model/MarkerListView.h"
#include "base/Error.h"
#include "base/FieldText.h"
#include "gui/editor/MarkerPixels.h"
#include "tests/support/FileRecord.h"

#include <QtTest>

#include <numeric>
#include <string>
#include <vector>

namespace oq::test {
namespace {

constexpr std::int32_t kWidth = 460;

// The display calls as the overview carries them out, in pixels: what
// WaveformDisplay inverts and where it draws the marker line.
class PixelView : public MarkerListView {
public:
    explicit PixelView(MarkerPixels& pixels) : pixels_(pixels) {}

    void HighlightSection(std::optional<Marker> first, std::optional<Marker> last) override { Invert(pixels_.DrawHighlight(first, last)); }
    void RemoveHighlight() override { Invert(pixels_.Highlight()); }
    void MarkerAddedInMiddle(MarkerId id) override { pixels_.PlaceInMiddle(id); }
    void ShowMarkerLine(const Marker& marker) override { events_.push_back("line " + std::to_string(pixels_.PixelOf(marker))); }

    std::vector<std::string> Take() { return std::exchange(events_, {}); }

private:
    void Invert(PixelRange range) { events_.push_back("invert " + std::to_string(range.X0) + " " + std::to_string(range.X1)); }

    MarkerPixels& pixels_;
    std::vector<std::string> events_;
};

// A model of `blocks` blocks over ten minutes on a 460-pixel overview.
struct Overview {
    explicit Overview(std::int32_t blocks = 1000, std::int32_t width = kWidth)
        : markers(FileRecord(blocks, 600, 5'000'000)), pixels(markers, width)
    {
        markers.SetView(&view);
    }

    MarkerList markers;
    MarkerPixels pixels;
    PixelView view{pixels};
};

class MarkerPixelsTest : public QObject {
    Q_OBJECT

private slots:
    void laidMarkersStandOnTheirPositionsPixels()
    {
        Overview overview;
        QCOMPARE(overview.pixels.ImagePixel(1), 0);
        QCOMPARE(overview.pixels.ImagePixel(2), kWidth);
        overview.markers.ReplaceMarkers({800, 0, 500});
        QCOMPARE(overview.pixels.ImagePixel(1), 0);
        QCOMPARE(overview.pixels.ImagePixel(2), 230);
        QCOMPARE(overview.pixels.ImagePixel(3), 368);
    }

    void sectionIsHighlightedBetweenMarkerPixels_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<int>("x0");
        QTest::addColumn<int>("x1");
        // Pixels of 100 and 700: 46 and 322.
        QTest::newRow("leading") << 1 << 0 << 47;
        QTest::newRow("between two markers") << 2 << 47 << 323;
        QTest::newRow("trailing") << 3 << 323 << kWidth;
    }

    void sectionIsHighlightedBetweenMarkerPixels()
    {
        QFETCH(int, section);
        QFETCH(int, x0);
        QFETCH(int, x1);
        Overview overview;
        overview.markers.ReplaceMarkers({100, 700});
        overview.view.Take();
        overview.markers.SelectSection(section);
        QCOMPARE(overview.view.Take(), std::vector<std::string>{"invert " + std::to_string(x0) + " " + std::to_string(x1)});
        QCOMPARE(overview.pixels.Highlight(), (PixelRange{x0, x1}));
    }

    void highlightGoesWhereItWasDrawn()
    {
        Overview overview;
        overview.markers.ReplaceMarkers({0, 500, 1000});
        overview.markers.RangeSelectMarkerChange(2);
        QCOMPARE(overview.view.Take(), std::vector<std::string>{"line 230"});
        overview.markers.SectionSelectSectionChange(1);
        QCOMPARE(overview.view.Take(), std::vector<std::string>{"invert 1 231"});

        // Two minutes move marker 2 to 200 (pixel 92); the old highlight is
        // inverted back over its own columns.
        overview.markers.SectionLengthEditChange(ShownTimeCode(120 * 100));
        overview.markers.SectionLengthEditClick();
        QCOMPARE(overview.markers.Position(2), 200);
        QCOMPARE(overview.view.Take(), (std::vector<std::string>{"invert 1 231", "invert 1 93"}));

        overview.markers.RangeSelectMarkerChange(3);
        QCOMPARE(overview.view.Take(), (std::vector<std::string>{"invert 1 93", "line 460"}));
    }

    void addedMarkerStandsInTheMiddleOfTheDisplay()
    {
        // 1001 blocks: the middle position 500 has the pixel 229, the display's middle is 230.
        Overview overview(1001);
        overview.markers.AddMarker();
        QCOMPARE(overview.markers.Position(2), 500);
        QCOMPARE(overview.view.Take(), std::vector<std::string>{"line 230"});
        QCOMPARE(overview.pixels.ImagePixel(2), kWidth / 2);
        QCOMPARE(overview.pixels.PositionToPixel(500), 229);

        // The second one moves off the taken middle: the model's again.
        overview.markers.AddMarker();
        QCOMPARE(overview.markers.Position(3), 501);
        QCOMPARE(overview.pixels.MarkerOnPixel(), 230); // Trunc(501 / 1001 * 460)
        QCOMPARE(overview.pixels.ImagePixel(2), kWidth / 2);
    }

    void fullListMovesItsLastImage()
    {
        Overview overview(5000);
        std::vector<std::int32_t> many(1005);
        std::iota(many.begin(), many.end(), 0);
        overview.markers.ReplaceMarkers(many);
        QCOMPARE(overview.pixels.ImagePixel(1000), overview.pixels.PositionToPixel(1004));
        overview.markers.AddMarker();
        QCOMPARE(overview.pixels.ImagePixel(1000), kWidth / 2);
    }

    void draggedMarkerStaysUnderTheMouseUntilTheModelMovesIt()
    {
        Overview overview;
        overview.markers.ReplaceMarkers({0, 300, 600, 1000});
        overview.markers.SelectMarker(2);
        overview.markers.SetDragging(true);
        overview.view.Take();

        overview.markers.DragMarker(overview.pixels.DragSelectedTo(9999));
        QCOMPARE(overview.markers.Position(2), 1000);
        QCOMPARE(overview.view.Take(), std::vector<std::string>{"line 460"});

        // 345 of 460 pixels: position 750, whose own pixel is 345 as well;
        // 344 lies on position 747 with the pixel 343.
        overview.markers.DragMarker(overview.pixels.DragSelectedTo(344));
        QCOMPARE(overview.markers.Position(2), 747);
        overview.markers.SetDragging(false);
        overview.markers.TidyMarkers();
        QCOMPARE(overview.markers.SelectedMarker(), 3);
        QCOMPARE(overview.pixels.MarkerOnPixel(), 344);
        QCOMPARE(overview.pixels.PositionToPixel(747), 343);

        // Nudged one block back to 746, it stands on that position's pixel.
        overview.markers.NudgeMarker(NudgeDirection::Back, 1);
        QCOMPARE(overview.pixels.MarkerOnPixel(), 343);
    }

    void dragOnADisplayWithoutWidthChangesNothing()
    {
        Overview overview(1000, 0);
        overview.markers.SelectMarker(2);
        QVERIFY_THROWS_EXCEPTION(RangeError, overview.pixels.DragSelectedTo(100));
        const MarkerPixels wide(overview.markers, kWidth);
        QCOMPARE(wide.MarkerOnPixel(), kWidth); // no pixel was placed by hand
    }
};

} // namespace
} // namespace oq::test

QTEST_GUILESS_MAIN(oq::test::MarkerPixelsTest)
#include "MarkerPixelsTest.moc"
