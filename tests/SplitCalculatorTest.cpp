#include "model/MarkerList.h"
#include "base/Error.h"
#include "tests/support/FileRecord.h"
#include "tests/support/TestName.h"
#include "tests/support/TestAudio.h"
#include "model/SplitCalculator.h"

#include <gtest/gtest.h>

#include <optional>

namespace oq::test {
namespace {


struct Fields {
    std::string total, length, size;
    bool operator==(const Fields&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Fields& f)
{
    return out << "{" << f.total << ", " << f.length << ", " << f.size << "}";
}

Fields Shown(const SplitCalculator& wizard)
{
    return {wizard.SectionTotalText(), wizard.SectionLengthText(), wizard.SectionSizeText()};
}

bool AnyEdited(const SplitCalculator& wizard)
{
    return wizard.TotalEdited() || wizard.LengthEdited() || wizard.SizeEdited();
}

// Typing into the field of a method, without Enter.
void Edit(SplitCalculator& wizard, SplitMethod method, const std::string& text)
{
    if (method == SplitMethod::SectionCount)
        wizard.SplitSectionTotalChange(text);
    else if (method == SplitMethod::SectionLength)
        wizard.SplitSectionLengthChange(text);
    else
        wizard.SplitSectionSizeChange(text);
}

// Enter in the field of a method.
void Recompute(SplitCalculator& wizard, SplitMethod method)
{
    if (method == SplitMethod::SectionCount)
        wizard.SplitSectionTotalClick();
    else if (method == SplitMethod::SectionLength)
        wizard.SplitSectionLengthClick();
    else
        wizard.SplitSectionSizeClick();
}

// A recompute as the user asks for it: choose the method, type, Enter.
void Type(SplitCalculator& wizard, SplitMethod method, const std::string& text)
{
    wizard.SelectMethod(method);
    Edit(wizard, method, text);
    Recompute(wizard, method);
}

TEST(SplitCalculator, OpensOnTheCountOfOneWithTheWholeFile)
{
    SplitCalculator wizard;
    EXPECT_EQ(Shown(wizard), (Fields{"1", "", "0"}));
    EXPECT_TRUE(wizard.TotalEnabled());
    wizard.FormActivate(FileRecord(1000, 600, 5'000'000));
    Type(wizard, SplitMethod::SectionSize, "100");
    wizard.FormActivate(FileRecord(1000, 600, 5'000'000));
    EXPECT_EQ(wizard.Method(), SplitMethod::SectionCount);
    EXPECT_EQ(Shown(wizard), (Fields{"1", "00:10:00:00", "5000"}));
    EXPECT_TRUE(wizard.TotalEnabled());
    EXPECT_FALSE(wizard.LengthEnabled() || wizard.SizeEnabled() || wizard.CueEnabled());
}

struct RoundedPlayTime {
    double seconds;
    const char* length;
};

void PrintTo(const RoundedPlayTime& c, std::ostream* out) { *out << c.seconds << " s"; }

const RoundedPlayTime kPlayTimeIsRoundedHalfToEven[] = {
    {2.5, "00:00:02:00"}, {3.5, "00:00:04:00"}, {600.49, "00:10:00:00"}, {600.5, "00:10:00:00"}, {601.5, "00:10:02:00"}, {0.6, "00:00:01:00"},
};

class SplitCalculatorPlayTime : public ::testing::TestWithParam<RoundedPlayTime> {};

TEST_P(SplitCalculatorPlayTime, PlayTimeIsRoundedHalfToEven)
{
    SplitCalculator wizard;
    wizard.FormActivate(FileRecord(1000, GetParam().seconds, 5'000'000));
    EXPECT_EQ(wizard.SectionLengthText(), GetParam().length) << GetParam().seconds;
}

INSTANTIATE_TEST_SUITE_P(SplitCalculator, SplitCalculatorPlayTime, ::testing::ValuesIn(kPlayTimeIsRoundedHalfToEven));

// Each field recomputes the other two; a field that is not a number, or a
// file without size or play time, changes nothing.
struct EditCase {
    const char* what;
    double seconds;
    std::int64_t bytes;
    SplitMethod method;
    std::string typed;
    std::optional<Fields> after; // none: the recompute fails
};

void PrintTo(const EditCase& c, std::ostream* out) { *out << c.what; }

const EditCase kFieldsFollowTheEditedOne[] = {
    {"count", 600, 1'234'567, SplitMethod::SectionCount, "5", Fields{"5", "00:02:00:00", "247"}},
    {"count zero", 600, 1'234'567, SplitMethod::SectionCount, "0", Fields{"1", "00:10:00:00", "1234"}},
    {"count 1000", 600, 1'234'567, SplitMethod::SectionCount, "1000", Fields{"999", "00:00:00:00", "2"}},
    {"count even", 600, 5'000'000, SplitMethod::SectionCount, "250", Fields{"250", "00:00:02:00", "20"}},
    {"size below a thousandth", 600, 5'000'000, SplitMethod::SectionSize, "4", Fields{"834", "00:00:00:00", "6"}},
    {"size of a thousandth", 600, 5'000'000, SplitMethod::SectionSize, "5", Fields{"1000", "00:00:00:00", "5"}},
    {"size over the file", 600, 5'000'000, SplitMethod::SectionSize, "99999", Fields{"1", "00:10:00:00", "5000"}},
    {"size", 600, 5'000'000, SplitMethod::SectionSize, "100", Fields{"50", "00:00:12:00", "100"}},
    {"length under 5 s", 600, 5'000'000, SplitMethod::SectionLength, "00:00:03:00", Fields{"120", "00:00:05:00", "42"}},
    {"length over the file", 600, 5'000'000, SplitMethod::SectionLength, "01:00:00:00", Fields{"1", "00:10:00:00", "5001"}},
    {"length goes through the size", 180, 3'000'000, SplitMethod::SectionLength, "00:01:00:00", Fields{"3", "00:01:00:00", "1001"}},
    {"typed hundredths stay", 180, 3'000'000, SplitMethod::SectionLength, "00:01:00:50", Fields{"3", "00:01:00:50", "1001"}},
    {"empty count", 600, 5'000'000, SplitMethod::SectionCount, "", std::nullopt},
    {"count past 32 bits", 600, 5'000'000, SplitMethod::SectionCount, "9999999999", std::nullopt},
    {"size not a number", 600, 5'000'000, SplitMethod::SectionSize, "5k", std::nullopt},
    {"file under 1000 bytes", 600, 999, SplitMethod::SectionSize, "0", std::nullopt},
    {"length not a time", 600, 5'000'000, SplitMethod::SectionLength, "00:x0:00:00", std::nullopt},
    {"no play time", 0.4, 5'000'000, SplitMethod::SectionLength, "00:01:00:00", std::nullopt},
};

class SplitCalculatorEdit : public ::testing::TestWithParam<EditCase> {};

TEST_P(SplitCalculatorEdit, FieldsFollowTheEditedOne)
{
    const EditCase& c = GetParam();
    SplitCalculator wizard;
    wizard.FormActivate(FileRecord(1000, c.seconds, c.bytes));
    try {
        wizard.SelectMethod(c.method); // a failing case may fail on the opening values already
    } catch (const RangeError&) {
    }
    Edit(wizard, c.method, c.typed);
    if (!c.after) {
        const Fields typed = Shown(wizard);
        EXPECT_THROW(Recompute(wizard, c.method), RangeError) << c.what;
        EXPECT_EQ(Shown(wizard), typed) << c.what;
        EXPECT_TRUE(AnyEdited(wizard)) << c.what;
        return;
    }
    Recompute(wizard, c.method);
    EXPECT_EQ(Shown(wizard), *c.after) << c.what;
    EXPECT_FALSE(AnyEdited(wizard)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(SplitCalculator, SplitCalculatorEdit, ::testing::ValuesIn(kFieldsFollowTheEditedOne),
                         [](const auto& info) { return TestName(info.param.what); });

TEST(SplitCalculator, RecomputesOnlyTheEditedFieldOfTheChosenMethod)
{
    SplitCalculator wizard;
    wizard.FormActivate(FileRecord(1000, 600, 5'000'000));
    wizard.SplitSectionTotalClick(); // clears what opening left
    const Fields opened = Shown(wizard);

    wizard.SplitSectionSizeChange("100"); // not the chosen method
    wizard.SplitSectionSizeClick();
    EXPECT_EQ(Shown(wizard), (Fields{"1", "00:10:00:00", "100"}));
    EXPECT_FALSE(AnyEdited(wizard));

    wizard.SplitSectionSizeChange(opened.size);
    wizard.SplitSectionTotalClick(); // not edited
    EXPECT_EQ(Shown(wizard), opened);
    EXPECT_FALSE(AnyEdited(wizard));

    // Choosing a method recomputes from its field; choosing it again does not.
    wizard.SplitSectionSizeChange("250");
    wizard.SelectMethod(SplitMethod::SectionSize);
    EXPECT_EQ(Shown(wizard), (Fields{"20", "00:00:30:00", "250"}));
    EXPECT_TRUE(wizard.SizeEnabled());
    EXPECT_FALSE(wizard.TotalEnabled());
    wizard.SplitSectionTotalChange("7");
    wizard.SelectMethod(SplitMethod::SectionSize);
    EXPECT_EQ(wizard.SectionTotalText(), "7");

    wizard.SelectMethod(SplitMethod::CueSheet);
    EXPECT_TRUE(wizard.CueEnabled());
    EXPECT_FALSE(wizard.TotalEnabled() || wizard.LengthEnabled() || wizard.SizeEnabled());
    EXPECT_EQ(wizard.SectionTotalText(), "7");
}

struct OkayCase {
    std::int32_t blocks;
    std::string count;
    std::vector<std::int32_t> markers;
};

void PrintTo(const OkayCase& c, std::ostream* out) { *out << c.count << " sections of " << c.blocks << " blocks"; }

const OkayCase kOkayLaysMarkersAtEqualSteps[] = {
    {40, "10", {0, 5, 10, 15, 20, 25, 30, 35, 40}}, // the step 4 is raised to 5
    {40, "20", {0, 5, 10, 15, 20, 25, 30, 35, 40}},
    {1000, "3", {0, 333, 666, 1000}},
    {1000, "1", {0, 1000}},
    {1003, "2", {0, 501, 1003}},
    {3, "2", {0, 3}}, // shorter than one step
};

class SplitCalculatorOkay : public ::testing::TestWithParam<OkayCase> {};

TEST_P(SplitCalculatorOkay, OkayLaysMarkersAtEqualSteps)
{
    const OkayCase& c = GetParam();
    const MPEGData file = FileRecord(c.blocks, 600, 5'000'000);
    MarkerList markers(file);
    markers.SelectSection(1);
    SplitCalculator wizard;
    wizard.FormActivate(file);
    wizard.SplitSectionTotalChange(c.count);
    EXPECT_TRUE(wizard.ApplyOkay(markers).MarkersReplaced);
    EXPECT_EQ(markers.Positions(), c.markers) << c.blocks << " / " << c.count;
    EXPECT_EQ(markers.SelectedSection(), 0);
}

INSTANTIATE_TEST_SUITE_P(SplitCalculator, SplitCalculatorOkay, ::testing::ValuesIn(kOkayLaysMarkersAtEqualSteps));

TEST(SplitCalculator, OkayAppliesAFieldTypedWithoutEnter)
{
    const MPEGData file = FileRecord(1000, 600, 5'000'000);
    MarkerList markers(file);
    SplitCalculator wizard;
    wizard.FormActivate(file);
    wizard.SelectMethod(SplitMethod::SectionSize);
    wizard.SplitSectionSizeChange("2500");
    wizard.ApplyOkay(markers);
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 500, 1000}));
    EXPECT_EQ(Shown(wizard), (Fields{"2", "00:05:00:00", "2500"}));

    wizard.SelectMethod(SplitMethod::SectionCount);
    wizard.SplitSectionTotalChange("0");
    wizard.ApplyOkay(markers);
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 1000}));
}

// 1000 markers make 999 sections; a size that asks for more is refused
// whole rather than cut short into a long last section.
TEST(SplitCalculator, SectionsBeyondTheMarkerLimitAreRefused)
{
    const MPEGData file = FileRecord(100'000, 6000, 5'000'000);
    MarkerList markers(file);
    SplitCalculator wizard;
    wizard.FormActivate(file);
    Type(wizard, SplitMethod::SectionCount, "999");
    wizard.ApplyOkay(markers);
    ASSERT_EQ(markers.MarkerCount(), MarkerList::kMaxMarkers);
    EXPECT_EQ(markers.Position(1000), 100'000);
    EXPECT_EQ(markers.SectionCount(), 999);

    // Size 5 of 5000 kB gives 1000 sections.
    MarkerList untouched(file);
    Type(wizard, SplitMethod::SectionSize, "5");
    try {
        wizard.ApplyOkay(untouched);
        ADD_FAILURE() << "1000 sections were laid";
    } catch (const MarkerLimitError& error) {
        EXPECT_STREQ(error.what(), "sections of 5 KB make 1000 sections; at most 999 can be cut: the editor holds "
                                   "1000 markers, one at each end of the file and one between each two sections");
    }
    EXPECT_EQ(untouched.Positions(), (std::vector<std::int32_t>{0, 100'000}));
}

struct FailedOkayCase {
    const char* what;
    std::int64_t bytes;
    SplitMethod method;
    std::string typed;
};

void PrintTo(const FailedOkayCase& c, std::ostream* out) { *out << c.what; }

const FailedOkayCase kFailedOkayKeepsTheMarkers[] = {
    {"count not a number", 5'000'000, SplitMethod::SectionCount, "x"},
    {"empty count", 5'000'000, SplitMethod::SectionCount, ""},
    {"file under 1000 bytes gives no section", 999, SplitMethod::SectionLength, "00:01:00:00"},
};

class SplitCalculatorFailedOkay : public ::testing::TestWithParam<FailedOkayCase> {};

TEST_P(SplitCalculatorFailedOkay, FailedOkayKeepsTheMarkers)
{
    const FailedOkayCase& c = GetParam();
    const MPEGData file = FileRecord(1000, 600, c.bytes);
    MarkerList markers(file);
    markers.ReplaceMarkers({0, 123, 456, 1000});
    SplitCalculator wizard;
    wizard.FormActivate(file);
    try {
        Type(wizard, c.method, c.typed);
    } catch (const RangeError&) {
    }
    EXPECT_THROW(wizard.ApplyOkay(markers), RangeError) << c.what;
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 123, 456, 1000})) << c.what;
}

INSTANTIATE_TEST_SUITE_P(SplitCalculator, SplitCalculatorFailedOkay, ::testing::ValuesIn(kFailedOkayKeepsTheMarkers),
                         [](const auto& info) { return TestName(info.param.what); });

TEST(SplitCalculator, CueMethodUsesTheLoadedSheet)
{
    TempDir dir;
    WriteBytes(dir.Path("album.cue"), [] {
        const std::string text = "TRACK 01 AUDIO\r\n  INDEX 01 05:00:00\r\nTRACK 02 AUDIO\r\n  INDEX 01 x\r\n"
                                 "TRACK 03 AUDIO\r\n  INDEX 01 00:00:00\r\nTRACK 04 AUDIO\r\n  INDEX 01 08:00:00\r\n";
        return Bytes(text.begin(), text.end());
    }());
    WriteBytes(dir.Path("empty.cue"), Bytes{'R', 'E', 'M', '\n'});

    const MPEGData file = FileRecord(1000, 600, 5'000'000);
    MarkerList markers(file);
    markers.ReplaceMarkers({0, 123, 1000});
    SplitCalculator wizard;
    wizard.FormActivate(file);
    wizard.SelectMethod(SplitMethod::CueSheet);
    EXPECT_FALSE(wizard.ApplyOkay(markers).MarkersReplaced);
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 123, 1000}));

    wizard.LoadCueSheet(dir.Path("album.cue"));
    EXPECT_EQ(wizard.CueFileText(), "album.cue");
    EXPECT_THROW(wizard.LoadCueSheet(dir.Path("missing.cue")), IoError);
    EXPECT_EQ(wizard.CueTracks().size(), 4u);
    EXPECT_EQ(wizard.CueFileText(), "album.cue");

    // The sheet outlives the wizard's openings; its tracks give sorted
    // markers, the last one a section up to the End marker.
    wizard.FormActivate(file);
    wizard.SelectMethod(SplitMethod::CueSheet);
    markers.SelectSection(1);
    const SplitOutcome outcome = wizard.ApplyOkay(markers);
    EXPECT_TRUE(outcome.MarkersReplaced);
    EXPECT_EQ(outcome.Skipped.Unreadable, std::vector<int>{2});
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 500, 800, 1000}));
    EXPECT_EQ(markers.Sections().back(), (Section{800, 1000}));
    EXPECT_EQ(markers.SelectedSection(), 0);

    // A file without play time takes no cue marker, and keeps its own.
    MPEGData timeless = file;
    timeless.TimeTotal = 0;
    timeless.PcmTotal = 0;
    MarkerList kept(timeless);
    kept.ReplaceMarkers({0, 10, 1000});
    wizard.FormActivate(timeless);
    wizard.SelectMethod(SplitMethod::CueSheet);
    EXPECT_THROW(wizard.ApplyOkay(kept), RangeError);
    EXPECT_EQ(kept.Positions(), (std::vector<std::int32_t>{0, 10, 1000}));

    wizard.LoadCueSheet(dir.Path("empty.cue"));
    EXPECT_EQ(wizard.CueFileText(), "");
    EXPECT_TRUE(wizard.CueTracks().empty());
}

TEST(SplitCalculator, PauseMethodAndSnapSearchTheProfile)
{
    // 10 blocks a second; quiet blocks 20..29 (a 1.1 s pause by the
    // finder's count) and 60..79, loud elsewhere.
    const MPEGData file = FileRecord(100, 10, 5'000'000);
    std::vector<std::int16_t> profile(101, 8000);
    std::fill(profile.begin() + 20, profile.begin() + 30, 0);
    std::fill(profile.begin() + 60, profile.begin() + 80, 0);
    MarkerList markers(file);
    SplitCalculator wizard;
    wizard.FormActivate(file);
    EXPECT_FALSE(wizard.SnapReachEnabled() || wizard.PauseFieldsEnabled());

    wizard.SelectMethod(SplitMethod::Pauses);
    EXPECT_TRUE(wizard.PauseFieldsEnabled());
    EXPECT_FALSE(wizard.SnapEnabled());
    EXPECT_EQ(wizard.PauseLevelText(), "-50");
    EXPECT_TRUE(wizard.ApplyOkay(markers, profile).MarkersReplaced);
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 25, 70, 100}));

    // A level above the range is drawn to -6 dBFS, where all of it is
    // quiet: no pause, and the markers stay. A text that is no number stops OK.
    wizard.PauseLevelChange("3");
    const SplitOutcome none = wizard.ApplyOkay(markers, profile);
    EXPECT_TRUE(none.NoPauseFound && !none.MarkersReplaced);
    EXPECT_EQ(wizard.PauseLevelText(), "-6");
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 25, 70, 100}));
    wizard.PauseLevelChange("-");
    EXPECT_THROW(wizard.ApplyOkay(markers, profile), RangeError);
    EXPECT_EQ(wizard.PauseLevelText(), "-");
    wizard.PauseLevelChange("-50");
    wizard.PauseLengthChange("1.5");
    EXPECT_TRUE(wizard.ApplyOkay(markers, profile).MarkersReplaced);
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 70, 100}));

    // Three sections: 33 lies 8 blocks from 25, beyond a reach of 5; 66 moves to 70.
    wizard.SelectMethod(SplitMethod::SectionCount);
    wizard.PauseLengthChange("1");
    wizard.SetSnap(true);
    wizard.SnapReachChange("0.5");
    EXPECT_TRUE(wizard.SnapReachEnabled() && wizard.PauseFieldsEnabled());
    Type(wizard, SplitMethod::SectionCount, "3");
    wizard.ApplyOkay(markers, profile);
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 33, 70, 100}));
    wizard.SnapReachChange("1");
    wizard.ApplyOkay(markers, profile);
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 25, 70, 100}));

    // The cue method leaves the snap as it is but does not offer it.
    wizard.SelectMethod(SplitMethod::CueSheet);
    EXPECT_TRUE(wizard.Snap());
    EXPECT_FALSE(wizard.SnapReachEnabled() || wizard.PauseFieldsEnabled());
}

} // namespace
} // namespace oq::test
