// Faults that damaged files and extreme lengths brought out (most of them
// found by the fuzz targets), each pinned down where it was mended.

#include "tools/AmplitudeProfile.h"
#include "media/OggFileInfo.h"
#include "vorbis/VorbisFile.h"
#include "tools/WavWriter.h"
#include "model/MarkerTime.h"
#include "model/PositionConverter.h"
#include "base/Error.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "vorbis/PacketTimeline.h"
#include "tools/SectionEngine.h"
#include "tools/SourceReader.h"
#include "tests/support/OggCheck.h"
#include "tests/support/TestName.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/OutputCheck.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"
#include "tests/support/CliRunner.h"
#include "model/CueSheet.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <limits>

namespace oq::test {
namespace {

constexpr std::int32_t kMostBlocks = std::numeric_limits<std::int32_t>::max();

// A setup header whose codebook the library parses but cannot build used to
// make the second read of the file divide by zero inside the decoder (the
// first read fails, the second decodes with the half-built codebook): the
// analysis and the WAV conversion crashed. Such a file is now refused by
// every reader before anything is decoded.
TEST(DamagedInput, ASetupHeaderTheDecoderCannotUseIsRefusedBeforeDecoding)
{
    TempDir dir;
    const std::string path = dir.Path("setup.ogg");
    WriteBytes(path, WithUndecodableSetup(MakeOggVorbis({.seconds = 1.0})));
    EXPECT_THROW(ReadOggFileInfo(path), NotOggAudioError);
    EXPECT_THROW(OpenVorbisFile(path), NotOggAudioError);
    const std::atomic<bool> notCancelled{false};
    EXPECT_TRUE(ComputeAmplitudeProfile(path, notCancelled).Entries.empty());
    const JobControl control;
    JobObserver quiet;
    EXPECT_THROW(ConvertToWav(path, dir.Path("setup.wav"), control, quiet), NotOggAudioError);
    SourceReader reader(path);
    try {
        reader.CaptureHeaders();
        ADD_FAILURE() << "the headers were taken";
    } catch (const NotOggAudioError& error) {
        EXPECT_NE(std::string(error.what()).find("setup header that cannot be decoded"), std::string::npos) << error.what();
    }
}

// A last granule position of 2^43 claimed 25 years of audio: the block
// count wrapped to -2147483648, and so did a sampling rate above 2^31 - 1.
// What the editor cannot count is refused; long but countable files are not.
struct ClaimCase {
    const char* what;
    std::int64_t lastGranule; // 0: as encoded
    std::uint32_t rate;       // 0: as encoded
    bool described;
};

void PrintTo(const ClaimCase& c, std::ostream* out) { *out << c.what; }

const ClaimCase kClaimsBeyondTheEditorsCountsAreRefused[] = {
    {"twenty-five years", std::int64_t{1} << 43, 0, false},
    {"a rate past 32 signed bits", 0, 0xFFFFFFF0u, false},
    {"ten hours", std::int64_t{22050} * 36000, 0, true},
};

class DamagedInputClaim : public ::testing::TestWithParam<ClaimCase> {};

TEST_P(DamagedInputClaim, ClaimsBeyondTheEditorsCountsAreRefused)
{
    const ClaimCase& c = GetParam();
    TempDir dir;
    // Pages of eight packets: the decoder library takes the length of a
    // file whose audio is one page from the page's packets instead.
    Bytes file = MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 1.0}, {.flushEveryPackets = 8});
    if (c.lastGranule != 0)
        SetGranule(file, PageSpans(file).back(), c.lastGranule);
    if (c.rate != 0) {
        constexpr std::size_t kRateAt = 28 + 12; // first page's body, then type, "vorbis", version, channels
        for (std::size_t i = 0; i < 4; ++i)
            file[kRateAt + i] = static_cast<unsigned char>(c.rate >> (8 * i));
        RenewChecksum(file, PageSpans(file).front());
    }
    WriteBytes(dir.Path("claims.ogg"), file);
    if (!c.described) {
        EXPECT_THROW(ReadOggFileInfo(dir.Path("claims.ogg")), NotOggAudioError);
        return;
    }
    const MPEGData record = ReadOggFileInfo(dir.Path("claims.ogg"));
    EXPECT_EQ(record.PlayLength, "10:00:00");
    EXPECT_EQ(record.BlockCount, 22050 * 36000 / 8192);
}

INSTANTIATE_TEST_SUITE_P(DamagedInput, DamagedInputClaim, ::testing::ValuesIn(kClaimsBeyondTheEditorsCountsAreRefused),
                         [](const auto& info) { return TestName(info.param.what); });

// A last granule position of 2^62 made the WAV writer's count of the bytes
// to come overflow (undefined behaviour, found by the fuzz target of the
// file readers). Such a count is now taken as unknown: what the file really
// holds is converted, and the header describes it.
TEST(DamagedInput, AClaimPast64BitsOfSampleBytesStillConvertsWhatIsThere)
{
    TempDir dir;
    Bytes file = MakeOggVorbis({.channels = 2, .rate = 22050, .seconds = 1.0}, {.flushEveryPackets = 8});
    SetGranule(file, PageSpans(file).back(), std::int64_t{1} << 62);
    WriteBytes(dir.Path("claims.ogg"), file);
    const JobControl control;
    JobObserver quiet;
    ASSERT_EQ(ConvertToWav(dir.Path("claims.ogg"), dir.Path("claims.wav"), control, quiet), WavOutcome::Written);
    EXPECT_EQ(ProblemWithWav(dir.Path("claims.wav")), "");
    EXPECT_GT(std::filesystem::file_size(dir.Path("claims.wav")), 44u + 22050u * 4 / 2);
}

// A source whose first page drops samples from its front cannot be cut
// before the end of that page's last packet; the refusal named a section
// "starting" at that packet and "inside one Vorbis packet" of no samples.
// It now says where cutting can begin.
// Where the refused cut lies: well inside the first page, or one sample
// before the first exact cut.
class EarlyCut : public ::testing::TestWithParam<bool> {};

TEST_P(EarlyCut, ACutBeforeTheFirstGranuleOfASourceThatDropsSamplesIsRefusedClearly)
{
    TempDir dir;
    const std::string path = dir.Path("drops.ogg");
    WriteBytes(path, MakeOggVorbis({.channels = 2, .rate = 22050, .seconds = 1.5, .signal = Signal::Mixed}, {.granuleOffset = -700}));
    SourceReader reader(path);
    reader.CaptureHeaders();
    SourcePacket packet;
    while (reader.NextPacket(packet) && !packet.Time.Anchor) {
    }
    ASSERT_GT(packet.Time.HeadTrim, 0);
    const std::string firstExact = std::to_string(packet.Time.End);
    const std::int64_t cut = GetParam() ? packet.Time.End - 1 : 5000;
    SectionEngine engine;
    engine.OpenSourceForCutting(path);
    try {
        for (const auto& [start, end] : {std::pair<std::int64_t, std::int64_t>{0, cut}, {cut, 0}}) {
            const SectionJob job{.OutputName = dir.Path("part.ogg"), .StreamSerial = 1, .StartGranule = start, .EndGranule = end};
            engine.BeginOutputStream(job);
            end == 0 ? engine.CutLastSection(job) : engine.CutFirstSection(job);
            engine.ClearStream();
            engine.CloseOutput();
        }
        ADD_FAILURE() << "cut";
    } catch (const RangeError& error) {
        EXPECT_NE(std::string(error.what()).find("cannot cut before sample " + firstExact), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(DamagedInput, EarlyCut, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "OneSampleBeforeTheFirstExactCut" : "InsideTheFirstPage");
});

// A chained source cut short inside its second link's headers gave a last
// section carrying the broken link, which no decoder (this program's own
// included) could open. Only whole later links follow the last section now.
enum class LaterLink { CutInItsSetupHeader, CutInItsSecondAudioPage, OfAnotherCodec };

struct LaterLinkCase {
    const char* what;
    LaterLink link;
    bool keepsSecond;
};

void PrintTo(const LaterLinkCase& c, std::ostream* out) { *out << c.what; }

const LaterLinkCase kLaterLinks[] = {
    {"cut inside the second link's setup header", LaterLink::CutInItsSetupHeader, false},
    {"cut inside the second link's second audio page", LaterLink::CutInItsSecondAudioPage, true},
    {"a second link of another codec", LaterLink::OfAnotherCodec, false},
};

class DamagedLaterLink : public ::testing::TestWithParam<LaterLinkCase> {};

TEST_P(DamagedLaterLink, TheLastSectionCarriesOnlyWholeLaterLinks)
{
    const LaterLinkCase& c = GetParam();
    TempDir dir;
    // Long enough for several pages in the section as well: the reference
    // decoder gives nothing of a link of a chained file whose audio is one
    // page.
    const Bytes first = MakeOggVorbis({.channels = 2, .rate = 22050, .seconds = 4.0}, {.flushEveryPackets = 8});
    const Bytes second = MakeOggVorbis({.channels = 1, .rate = 11025, .seconds = 1.0}, {.serial = 77, .flushEveryPackets = 8});
    const std::size_t secondHeaders = PageSpans(second)[1].Offset + PageSpans(second)[1].Size;
    WriteBytes(dir.Path("first.ogg"), first);
    const std::vector<std::int16_t> firstSamples = DecodeSamples(dir.Path("first.ogg"));
    const auto cut = [](const Bytes& bytes, std::size_t size) { return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(size)); };
    switch (c.link) {
    case LaterLink::CutInItsSetupHeader:
        WriteBytes(dir.Path("chained.ogg"), cut(Joined({first, second}), first.size() + secondHeaders - 100));
        break;
    case LaterLink::CutInItsSecondAudioPage:
        WriteBytes(dir.Path("chained.ogg"),
                   cut(Joined({first, second}), first.size() + secondHeaders + PageSpans(second)[2].Size + 100));
        break;
    case LaterLink::OfAnotherCodec:
        WriteBytes(dir.Path("chained.ogg"), Joined({first, Joined(ForeignStreamPages("OpusHead", 8, 2))}));
        break;
    }
    SectionEngine engine;
    engine.OpenSourceForCutting(dir.Path("chained.ogg"));
    const SectionJob job{.OutputName = dir.Path("last.ogg"), .StreamSerial = 5, .StartGranule = 0, .EndGranule = 0};
    engine.BeginOutputStream(job);
    engine.CutLastSection(job);
    engine.ClearStream();
    engine.CloseOutput();
    EXPECT_EQ(ProblemWithStream(dir.Path("last.ogg"), 5), "");
    const std::vector<std::int16_t> decoded = DecodeSamples(dir.Path("last.ogg"));
    ASSERT_GE(decoded.size(), firstSamples.size());
    EXPECT_EQ(decoded.size() > firstSamples.size(), c.keepsSecond);
    EXPECT_TRUE(std::equal(firstSamples.begin(), firstSamples.end(), decoded.begin()));
}

INSTANTIATE_TEST_SUITE_P(DamagedInput, DamagedLaterLink, ::testing::ValuesIn(kLaterLinks),
                         [](const auto& info) { return TestName(info.param.what); });

// A track start far past the end of a file of 2^31 - 1 blocks overflowed the
// 32-bit position (blocks + 1), and the conversion of a start beyond a
// long file's last block was undefined. Such starts are skipped as past
// the end, and conversions hold at the integer range's ends.
// Files of 2 * 10^8 seconds: one start 40 s past the end, one far beyond.
struct LongestFile {
    std::int32_t blocks;
    CueTrackList starts;
};

void PrintTo(const LongestFile& c, std::ostream* out) { *out << c.blocks << " blocks, a track at " << c.starts.back(); }

class LongestFileCue : public ::testing::TestWithParam<LongestFile> {};

TEST_P(LongestFileCue, TrackStartsPastTheEndOfTheLongestFile)
{
    const LongestFile& c = GetParam();
    MPEGData record;
    record.FileName = "long.ogg";
    record.Rate = 44100;
    record.BlockCount = c.blocks;
    record.TimeTotal = 2.0e8;
    record.PcmTotal = std::int64_t{c.blocks} * 4096;
    record.FileSize = std::int64_t{c.blocks} * 16384;
    const PositionConverter file(record);
    const CuePlacement placement = PlanCueMarkers(c.starts, {}, MarkerTime(record));
    std::vector<std::int32_t> positions;
    for (const MarkerPlace& marker : placement.Laid.Markers)
        positions.push_back(marker.Position);
    EXPECT_EQ(positions, (std::vector<std::int32_t>{0, c.blocks}));
    EXPECT_EQ(placement.Skipped.PastEnd, std::vector<int>{2});
    EXPECT_EQ(file.SecondsToPosition(400'000'000), kMostBlocks);
}

INSTANTIATE_TEST_SUITE_P(DamagedInput, LongestFileCue,
                         ::testing::Values(LongestFile{kMostBlocks, {"0:00:00", "9999999:00:00"}},
                                           LongestFile{kMostBlocks - 1000, {"0:00:00", "3333334:00:00"}}),
                         [](const auto& info) { return info.index == 0 ? "FarBeyond" : "FortySecondsPast"; });

TEST(DamagedInput, ANegativeTimeConvertsToTheSmallestPosition)
{
    EXPECT_EQ(PositionConverter(1, 1.0e-9, 1, 1).SecondsToPosition(-5), std::numeric_limits<std::int32_t>::min());
}

// Granule positions near the ends of the 64-bit range overflowed the
// running position of the packet timeline, with which both the section
// engine and the analysis follow a stream. It now wraps around as the
// decoder's does, and every packet still yields its samples.
class RangeEndGranule : public ::testing::TestWithParam<std::int64_t> {};

TEST_P(RangeEndGranule, GranulesAtTheEndsOfTheRangeDoNotOverflowTheTimeline)
{
    constexpr std::int64_t kSmallest = std::numeric_limits<std::int64_t>::min();
    PacketTimeline timeline;
    timeline.Place(2048, -1, false);
    timeline.Place(2048, GetParam(), false);
    timeline.Place(2048, -1, false);
    const TimedPacket last = timeline.Place(2048, kSmallest, true);
    EXPECT_GE(last.Kept(), 0);
    EXPECT_LE(last.Kept(), last.Advance);
    EXPECT_EQ(timeline.Position(), last.End);
    EXPECT_GE(timeline.Position(), 1024); // the packet after the anchor keeps its samples
}

INSTANTIATE_TEST_SUITE_P(DamagedInput, RangeEndGranule,
                         ::testing::Values(std::numeric_limits<std::int64_t>::max() - 300,
                                           std::numeric_limits<std::int64_t>::min() + 2),
                         [](const auto& info) { return std::string(info.index == 0 ? "NearTheLargest" : "NearTheSmallest"); });

// An Opus end-of-stream granule position that drops more than the last
// packet made the file library decode a second less than the packet clock
// counted, so the sections of a split held more than the source plays. The
// cut is refused, and nothing is written.
TEST(DamagedInput, AnOpusEndTrimPastTheLastPacketIsRefusedForCutting)
{
    TempDir dir;
    Bytes file = MakeOggOpus({.channels = 2, .seconds = 1.5, .bitrate = 32000});
    const auto pages = PageSpans(file);
    SetGranule(file, pages.back(), GranuleOf(file, pages[pages.size() - 2]) - 100);
    WriteBytes(dir.Path("in.opus"), file);
    std::filesystem::create_directories(dir.Path("out"));
    const CliResult split = RunCli({"split", dir.Path("in.opus"), "--count", "3", "--out", dir.Path("out"), "--quiet"});
    EXPECT_EQ(split.Status, 1);
    EXPECT_NE(split.Err.find("drops more than its last packet"), std::string::npos) << split.Err;
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path("out")));
}

} // namespace
} // namespace oq::test
