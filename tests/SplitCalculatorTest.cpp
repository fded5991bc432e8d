#include "decode/MPEGData.h"
#include "editor/MarkerList.h"
#include "engine/Error.h"
#include "tests/support/TestAudio.h"
#include "wizards/split/SplitCalculator.h"

#include <gtest/gtest.h>

namespace oq::test {
namespace {

constexpr std::int32_t kWidth = 460;

MPEGData FileOf(std::int32_t blocks, double seconds, std::int64_t bytes)
{
    MPEGData file;
    file.FileName = "take.ogg";
    file.BlockCount = blocks;
    file.TimeTotal = seconds;
    file.PcmTotal = static_cast<std::int64_t>(seconds * 44100);
    file.FileSize = bytes;
    return file;
}

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

// A recompute from one field, as the user does it: choose its method,
// type, press Enter.
void Type(SplitCalculator& wizard, SplitMethod method, const std::string& text)
{
    wizard.SelectMethod(method);
    switch (method) {
    case SplitMethod::SectionCount:
        wizard.SplitSectionTotalChange(text);
        wizard.SplitSectionTotalClick();
        break;
    case SplitMethod::SectionLength:
        wizard.SplitSectionLengthChange(text);
        wizard.SplitSectionLengthClick();
        break;
    case SplitMethod::SectionSize:
        wizard.SplitSectionSizeChange(text);
        wizard.SplitSectionSizeClick();
        break;
    case SplitMethod::CueSheet:
        break;
    }
}

TEST(SplitCalculator, OpensOnTheCountOfOneWithTheWholeFile)
{
    SplitCalculator wizard;
    EXPECT_EQ(Shown(wizard), (Fields{"1", "", "0"}));
    EXPECT_TRUE(wizard.TotalEnabled());
    wizard.FormActivate(FileOf(1000, 600, 5'000'000));
    Type(wizard, SplitMethod::SectionSize, "100");
    wizard.FormActivate(FileOf(1000, 600, 5'000'000));
    EXPECT_EQ(wizard.Method(), SplitMethod::SectionCount);
    EXPECT_EQ(Shown(wizard), (Fields{"1", "00:10:00:00", "5000"}));
    EXPECT_TRUE(wizard.TotalEnabled());
    EXPECT_FALSE(wizard.LengthEnabled() || wizard.SizeEnabled() || wizard.CueEnabled());
}

TEST(SplitCalculator, PlayTimeIsRoundedHalfToEven)
{
    const std::pair<double, const char*> cases[] = {
        {2.5, "00:00:02:00"}, {3.5, "00:00:04:00"}, {600.49, "00:10:00:00"}, {600.5, "00:10:00:00"}, {601.5, "00:10:02:00"}, {0.6, "00:00:01:00"},
    };
    for (const auto& [seconds, length] : cases) {
        SplitCalculator wizard;
        wizard.FormActivate(FileOf(1000, seconds, 5'000'000));
        EXPECT_EQ(wizard.SectionLengthText(), length) << seconds;
    }
}

TEST(SplitCalculator, FieldsFollowTheEditedOne)
{
    struct Case {
        const char* what;
        double seconds;
        std::int64_t bytes;
        SplitMethod method;
        std::string typed;
        Fields after;
    };
    const Case cases[] = {
        {"count", 600, 1'234'567, SplitMethod::SectionCount, "5", {"5", "00:02:00:00", "247"}},
        {"count zero", 600, 1'234'567, SplitMethod::SectionCount, "0", {"1", "00:10:00:00", "1234"}},
        {"count 1000", 600, 1'234'567, SplitMethod::SectionCount, "1000", {"999", "00:00:00:00", "2"}},
        {"count even", 600, 5'000'000, SplitMethod::SectionCount, "250", {"250", "00:00:02:00", "20"}},
        {"size below a thousandth", 600, 5'000'000, SplitMethod::SectionSize, "4", {"834", "00:00:00:00", "6"}},
        {"size of a thousandth", 600, 5'000'000, SplitMethod::SectionSize, "5", {"1000", "00:00:00:00", "5"}},
        {"size over the file", 600, 5'000'000, SplitMethod::SectionSize, "99999", {"1", "00:10:00:00", "5000"}},
        {"size", 600, 5'000'000, SplitMethod::SectionSize, "100", {"50", "00:00:12:00", "100"}},
        {"length under 5 s", 600, 5'000'000, SplitMethod::SectionLength, "00:00:03:00", {"120", "00:00:05:00", "42"}},
        {"length over the file", 600, 5'000'000, SplitMethod::SectionLength, "01:00:00:00", {"1", "00:10:00:00", "5001"}},
        {"length goes through the size", 180, 3'000'000, SplitMethod::SectionLength, "00:01:00:00", {"3", "00:01:00:00", "1001"}},
        {"typed hundredths stay", 180, 3'000'000, SplitMethod::SectionLength, "00:01:00:50", {"3", "00:01:00:50", "1001"}},
    };
    for (const Case& c : cases) {
        SplitCalculator wizard;
        wizard.FormActivate(FileOf(1000, c.seconds, c.bytes));
        Type(wizard, c.method, c.typed);
        EXPECT_EQ(Shown(wizard), c.after) << c.what;
        EXPECT_FALSE(AnyEdited(wizard)) << c.what;
    }
}

TEST(SplitCalculator, FailedRecomputeChangesNothing)
{
    struct Case {
        const char* what;
        double seconds;
        std::int64_t bytes;
        SplitMethod method;
        std::string typed;
    };
    const Case cases[] = {
        {"empty count", 600, 5'000'000, SplitMethod::SectionCount, ""},
        {"count past 32 bits", 600, 5'000'000, SplitMethod::SectionCount, "9999999999"},
        {"size not a number", 600, 5'000'000, SplitMethod::SectionSize, "5k"},
        {"file under 1000 bytes", 600, 999, SplitMethod::SectionSize, "0"},
        {"length not a time", 600, 5'000'000, SplitMethod::SectionLength, "00:x0:00:00"},
        {"no play time", 0.4, 5'000'000, SplitMethod::SectionLength, "00:01:00:00"},
    };
    for (const Case& c : cases) {
        SplitCalculator wizard;
        wizard.FormActivate(FileOf(1000, c.seconds, c.bytes));
        try {
            wizard.SelectMethod(c.method); // may fail already on the opening values
        } catch (const RangeError&) {
        }
        const Fields before = Shown(wizard);
        switch (c.method) {
        case SplitMethod::SectionCount:
            wizard.SplitSectionTotalChange(c.typed);
            EXPECT_THROW(wizard.SplitSectionTotalClick(), RangeError) << c.what;
            EXPECT_EQ(Shown(wizard), (Fields{c.typed, before.length, before.size})) << c.what;
            EXPECT_TRUE(wizard.TotalEdited()) << c.what;
            break;
        case SplitMethod::SectionLength:
            wizard.SplitSectionLengthChange(c.typed);
            EXPECT_THROW(wizard.SplitSectionLengthClick(), RangeError) << c.what;
            EXPECT_EQ(Shown(wizard), (Fields{before.total, c.typed, before.size})) << c.what;
            EXPECT_TRUE(wizard.LengthEdited()) << c.what;
            break;
        default:
            wizard.SplitSectionSizeChange(c.typed);
            EXPECT_THROW(wizard.SplitSectionSizeClick(), RangeError) << c.what;
            EXPECT_EQ(Shown(wizard), (Fields{before.total, before.length, c.typed})) << c.what;
            EXPECT_TRUE(wizard.SizeEdited()) << c.what;
        }
    }
}

TEST(SplitCalculator, RecomputesOnlyTheEditedFieldOfTheChosenMethod)
{
    SplitCalculator wizard;
    wizard.FormActivate(FileOf(1000, 600, 5'000'000));
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

TEST(SplitCalculator, OkayLaysMarkersAtEqualSteps)
{
    struct Case {
        std::int32_t blocks;
        std::string count;
        std::vector<std::int32_t> markers;
    };
    const Case cases[] = {
        {40, "10", {0, 5, 10, 15, 20, 25, 30, 35, 40}}, // the step 4 is raised to 5
        {40, "20", {0, 5, 10, 15, 20, 25, 30, 35, 40}},
        {1000, "3", {0, 333, 666, 1000}},
        {1000, "1", {0, 1000}},
        {1003, "2", {0, 501, 1003}},
        {3, "2", {0, 3}}, // shorter than one step
    };
    for (const Case& c : cases) {
        const MPEGData file = FileOf(c.blocks, 600, 5'000'000);
        MarkerList markers(file, kWidth);
        markers.SelectSection(1);
        SplitCalculator wizard;
        wizard.FormActivate(file);
        wizard.SplitSectionTotalChange(c.count);
        EXPECT_TRUE(wizard.ApplyOkay(markers).MarkersReplaced);
        EXPECT_EQ(markers.Positions(), c.markers) << c.blocks << " / " << c.count;
        EXPECT_EQ(markers.SelectedSection(), 0);
        EXPECT_EQ(markers.ImagePixel(markers.MarkerCount()), kWidth);
    }
}

TEST(SplitCalculator, OkayAppliesAFieldTypedWithoutEnter)
{
    const MPEGData file = FileOf(1000, 600, 5'000'000);
    MarkerList markers(file, kWidth);
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

TEST(SplitCalculator, ThousandSectionsMeetTheMarkerLimit)
{
    // Size 5 of 5000 kB gives 1000 sections; 1000 markers make 999, the last
    // one running to the end.
    const MPEGData file = FileOf(100'000, 6000, 5'000'000);
    MarkerList markers(file, kWidth);
    SplitCalculator wizard;
    wizard.FormActivate(file);
    Type(wizard, SplitMethod::SectionSize, "5");
    wizard.ApplyOkay(markers);
    ASSERT_EQ(markers.MarkerCount(), MarkerList::kMaxMarkers);
    EXPECT_EQ(markers.Position(999), 99'800);
    EXPECT_EQ(markers.Position(1000), 100'000);
    EXPECT_EQ(markers.SectionCount(), 999);
}

TEST(SplitCalculator, FailedOkayKeepsTheMarkers)
{
    struct Case {
        const char* what;
        std::int64_t bytes;
        SplitMethod method;
        std::string typed;
    };
    const Case cases[] = {
        {"count not a number", 5'000'000, SplitMethod::SectionCount, "x"},
        {"empty count", 5'000'000, SplitMethod::SectionCount, ""},
        {"file under 1000 bytes gives no section", 999, SplitMethod::SectionLength, "00:01:00:00"},
    };
    for (const Case& c : cases) {
        const MPEGData file = FileOf(1000, 600, c.bytes);
        MarkerList markers(file, kWidth);
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
}

TEST(SplitCalculator, CueMethodUsesTheLoadedSheet)
{
    TempDir dir;
    WriteBytes(dir.Path("album.cue"), [] {
        const std::string text = "TRACK 01 AUDIO\r\n  INDEX 01 00:00:00\r\nTRACK 02 AUDIO\r\n  INDEX 01 x\r\nTRACK 03 AUDIO\r\n  INDEX 01 05:00:00\r\n";
        return Bytes(text.begin(), text.end());
    }());
    WriteBytes(dir.Path("empty.cue"), Bytes{'R', 'E', 'M', '\n'});

    const MPEGData file = FileOf(1000, 600, 5'000'000);
    MarkerList markers(file, kWidth);
    markers.ReplaceMarkers({0, 123, 1000});
    SplitCalculator wizard;
    wizard.FormActivate(file);
    wizard.SelectMethod(SplitMethod::CueSheet);
    EXPECT_FALSE(wizard.ApplyOkay(markers).MarkersReplaced);
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 123, 1000}));

    wizard.LoadCueSheet(dir.Path("album.cue"));
    EXPECT_EQ(wizard.CueFileText(), "album.cue");
    EXPECT_THROW(wizard.LoadCueSheet(dir.Path("missing.cue")), IoError);
    EXPECT_EQ(wizard.CueTracks().size(), 3u);
    EXPECT_EQ(wizard.CueFileText(), "album.cue");

    // The sheet outlives the wizard's openings.
    wizard.FormActivate(file);
    wizard.SelectMethod(SplitMethod::CueSheet);
    const SplitOutcome outcome = wizard.ApplyOkay(markers);
    EXPECT_TRUE(outcome.MarkersReplaced);
    EXPECT_EQ(outcome.Skipped.Unreadable, std::vector<int>{2});
    EXPECT_EQ(markers.Positions(), (std::vector<std::int32_t>{0, 500}));

    wizard.LoadCueSheet(dir.Path("empty.cue"));
    EXPECT_EQ(wizard.CueFileText(), "");
    EXPECT_TRUE(wizard.CueTracks().empty());
}

} // namespace
} // namespace oq::test
