#include "model/MarkerHistory.h"
#include "model/MarkerList.h"
#include "base/FieldText.h"
#include "tests/support/FileRecord.h"
#include "tests/support/TestName.h"

#include <gtest/gtest.h>

#include <functional>

namespace oq::test {
namespace {

using Positions = std::vector<std::int32_t>;

// One kind of change the user makes, applied to {0, 300, 600, 1000} of a
// ten-minute file of 1000 blocks.
struct ChangeCase {
    const char* what;
    std::function<void(MarkerList&)> change;
    Positions after;
};

void PrintTo(const ChangeCase& c, std::ostream* out) { *out << c.what; }

void TypeTime(MarkerList& list, int seconds)
{
    list.RangePosChange(ShownTimeCode(seconds * 100));
    list.RangePosClick();
}

const ChangeCase kEveryChangeIsOneStep[] = {
    {"add", [](MarkerList& l) { l.AddMarker(); }, {0, 300, 500, 600, 1000}},
    {"delete", [](MarkerList& l) { l.SelectMarker(2); l.DeleteMarker(); }, {0, 600, 1000}},
    {"drag",
     [](MarkerList& l) {
         l.SelectMarker(2);
         l.SetDragging(true);
         for (const std::int32_t p : {350, 500, 700})
             l.DragMarker(p);
         l.SetDragging(false);
         l.TidyMarkers();
     },
     {0, 600, 700, 1000}},
    {"nudge", [](MarkerList& l) { l.SelectMarker(3); l.NudgeMarker(NudgeDirection::Forward, 10); }, {0, 300, 610, 1000}},
    {"typed position", [](MarkerList& l) { l.SelectMarker(2); TypeTime(l, 120); }, {0, 200, 600, 1000}},
    {"typed length",
     [](MarkerList& l) {
         l.SelectSection(1);
         l.SectionLengthEditChange(ShownTimeCode(60 * 100));
         l.SectionLengthEditClick();
     },
     {0, 100, 600, 1000}},
    {"typed size",
     [](MarkerList& l) {
         l.SelectSection(2);
         l.SectionSizeEditChange("1000");
         l.SectionSizeEditClick();
     },
     {0, 300, 500, 1000}},
    {"new list (wizard, import)", [](MarkerList& l) { l.ReplaceMarkers({0, 250, 1000}); }, {0, 250, 1000}},
};

class MarkerHistoryChange : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(MarkerHistoryChange, UndoesAndRedoesExactly)
{
    MarkerList list(FileRecord(1000, 600, 5'000'000));
    MarkerHistory history(list);
    history.Start();
    list.ReplaceMarkers({0, 300, 600, 1000});
    ASSERT_TRUE(history.Record());
    list.SelectMarker(3); // a selection alone is no step, but is given back
    EXPECT_FALSE(history.Record());

    GetParam().change(list);
    ASSERT_EQ(list.Positions(), GetParam().after);
    EXPECT_TRUE(history.Record());
    EXPECT_FALSE(history.Record()) << "nothing changed since";

    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(list.Positions(), (Positions{0, 300, 600, 1000}));
    EXPECT_EQ(list.SelectedMarker(), 3);
    EXPECT_FALSE(history.Record()) << "laying a step is no new step";
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(list.Positions(), (Positions{0, 1000}));
    EXPECT_FALSE(history.Undo()) << "opening the file starts the history";

    ASSERT_TRUE(history.Redo());
    ASSERT_TRUE(history.Redo());
    EXPECT_EQ(list.Positions(), GetParam().after);
    EXPECT_FALSE(history.Redo());
}

INSTANTIATE_TEST_SUITE_P(MarkerHistory, MarkerHistoryChange, ::testing::ValuesIn(kEveryChangeIsOneStep),
                         [](const auto& info) { return TestName(info.param.what); });

TEST(MarkerHistory, ChangeAfterUndoEndsTheRedoAndRestoredMarkersAreNew)
{
    MarkerList list(FileRecord(1000, 600, 5'000'000));
    MarkerHistory history(list);
    history.Start();
    list.AddMarker();
    history.Record();
    const MarkerId added = list.At(2).Id;
    list.AddMarker();
    history.Record();

    history.Undo();
    EXPECT_EQ(list.Positions(), (Positions{0, 500, 1000}));
    EXPECT_NE(list.At(2).Id, added) << "a view's hand-placed pixel must not outlive the undo";
    list.SelectMarker(2);
    list.NudgeMarker(NudgeDirection::Back, 5);
    history.Record();
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.StepCount(), 3u);

    history.Start();
    EXPECT_FALSE(history.CanUndo());
}

// Markers that keep their exact samples, here two in one block, stay two
// markers, show their exact times and come back exact, with their titles,
// from undo and redo; a nudge makes one a block marker with its title.
TEST(MarkerHistory, ExactMarkersComeBackExact)
{
    MarkerList list(FileRecord(1000, 600, 5'000'000));
    MarkerHistory history(list);
    history.Start();
    const MarkerGeometry& geometry = list.Geometry();
    // Block 301 cuts at sample 7,964,460 (26,460 samples a block); both
    // samples lie nearest it.
    list.LayMarkers({geometry.ExactPlace(7'965'000, "B"), geometry.ExactPlace(7'963'000, "A")});
    ASSERT_TRUE(history.Record());
    EXPECT_EQ(list.Positions(), (Positions{0, 301, 301, 1000}));
    ASSERT_EQ(list.SectionCount(), 3);
    EXPECT_EQ(geometry.SectionSamples(2), (SampleRange{7'963'000, 7'965'000}));
    list.SelectMarker(2);
    EXPECT_EQ(list.RangePosText(), "00:03:00:56"); // 180.567 s, where the block shows 180 s
    const std::vector<MarkerPlace> laid = list.Places();

    list.SelectMarker(3);
    list.NudgeMarker(NudgeDirection::Forward, 10);
    ASSERT_TRUE(history.Record());
    EXPECT_EQ(list.Places()[2], (MarkerPlace{.Position = 311, .Title = "B"}));

    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(list.Places(), laid);
    ASSERT_TRUE(history.Redo());
    EXPECT_EQ(list.Places()[2], (MarkerPlace{.Position = 311, .Title = "B"}));
}

} // namespace
} // namespace oq::test
