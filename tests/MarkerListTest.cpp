#include "base/FieldText.h"
#include "model/MarkerList.h"
#include "model/MarkerListView.h"
#include "base/TimeCode.h"
#include "base/Error.h"
#include "tests/support/FileRecord.h"
#include "tests/support/TestName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace oq::test {
namespace {

// 1000 blocks over ten minutes and 5 MB.
MPEGData TenMinutes()
{
    return FileRecord(1000, 600, 5'000'000);
}

// 100 blocks of one second and 1000 bytes each.
MPEGData HundredSeconds()
{
    return FileRecord(100, 100, 100'000);
}

// Records the display calls, each marker named by its position.
class RecordingView : public MarkerListView {
public:
    void HighlightSection(std::optional<Marker> first, std::optional<Marker> last) override
    {
        Add("highlight " + (first ? std::to_string(first->Position) : "start") + " " + (last ? std::to_string(last->Position) : "end"));
    }
    void RemoveHighlight() override { Add("remove highlight"); }
    void MarkerAddedInMiddle(MarkerId) override { Add("in the middle"); }
    void ShowMarkerLine(const Marker& marker) override { Add("line " + std::to_string(marker.Position)); }
    void HideMarkerLine() override { Add("hide line"); }
    void SetZoomButtons(bool on) override { Add(on ? "zoom on" : "zoom off"); }
    void DrawZoomView() override { Add("draw zoom"); }
    void ClearZoomView() override { Add("clear zoom"); }
    void MoveFocus(FocusTarget target) override { Add(target == FocusTarget::RangeSelectMarker ? "focus marker" : "focus section"); }

    std::vector<std::string> Take() { return std::exchange(events_, {}); }
    bool Saw(const std::string& event) const { return std::find(events_.begin(), events_.end(), event) != events_.end(); }

private:
    void Add(std::string event) { events_.push_back(std::move(event)); }
    std::vector<std::string> events_;
};

// Everything the window can read from the model.
struct Observed {
    std::vector<Marker> markers;
    std::vector<bool> visible;
    int selected, section;
    std::vector<Section> sections;
    std::string rangePos, length, size, total;
    std::vector<std::string> markerItems, sectionItems;
    bool positionEdited, lengthEdited, sizeEdited, rangePosEnabled, delEnabled, sectionFields, play;
    bool operator==(const Observed&) const = default;
};

Observed Observe(const MarkerList& list)
{
    Observed seen{};
    for (int i = 1; i <= list.MarkerCount(); ++i) {
        seen.markers.push_back(list.At(i));
        seen.visible.push_back(list.ImageVisible(i));
    }
    seen.selected = list.SelectedMarker();
    seen.section = list.SelectedSection();
    seen.sections = list.Sections();
    seen.rangePos = list.RangePosText();
    seen.length = list.SectionLengthText();
    seen.size = list.SectionSizeText();
    seen.total = list.SectionTotalText();
    seen.markerItems = list.MarkerChoiceItems();
    seen.sectionItems = list.SectionChoiceItems();
    seen.positionEdited = list.PositionEdited();
    seen.lengthEdited = list.LengthEdited();
    seen.sizeEdited = list.SizeEdited();
    seen.rangePosEnabled = list.RangePosEnabled();
    seen.delEnabled = list.DelMarkerEnabled();
    seen.sectionFields = list.SectionFieldsEnabled();
    seen.play = list.PlayControlsEnabled();
    return seen;
}

void TypeLength(MarkerList& list, int seconds)
{
    list.SectionLengthEditChange(ShownTimeCode(seconds * 100));
    list.SectionLengthEditClick();
}

// --- Opening --------------------------------------------------------------

TEST(MarkerList, BeforeAnyFileThereIsNothing)
{
    MarkerList list;
    EXPECT_EQ(list.SectionTotalText(), "None");
    EXPECT_EQ(list.MarkerCount(), 0);
    EXPECT_EQ(list.SectionChoiceItems(), std::vector<std::string>{""});
    list.AddMarker();
    EXPECT_EQ(list.MarkerCount(), 0);
    EXPECT_THROW(list.AppendMarker(0), RangeError);
}

TEST(MarkerList, NewFileHasTwoMarkersAndOneWholeSection)
{
    MarkerList list(TenMinutes());
    EXPECT_EQ(list.Positions(), (std::vector<std::int32_t>{0, 1000}));
    EXPECT_EQ(list.SectionTotalText(), "1");
    EXPECT_EQ(list.SectionChoiceItems(), (std::vector<std::string>{"", "Section 1 - 00:10:00 - " + KbText(5000)}));
    EXPECT_EQ(list.MarkerChoiceItems(), (std::vector<std::string>{"", "Marker 1 - 00:00:00", "Marker 2 - 00:10:00"}));
    EXPECT_EQ(list.SelectedMarker(), 0);
    EXPECT_EQ(list.SelectedSection(), 0);
    EXPECT_FALSE(list.RangePosEnabled());
    EXPECT_FALSE(list.PlayControlsEnabled());
    EXPECT_FALSE(list.MarkerOnVisible());
    EXPECT_EQ(list.Sections(), list.Geometry().Sections());
}

TEST(MarkerList, FileShorterThanOneBlockKeepsThePreviousFile)
{
    MarkerList list(TenMinutes());
    list.AddMarker();
    const Observed before = Observe(list);
    EXPECT_THROW(list.OpenFile(FileRecord(0, 0.05, 900)), RangeError);
    EXPECT_EQ(Observe(list), before);
    EXPECT_EQ(list.Converter().BlockCount(), 1000);
}

// --- Sections ------------------------------------------------------------------

TEST(MarkerList, SectionTextsShowLengthAndSize)
{
    MarkerList list(TenMinutes());
    list.ReplaceMarkers({1000, 150});
    EXPECT_EQ(list.Sections(), (std::vector<Section>{{0, 150}, {150, 1000}})) << "a leading section from 0";
    EXPECT_EQ(list.SectionTotalText(), "2");
    // 150 blocks: 90 seconds and 750 kB.
    EXPECT_EQ(list.SectionChoiceItems()[1], "Section 1 - 00:01:30 - " + KbText(750));
    EXPECT_EQ(list.SectionChoiceItems()[2], "Section 2 - 00:08:30 - " + KbText(4250));
    EXPECT_EQ(list.MarkerChoiceItems()[1], "Marker 1 - 00:01:30");
}

struct HighlightCase {
    const char* what;
    int section;
    std::string highlight;
};

void PrintTo(const HighlightCase& c, std::ostream* out) { *out << c.what; }

const HighlightCase kSelectedSectionIsHighlightedBetweenItsMarkers[] = {
    {"leading", 1, "highlight start 100"},
    {"between two markers", 2, "highlight 100 700"},
    {"trailing", 3, "highlight 700 end"},
};

class MarkerListHighlight : public ::testing::TestWithParam<HighlightCase> {};

TEST_P(MarkerListHighlight, SelectedSectionIsHighlightedBetweenItsMarkers)
{
    const HighlightCase& c = GetParam();
    RecordingView view;
    MarkerList list(TenMinutes());
    list.ReplaceMarkers({100, 700});
    list.SetView(&view);
    list.SelectSection(c.section);
    EXPECT_EQ(view.Take(), (std::vector<std::string>{c.highlight, "focus section"}));
    EXPECT_TRUE(list.ExportOggEnabled());
    EXPECT_FALSE(list.RangePosEnabled());
}

INSTANTIATE_TEST_SUITE_P(MarkerList, MarkerListHighlight, ::testing::ValuesIn(kSelectedSectionIsHighlightedBetweenItsMarkers),
                         [](const auto& info) { return TestName(info.param.what); });

// --- Selection --------------------------------------------------------------

TEST(MarkerList, MarkerAndSectionAreNeverSelectedTogether)
{
    RecordingView view;
    MarkerList list(TenMinutes());
    list.ReplaceMarkers({0, 500, 1000});
    list.SetView(&view);

    list.RangeSelectMarkerChange(2);
    EXPECT_EQ(view.Take(), (std::vector<std::string>{"line 500", "zoom on", "draw zoom", "focus marker"}));
    EXPECT_EQ(list.RangePosText(), "00:05:00:00");
    EXPECT_TRUE(list.RangePosEnabled());
    EXPECT_TRUE(list.PlayControlsEnabled());
    EXPECT_TRUE(list.DelMarkerEnabled());
    EXPECT_FALSE(list.ImageVisible(2));
    EXPECT_TRUE(list.MarkerOnVisible());

    list.SectionSelectSectionChange(2);
    EXPECT_EQ(list.SelectedMarker(), 0);
    EXPECT_EQ(list.SelectedSection(), 2);
    EXPECT_EQ(view.Take(), (std::vector<std::string>{"hide line", "zoom off", "clear zoom", "highlight 500 1000", "focus section"}));
    EXPECT_EQ(list.RangePosText(), "");
    EXPECT_FALSE(list.PlayControlsEnabled());
    EXPECT_EQ(list.SectionLengthText(), "00:05:00:00");
    EXPECT_EQ(list.SectionSizeText(), "2500");

    list.RangeSelectMarkerChange(1);
    EXPECT_EQ(view.Take().front(), "remove highlight");
    EXPECT_EQ(list.SelectedSection(), 0);
    EXPECT_EQ(list.SectionSizeText(), "0");
    EXPECT_FALSE(list.SectionFieldsEnabled());

    list.RangeSelectMarkerChange(-1);
    EXPECT_EQ(list.SelectedMarker(), 0);

    list.SelectMarker(3);
    list.SelectSection(1);
    EXPECT_EQ(list.SelectedMarker(), 0);
    EXPECT_FALSE(list.MarkerOnVisible());
}

TEST(MarkerList, PlayingKeepsThePlayControlsEnabled)
{
    MarkerList list(TenMinutes());
    list.SelectMarker(1);
    list.SetPlaying(true);
    list.SelectMarker(0);
    EXPECT_TRUE(list.PlayControlsEnabled());
    list.SetPlaying(false);
    EXPECT_FALSE(list.PlayControlsEnabled());
}

TEST(MarkerList, ClearingForgetsAHighlightWithoutInvertingIt)
{
    RecordingView view;
    MarkerList list(TenMinutes());
    list.SelectSection(1);
    list.SetView(&view);
    list.ClearMarkers();
    for (const std::string& event : view.Take())
        EXPECT_FALSE(event.ends_with("highlight")) << event;
    EXPECT_EQ(list.MarkerCount(), 0);
    EXPECT_EQ(list.MarkerChoiceItems(), std::vector<std::string>{""});
}

// --- Add, delete, tidy --------------------------------------------------------

TEST(MarkerList, AddingTwicePutsTheSecondOneBlockLater)
{
    RecordingView view;
    MarkerList list(TenMinutes());
    list.SetView(&view);
    list.AddMarker();
    EXPECT_EQ(list.Positions(), (std::vector<std::int32_t>{0, 500, 1000}));
    EXPECT_EQ(list.SelectedMarker(), 2);
    EXPECT_EQ(view.Take(), (std::vector<std::string>{"in the middle", "line 500", "zoom on", "draw zoom", "focus marker"}));
    const MarkerId first = list.At(2).Id;
    list.AddMarker();
    EXPECT_EQ(list.Positions(), (std::vector<std::int32_t>{0, 500, 501, 1000}));
    EXPECT_EQ(list.SelectedMarker(), 3);
    EXPECT_EQ(list.At(2).Id, first);
    EXPECT_NE(list.At(3).Id, first) << "moved off the taken middle, the marker is the model's again";
    EXPECT_EQ(list.SectionTotalText(), "3");
}

struct DeleteCase {
    const char* what;
    int deleted;
    std::vector<std::int32_t> after;
};

void PrintTo(const DeleteCase& c, std::ostream* out) { *out << c.what; }

const DeleteCase kDeleteCopiesTheLastMarkerIntoTheGap[] = {
    {"first", 1, {500, 1000}},
    {"middle", 2, {0, 1000}},
    {"last", 3, {0, 500}},
};

class MarkerListDelete : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(MarkerListDelete, CopiesTheLastMarkerIntoTheGap)
{
    const DeleteCase& c = GetParam();
    MarkerList list(TenMinutes());
    list.ReplaceMarkers({0, 500, 1000});
    const Observed before = Observe(list);
    list.SelectMarker(c.deleted);
    list.SetDragging(true);
    list.DeleteMarker();
    EXPECT_EQ(list.Positions(), c.after);
    for (int i = 1; i <= list.MarkerCount(); ++i)
        EXPECT_NE(std::ranges::find(before.markers, list.At(i)), before.markers.end()) << "the markers that stay stand where they are shown";
    EXPECT_EQ(list.SelectedMarker(), 0);
    EXPECT_FALSE(list.Dragging());
    EXPECT_EQ(list.MarkerChoiceItems().size(), 3u);
    EXPECT_TRUE(list.ImageVisible(1) && list.ImageVisible(2));
}

INSTANTIATE_TEST_SUITE_P(MarkerList, MarkerListDelete, ::testing::ValuesIn(kDeleteCopiesTheLastMarkerIntoTheGap),
                         [](const auto& info) { return TestName(info.param.what); });

TEST(MarkerList, DeleteNeedsThreeMarkersAndASelection)
{
    MarkerList list(TenMinutes());
    list.SelectMarker(1);
    EXPECT_FALSE(list.DelMarkerEnabled());
    list.DeleteMarker();
    EXPECT_EQ(list.MarkerCount(), 2);
    list.AddMarker();
    list.SelectMarker(0);
    list.DeleteMarker();
    EXPECT_EQ(list.MarkerCount(), 3);
}

struct NudgeCase {
    const char* what;
    std::vector<std::int32_t> markers;
    int selected;
    NudgeDirection direction;
    std::int32_t step;
    std::vector<std::int32_t> after;
    int selectedAfter;
};

void PrintTo(const NudgeCase& c, std::ostream* out) { *out << c.what; }

const NudgeCase kSelectedMarkerEndsOnAPositionOfItsOwn[] = {
    {"back onto the start", {0, 50, 100}, 2, NudgeDirection::Back, 50, {0, 1, 100}, 2},
    {"forward onto a neighbour", {0, 50, 51, 100}, 2, NudgeDirection::Forward, 1, {0, 51, 52, 100}, 3},
    {"forward past two neighbours", {0, 50, 51, 52, 100}, 2, NudgeDirection::Forward, 1, {0, 51, 52, 53, 100}, 4},
    {"forward onto the end", {0, 50, 100}, 2, NudgeDirection::Forward, 70, {0, 99, 100}, 2},
    {"back from the end past a neighbour on B - 1", {0, 90, 99, 100}, 2, NudgeDirection::Forward, 30, {0, 98, 99, 100}, 2},
    {"onto a free position", {0, 50, 100}, 2, NudgeDirection::Forward, 20, {0, 70, 100}, 2},
};

class MarkerListNudge : public ::testing::TestWithParam<NudgeCase> {};

TEST_P(MarkerListNudge, SelectedMarkerEndsOnAPositionOfItsOwn)
{
    const NudgeCase& c = GetParam();
    MarkerList list(HundredSeconds());
    list.ReplaceMarkers(c.markers);
    list.SelectMarker(c.selected);
    const MarkerId before = list.At(c.selected).Id;
    list.NudgeMarker(c.direction, c.step);
    EXPECT_EQ(list.Positions(), c.after);
    EXPECT_EQ(list.SelectedMarker(), c.selectedAfter);
    EXPECT_NE(list.At(c.selectedAfter).Id, before) << "a marker the model moved is new to the display";
}

INSTANTIATE_TEST_SUITE_P(MarkerList, MarkerListNudge, ::testing::ValuesIn(kSelectedMarkerEndsOnAPositionOfItsOwn),
                         [](const auto& info) { return TestName(info.param.what); });

TEST(MarkerList, FullListMovesItsLastMarker)
{
    MarkerList list(FileRecord(5000, 600, 5'000'000));
    std::vector<std::int32_t> many(1005);
    std::iota(many.begin(), many.end(), 0);
    list.ReplaceMarkers(many);
    EXPECT_EQ(list.MarkerCount(), MarkerList::kMaxMarkers);
    EXPECT_EQ(list.Position(1000), 1004);

    const MarkerId replaced = list.At(1000).Id;
    list.AddMarker();
    EXPECT_EQ(list.MarkerCount(), MarkerList::kMaxMarkers);
    EXPECT_EQ(list.Position(1000), 2500);
    EXPECT_NE(list.At(1000).Id, replaced);
    EXPECT_EQ(list.SelectedMarker(), 1000);
}

// A new source of markers gains the file's ends, but only where the list
// has room: a full list would otherwise move the source's last marker.
TEST(MarkerList, LaidMarkersGainTheEndsTheyLackWhereThereIsRoom)
{
    MarkerList list(TenMinutes());
    list.LayMarkers({700, 300});
    EXPECT_EQ(list.Positions(), (std::vector<std::int32_t>{0, 300, 700, 1000}));
    list.LayMarkers({0, 500});
    EXPECT_EQ(list.Positions(), (std::vector<std::int32_t>{0, 500, 1000}));

    std::vector<std::int32_t> full(MarkerList::kMaxMarkers - 1);
    std::iota(full.begin(), full.end(), 1); // 1 .. 999: room for one end only
    list.LayMarkers(full);
    EXPECT_EQ(list.MarkerCount(), MarkerList::kMaxMarkers);
    EXPECT_EQ(list.Position(1), 0);
    EXPECT_EQ(list.Position(MarkerList::kMaxMarkers), 999);
}

// --- Moving a marker ----------------------------------------------------------

TEST(MarkerList, DraggingMovesOnlyTheMarkerUntilRelease)
{
    MarkerList list(TenMinutes());
    list.ReplaceMarkers({0, 300, 600, 1000});
    list.SelectMarker(2);
    const MarkerId dragged = list.At(2).Id;
    list.DragMarker(750);
    EXPECT_EQ(list.Position(2), 300) << "no drag without the button down";

    list.SetDragging(true);
    list.DragMarker(750);
    EXPECT_EQ(list.Positions(), (std::vector<std::int32_t>{0, 750, 600, 1000}));
    EXPECT_EQ(list.RangePosText(), "00:07:30:00");
    EXPECT_EQ(list.SectionTotalText(), "3") << "the lists wait for the release";

    list.DragMarker(9999);
    EXPECT_EQ(list.Position(2), 1000);
    list.DragMarker(750);

    list.SetDragging(false);
    list.TidyMarkers();
    EXPECT_EQ(list.Positions(), (std::vector<std::int32_t>{0, 600, 750, 1000}));
    EXPECT_EQ(list.SelectedMarker(), 3);
    EXPECT_EQ(list.At(3).Id, dragged) << "the marker stays where it was dragged to";
    EXPECT_TRUE(list.ImageVisible(2));
    EXPECT_FALSE(list.ImageVisible(3));
}

TEST(MarkerList, TypedTimeMovesTheSelectedMarker)
{
    // Block 500 at 50.45 s shows as 00:00:50:00. A typed 00:00:50:99 keeps
    // its hundredths: the marker cuts at 2,248,659 samples, on the block
    // nearest (4,449.69 samples a block), and shows the time typed.
    MarkerList list(FileRecord(1000, 100.9, 4'000'000));
    list.ReplaceMarkers({0, 500, 1000});
    list.SelectMarker(2);
    EXPECT_EQ(list.RangePosText(), "00:00:50:00");
    list.RangePosChange("00:00:50:99");
    EXPECT_TRUE(list.PositionEdited());
    list.RangePosClick();
    EXPECT_EQ(list.At(2).Sample, 2'248'659);
    EXPECT_EQ(list.Position(2), 505);
    EXPECT_EQ(list.RangePosText(), "00:00:50:99");
    EXPECT_FALSE(list.PositionEdited());

    // The last marker moved below B gives a trailing section.
    list.SelectMarker(3);
    list.RangePosChange("00:01:20:00");
    list.RangePosClick();
    EXPECT_EQ(list.Positions(), (std::vector<std::int32_t>{0, 505, 793}));
    EXPECT_EQ(list.Sections().back(), (Section{793, 1000}));
    EXPECT_EQ(list.SelectedMarker(), 3);
    EXPECT_EQ(list.RangePosText(), "00:01:20:00");

    // Past the end: B. Unedited: nothing.
    list.RangePosChange("02:00:00:00");
    list.RangePosClick();
    EXPECT_EQ(list.Position(3), 1000);
    list.RangePosClick();
    EXPECT_EQ(list.Position(3), 1000);
}

TEST(MarkerList, TypedTimeInAChainCountsItsLinkAtItsOwnRate)
{
    // Two seconds at 22.05 kHz, then one at 44.1 kHz. Block 50 stands for
    // the boundary, at 2 s (not half of the 3 s). 2.50 s lies half a second,
    // 22,050 samples, into the second link, and shows as typed.
    MPEGData chain = FileRecord(100, 3, 100'000);
    chain.Rate = 22050;
    chain.PcmTotal = 88200;
    chain.LinkStarts = {44100};
    chain.LinkRates = {44100};
    MarkerList list(chain);
    list.ReplaceMarkers({0, 50, 100});
    list.SelectMarker(2);
    EXPECT_EQ(list.RangePosText(), "00:00:02:00");
    list.RangePosChange("00:00:02:50");
    list.RangePosClick();
    EXPECT_EQ(list.At(2).Sample, 44100 + 22050);
    EXPECT_EQ(list.RangePosText(), "00:00:02:50");
}

// --- Section length and size ----------------------------------------------------

struct LengthCase {
    const char* what;
    std::vector<std::int32_t> markers;
    int section;
    int seconds;
    std::vector<std::int32_t> after;
};

void PrintTo(const LengthCase& c, std::ostream* out) { *out << c.what; }

const LengthCase kTypedLengthResizesTheSelectedSection[] = {
        {"longer, swallowing a marker", {0, 40, 70, 100}, 1, 80, {0, 80, 100}},
        {"shorter", {0, 40, 70, 100}, 1, 20, {0, 20, 70, 100}},
        {"shorter trailing section splits", {0, 40, 70}, 3, 10, {0, 40, 70, 80}},
        {"trailing section does not grow", {0, 40, 70}, 3, 50, {0, 40, 70}},
        {"middle section to the end", {0, 40, 70, 100}, 2, 90, {0, 40, 100}},
        {"leading section to the end", {10, 40, 70}, 1, 200, {0, 100}},
        {"leading section to the end, two markers", {10, 50}, 1, 100, {0, 100}},
        {"leading section swallowing all but one", {10, 20, 30}, 1, 50, {50}},
        {"leading section swallowing the second of two", {10, 50}, 1, 60, {60}},
        {"last marker leaves the end", {0, 100}, 1, 50, {0, 50}},
        {"five seconds are not applied", {0, 40, 70, 100}, 1, 5, {0, 40, 70, 100}},
};

class MarkerListLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(MarkerListLength, TypedLengthResizesTheSelectedSection)
{
    const LengthCase& c = GetParam();
    MarkerList list(HundredSeconds());
    list.ReplaceMarkers(c.markers);
    list.SectionSelectSectionChange(c.section);
    const Section chosen = list.Sections()[static_cast<std::size_t>(c.section - 1)];
    TypeLength(list, c.seconds);
    EXPECT_EQ(list.Positions(), c.after);
    EXPECT_EQ(list.SelectedSection(), c.section);
    EXPECT_FALSE(list.LengthEdited());
    // The fields show the section the model now holds.
    const Section now = list.Sections()[static_cast<std::size_t>(c.section - 1)];
    EXPECT_EQ(list.SectionLengthText(), ShownTimeCode((now.End - now.Start) * 100));
    EXPECT_EQ(now.Start, chosen.Start);
}

INSTANTIATE_TEST_SUITE_P(MarkerList, MarkerListLength, ::testing::ValuesIn(kTypedLengthResizesTheSelectedSection),
                         [](const auto& info) { return TestName(info.param.what); });

struct SizeCase {
    const char* what;
    std::int64_t fileBytes;
    std::string typed;
    std::vector<std::int32_t> after;
    std::string size, length;
};

void PrintTo(const SizeCase& c, std::ostream* out) { *out << c.what; }

const SizeCase kTypedSizeGoesThroughTheLength[] = {
        // 100 bytes a block: 3 kB are 30 blocks, 30 seconds.
        {"small size becomes 3", 10'000, "1", {0, 30, 70, 100}, "3", "00:00:30:00"},
        {"size applied", 10'000, "8", {0, 80, 100}, "8", "00:01:20:00"},
        // 1000 bytes a block: 3 kB are 3 seconds, too short; the section comes back.
        {"small size too short", 100'000, "2", {0, 40, 70, 100}, "40", "00:00:40:00"},
        {"more than the file", 10'000, "4000000000", {0, 40, 70, 100}, "", ""},
        {"bigger than the file", 10'000, "999999", {0, 100}, "10", "00:01:40:00"},
};

class MarkerListSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(MarkerListSize, TypedSizeGoesThroughTheLength)
{
    const SizeCase& c = GetParam();
    MarkerList list(FileRecord(100, 100, c.fileBytes));
    list.ReplaceMarkers({0, 40, 70, 100});
    list.SectionSelectSectionChange(1);
    const Observed before = Observe(list);
    list.SectionSizeEditChange(c.typed);
    if (c.size.empty()) {
        EXPECT_THROW(list.SectionSizeEditClick(), RangeError);
        EXPECT_EQ(list.At(2), before.markers[1]);
        return;
    }
    list.SectionSizeEditClick();
    EXPECT_EQ(list.Positions(), c.after);
    EXPECT_EQ(list.SectionSizeText(), c.size);
    EXPECT_EQ(list.SectionLengthText(), c.length);
    EXPECT_FALSE(list.SizeEdited() || list.LengthEdited());
}

INSTANTIATE_TEST_SUITE_P(MarkerList, MarkerListSize, ::testing::ValuesIn(kTypedSizeGoesThroughTheLength),
                         [](const auto& info) { return TestName(info.param.what); });

TEST(MarkerList, SizeOverTheFileRunsToItsEnd)
{
    // 10 kB a block over 100.5 seconds: the size limit, one kB past the
    // file, is a span of 1000 blocks, whose whole 100 seconds would end the
    // section at block 995.
    MarkerList list(FileRecord(1000, 100.5, 10'000'000));
    list.SectionSelectSectionChange(1);
    list.SectionSizeEditChange("999999");
    list.SectionSizeEditClick();
    EXPECT_EQ(list.Positions(), (std::vector<std::int32_t>{0, 1000}));
    EXPECT_EQ(list.SectionTotalText(), "1");
}

TEST(MarkerList, TypedLengthWinsOverTypedSize)
{
    MarkerList list(HundredSeconds());
    list.ReplaceMarkers({0, 40, 70, 100});
    list.SectionSelectSectionChange(1);
    list.SectionSizeEditChange("20");
    list.SectionLengthEditChange(ShownTimeCode(3000));
    list.SectionSizeEditClick();
    EXPECT_EQ(list.Positions(), (std::vector<std::int32_t>{0, 30, 70, 100}));

    // Nothing edited, or no section: the size field's click does nothing.
    list.SectionSizeEditClick();
    EXPECT_EQ(list.Position(2), 30);
}

// --- Failures leave the model as it was -------------------------------------------

enum class EditedField { RangePos, SectionLength, SectionSize };

struct FailedEditCase {
    const char* what;
    MPEGData file;
    EditedField field;
    std::string typed;
};

void PrintTo(const FailedEditCase& c, std::ostream* out) { *out << c.what; }

const FailedEditCase kFailedEditLeavesTheModelUntouched[] = {
    {"time not a number", TenMinutes(), EditedField::RangePos, "0a:00:10:00"},
    {"file without play time", FileRecord(1000, 0, 5'000'000), EditedField::RangePos, "00:00:10:00"},
    {"size not a number", TenMinutes(), EditedField::SectionSize, "12x"},
    {"empty size", TenMinutes(), EditedField::SectionSize, ""},
    {"empty file", FileRecord(1000, 600, 0), EditedField::SectionSize, "100"},
    {"length not a number", TenMinutes(), EditedField::SectionLength, "00:0x:00:00"},
};

class MarkerListFailedEdit : public ::testing::TestWithParam<FailedEditCase> {};

TEST_P(MarkerListFailedEdit, LeavesTheModelUntouched)
{
    const FailedEditCase& c = GetParam();
    RecordingView view;
    MarkerList list(c.file);
    list.ReplaceMarkers({0, 400, 1000});
    if (c.field == EditedField::RangePos) {
        list.SelectMarker(2);
        list.RangePosChange(c.typed);
    } else {
        list.SectionSelectSectionChange(1);
        if (c.field == EditedField::SectionLength)
            list.SectionLengthEditChange(c.typed);
        else
            list.SectionSizeEditChange(c.typed);
    }
    list.SetView(&view);
    const Observed before = Observe(list);
    EXPECT_THROW(
        {
            list.RangePosClick();
            list.SectionSizeEditClick();
        },
        RangeError);
    EXPECT_EQ(Observe(list), before);
    EXPECT_EQ(view.Take(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(MarkerList, MarkerListFailedEdit, ::testing::ValuesIn(kFailedEditLeavesTheModelUntouched),
                         [](const auto& info) { return TestName(info.param.what); });

TEST(MarkerList, FieldKeysAreDigitsBackspaceAndEnter)
{
    for (char32_t key = 0; key < 128; ++key) {
        const FieldKey expected = (key >= '0' && key <= '9') || key == 8 ? FieldKey::Accept : key == 13 ? FieldKey::Apply : FieldKey::Drop;
        EXPECT_EQ(FilterFieldKey(key), expected) << static_cast<int>(key);
    }
    EXPECT_EQ(FilterFieldKey(U'\u0663'), FieldKey::Drop); // a digit of another script
}

TEST(FieldText, DecimalFieldsReadPlainDecimalsOnly)
{
    EXPECT_EQ(ReadFieldDecimal("-50"), -50.0);
    EXPECT_EQ(ReadFieldDecimal(".5"), 0.5);
    EXPECT_EQ(ReadFieldDecimal("5."), 5.0);
    for (const char* text : {"", "-", ".", "-.", "1e5", "inf", "nan", "--5", "5-", "+5", "1.2.3", " 5"})
        EXPECT_THROW(ReadFieldDecimal(text), RangeError) << text;
    EXPECT_EQ(DecimalFieldText(-6.0), "-6");
    EXPECT_EQ(DecimalFieldText(0.1), "0.1");
}

} // namespace
} // namespace oq::test
