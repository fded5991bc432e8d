#include "model/MarkerTime.h"
#include "base/Error.h"
#include "tests/support/FileRecord.h"
#include "tests/support/TestName.h"
#include "model/CueSheet.h"

#include <gtest/gtest.h>

namespace oq::test {
namespace {

using namespace std::string_literals;

// Ten minutes of 44.1 kHz audio over 1000 blocks.
const MPEGData kTenMinutes = FileRecord(1000, 600, 5'000'000);

std::string Utf16(const std::string& ascii, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii)
        out += bigEndian ? "\0"s + c : std::string(1, c) + '\0';
    return out;
}

// A sheet as a burning program writes it.
const std::string kUsualSheet = "REM GENRE Rock\n"
                                "PERFORMER \"Band\"\n"
                                "FILE \"album.wav\" WAVE\n"
                                "  TRACK 01 AUDIO\n"
                                "    TITLE \"One\"\n"
                                "    INDEX 01 00:00:00\n"
                                "  TRACK 02 AUDIO\n"
                                "    TITLE \"Two\"\n"
                                "    INDEX 01 03:25:40\n";

struct CueSheetText {
    const char* what;
    std::string sheet;
    CueTrackList starts;
};

void PrintTo(const CueSheetText& c, std::ostream* out) { *out << c.what; }

const CueSheetText kReadsTheStartOfEveryTrack[] = {
    {"LF", kUsualSheet, {"00:00:00", "03:25:40"}},
    {"CR LF", "TRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\nTRACK 02 AUDIO\r\nINDEX 01 03:25:40\r\n", {"00:00:00", "03:25:40"}},
    {"CR alone", "TRACK 01 AUDIO\rINDEX 01 00:00:00\rTRACK 02 AUDIO\rINDEX 01 03:25:40", {"00:00:00", "03:25:40"}},
    {"UTF-8 mark", "\xEF\xBB\xBFTRACK 01 AUDIO\nINDEX 01 01:02:03\n", {"01:02:03"}},
    {"UTF-16 LE", Utf16("TRACK 01 AUDIO\r\nINDEX 01 01:02:03\r\n", false), {"01:02:03"}},
    {"UTF-16 BE", Utf16("TRACK 01 AUDIO\nINDEX 01 01:02:03\n", true), {"01:02:03"}},
    // Without a mark, told by where the zero bytes fall; a stray zero byte
    // does not make an 8-bit sheet UTF-16.
    {"UTF-16 LE without a mark", Utf16("TRACK 01 AUDIO\r\nINDEX 01 01:02:03\r\n", false).substr(2), {"01:02:03"}},
    {"stray zero byte", "TRACK 01 AUDIO\nINDEX 01 01:02:03\n\0"s, {"01:02:03"}},
    {"tabs and trailing blanks", "\tTRACK\t01\tAUDIO\n\tINDEX\t01\t02:00:00 \t\r\n", {"02:00:00"}},
    {"odd spacing", "TRACK 1 AUDIO\nINDEX   1   02:00:00\n", {"02:00:00"}},
    {"lower case is not a keyword", "track 01 audio\nindex 01 00:00:00\n", {}},
    {"last line a track", kUsualSheet + "  TRACK 03 AUDIO\n", {"00:00:00", "03:25:40"}},
    {"two tracks before one index", "TRACK 01 AUDIO\nTRACK 02 AUDIO\nINDEX 01 00:10:00\n", {"00:10:00"}},
    // A pregap (INDEX 00) stays with the track before; a track without an
    // INDEX 01 starts at its first index, and INDEX 02 moves no start.
    {"pregaps stay with the track before",
     "TRACK 01 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:02:00\nTRACK 02 AUDIO\nINDEX 00 04:58:00\nTITLE \"x\"\n"
     "INDEX 1 05:00:00\nINDEX 02 05:30:00\nTRACK 03 AUDIO\nINDEX 00 07:00:00\nTRACK 04 AUDIO\nINDEX 02 08:00:00\n",
     {"00:02:00", "05:00:00", "07:00:00", "08:00:00"}},
    {"keyword inside quotes", "FILE \"TRACKS.wav\" WAVE\n  TRACK 01 AUDIO\n  INDEX 01 00:00:00\n", {"00:00:00"}},
    {"garbage and binary lines", "\x01\x02\xFF\xFE garbage\n\0\0\nTRACK 01 AUDIO\nnonsense INDEX\n"s, {""}},
    {"index without track", "INDEX 01 00:00:00\n", {}},
    {"empty", "", {}},
};

class CueSheetReading : public ::testing::TestWithParam<CueSheetText> {};

TEST_P(CueSheetReading, ReadsTheStartOfEveryTrack)
{
    const CueSheetText& c = GetParam();
    EXPECT_EQ(ParseCueSheet(c.sheet), c.starts) << c.what;
}

INSTANTIATE_TEST_SUITE_P(CueSheet, CueSheetReading, ::testing::ValuesIn(kReadsTheStartOfEveryTrack),
                         [](const auto& info) { return TestName(info.param.what); });

struct StartText {
    const char* text;
    std::optional<std::int64_t> frames; // none: refused
};

void PrintTo(const StartText& c, std::ostream* out) { *out << '"' << c.text << '"'; }

const StartText kStartTextsBecomeFrames[] = {
    {"00:00:00", 0},
    {"03:25:40", 205 * 75 + 40},
    {"03:25:74", 205 * 75 + 74},
    {"123:04:50", 7384 * 75 + 50}, // 2 h 3 min 4 s
    {"3:25:40", 205 * 75 + 40},
    {"75:00:00", 4500 * 75},
    {"00:75:00", 75 * 75},
    {"", std::nullopt},
    {"1234", std::nullopt},
    {"03:25", std::nullopt},
    {"03:5:40", std::nullopt},
    {"03:25:4", 205 * 75 + 4}, // what follows the seconds matters only as far as two frame digits
    {"03:25:40 xyz", 205 * 75 + 40},
    {"03:25:40:00", 205 * 75 + 40},
    {"03:25:", std::nullopt},
    {"03:25:x0", std::nullopt},
    {"ab:cd:ef", std::nullopt},
    {"-1:00:00", std::nullopt},
    {"99999999:00:00", std::nullopt},
};

class CueStartText : public ::testing::TestWithParam<StartText> {};

TEST_P(CueStartText, StartTextsBecomeFrames)
{
    EXPECT_EQ(CueStartFrames(GetParam().text), GetParam().frames) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(CueSheet, CueStartText, ::testing::ValuesIn(kStartTextsBecomeFrames));

// A frame is 588 samples at 44.1 kHz and 640 at 48 kHz; at 8 kHz and 32 kHz
// it begins between two samples, and the nearer is taken.
TEST(CueStartSample, FramesBecomeTheSampleWhereTheyBegin)
{
    EXPECT_EQ(CueStartSample("03:25:40", ChainTimeline(44100)), (205 * 75 + 40) * 588);
    EXPECT_EQ(CueStartSample("00:00:74", ChainTimeline(48000)), 74 * 640);
    EXPECT_EQ(CueStartSample("00:00:01", ChainTimeline(8000)), 107);  // 106 2/3
    EXPECT_EQ(CueStartSample("00:00:02", ChainTimeline(32000)), 853); // 853 1/3
}

struct CueTrackCase {
    const char* what;
    CueTrackList starts;
    std::vector<std::int64_t> samples;
    CueSkips skipped;
};

void PrintTo(const CueTrackCase& c, std::ostream* out) { *out << c.what; }

constexpr std::int64_t kEnd = 600 * 44100;

const CueTrackCase kTrackStartsBecomeMarkers[] = {
    {"two tracks", {"00:00:00", "03:25:40"}, {0, (205 * 75 + 40) * 588}, {}},
    {"one track inside", {"02:00:00"}, {120 * 44100, kEnd}, {}},
    {"one track past the end", {"20:00:00"}, {kEnd, 0}, {{}, {1}}},
    {"one track at the very end", {"10:00:00"}, {kEnd, 0}, {}},
    {"one track at the start", {"00:00:00"}, {0, kEnd}, {}},
    {"unreadable track in between", {"00:00:00", "3 min", "06:00:00", "99:00:00"}, {0, 360 * 44100}, {{2}, {4}}},
    {"none readable", {"x", "y"}, {kEnd, 0}, {{1, 2}, {}}},
    {"far past the end", {"9999999:00:00"}, {kEnd, 0}, {{}, {1}}},
};

class CueSheetTracks : public ::testing::TestWithParam<CueTrackCase> {};

TEST_P(CueSheetTracks, TrackStartsBecomeMarkers)
{
    const CueTrackCase& c = GetParam();
    const MarkerTime time(kTenMinutes);
    const CuePlacement placement = PlanCueMarkers(c.starts, {}, time);
    std::vector<std::int64_t> samples;
    for (const MarkerPlace& marker : placement.Laid.Markers) {
        samples.push_back(marker.Sample.value_or(-1));
        // Each stands on the block whose cut lies nearest.
        EXPECT_EQ(marker.Position, time.PositionAtSample(samples.back())) << c.what;
    }
    EXPECT_EQ(samples, c.samples) << c.what;
    EXPECT_EQ(placement.Skipped, c.skipped) << c.what;
    EXPECT_EQ(placement.Laid.Notes.size(), c.skipped.Unreadable.size() + c.skipped.PastEnd.size()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(CueSheet, CueSheetTracks, ::testing::ValuesIn(kTrackStartsBecomeMarkers),
                         [](const auto& info) { return TestName(info.param.what); });

} // namespace
} // namespace oq::test
