#include "model/MarkerGeometry.h"
#include "base/Error.h"
#include "tests/support/FileRecord.h"
#include "tests/support/TestName.h"

#include <gtest/gtest.h>

namespace oq::test {
namespace {

// 1000 blocks over ten minutes and 5 MB.
MPEGData TenMinutes()
{
    return FileRecord(1000, 600, 5'000'000);
}

struct SectionsCase {
    const char* what;
    std::vector<std::int32_t> markers;
    std::vector<Section> sections;
};

void PrintTo(const SectionsCase& c, std::ostream* out) { *out << c.what; }

const SectionsCase kSectionsFollowFromTheMarkers[] = {
    {"whole file", {0, 1000}, {{0, 1000}}},
    {"leading", {250, 1000}, {{0, 250}, {250, 1000}}},
    {"trailing", {0, 800}, {{0, 800}, {800, 1000}}},
    {"leading and trailing", {100, 400, 900}, {{0, 100}, {100, 400}, {400, 900}, {900, 1000}}},
    {"a single marker", {500}, {{0, 500}, {500, 1000}}},
    {"laid unsorted", {700, 0, 1000, 300}, {{0, 300}, {300, 700}, {700, 1000}}},
};

class MarkerGeometrySections : public ::testing::TestWithParam<SectionsCase> {};

TEST_P(MarkerGeometrySections, FollowFromTheMarkers)
{
    const SectionsCase& c = GetParam();
    MarkerGeometry markers(TenMinutes());
    markers.Replace(c.markers);
    EXPECT_EQ(markers.Sections(), c.sections);
    const int last = static_cast<int>(c.sections.size());
    EXPECT_EQ(markers.SectionSamples(last).End, 600 * 44100) << "the last section ends exactly at the last sample";
    EXPECT_FALSE(markers.PlaceOfSection(last + 1));
    EXPECT_THROW(markers.SectionSamples(last + 1), RangeError);
}

INSTANTIATE_TEST_SUITE_P(MarkerGeometry, MarkerGeometrySections, ::testing::ValuesIn(kSectionsFollowFromTheMarkers),
                         [](const auto& info) { return TestName(info.param.what); });

TEST(MarkerGeometry, SortIsStableAndTellsWhereAMarkerWent)
{
    MarkerGeometry markers(TenMinutes());
    for (const std::int32_t p : {500, 300, 300, 100})
        markers.Append(p);
    const MarkerId first300 = markers.At(2).Id;
    const MarkerId second300 = markers.At(3).Id;
    EXPECT_EQ(markers.Sort(3), 3);
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{100, 300, 300, 500}));
    EXPECT_EQ(markers.At(2).Id, first300);
    EXPECT_EQ(markers.At(3).Id, second300);

    markers.Drag(1, 900);
    EXPECT_EQ(markers.Sort(1), 4);
    EXPECT_EQ(markers.Sort(2), 2) << "a sorted list stays as it is";
}

TEST(MarkerGeometry, MovesRenewIdsAndDragsKeepThem)
{
    MarkerGeometry markers(TenMinutes());
    markers.Replace({0, 400, 1000});
    const MarkerId dragged = markers.At(2).Id;
    markers.Drag(2, 450);
    EXPECT_EQ(markers.At(2), (Marker{450, dragged}));
    markers.Move(2, 460);
    EXPECT_NE(markers.At(2).Id, dragged);

    // The last marker fills the gap of a removed one.
    const Marker last = markers.At(3);
    markers.RemoveAt(1);
    EXPECT_EQ(markers.Count(), 2);
    EXPECT_EQ(markers.At(1), last);

    // Another file: no markers, and none takes an id of the earlier file's.
    const MarkerId before = markers.At(2).Id;
    EXPECT_THROW(markers.Open(FileRecord(0, 0.05, 900)), RangeError);
    EXPECT_EQ(markers.Count(), 2);
    markers.Open(FileRecord(50, 30, 100'000));
    EXPECT_EQ(markers.Count(), 0);
    EXPECT_EQ(markers.Blocks(), 50);
    EXPECT_GT(markers.Append(0).Id, before);
}

} // namespace
} // namespace oq::test
