#include "media/OggFileInfo.h"
#include "media/OggInformationText.h"
#include "media/ProfileBlock.h"
#include "base/Error.h"
#include "base/File.h"
#include "base/FileSystem.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"

#include <clocale>
#include <cmath>
#include <filesystem>
#include <cstring>
#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <sys/stat.h>

namespace oq::test {
namespace {

struct PageSpan {
    std::size_t offset;
    std::size_t bytes;
    std::int64_t granule;
};

std::vector<PageSpan> PagesOf(const Bytes& file)
{
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(file.size()));
    std::copy(file.begin(), file.end(), buffer);
    ogg_sync_wrote(&sync, static_cast<long>(file.size()));
    std::vector<PageSpan> pages;
    std::size_t offset = 0;
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        const auto bytes = static_cast<std::size_t>(page.header_len + page.body_len);
        pages.push_back({offset, bytes, ogg_page_granulepos(&page)});
        offset += bytes;
    }
    ogg_sync_clear(&sync);
    return pages;
}

// Bytes of the leading pages that carry no audio (granule position 0): the
// headers, which do not count toward the bit rate.
std::size_t HeaderPageBytes(const Bytes& file)
{
    std::size_t bytes = 0;
    for (const PageSpan& page : PagesOf(file)) {
        if (page.granule != 0)
            break;
        bytes += page.bytes;
    }
    return bytes;
}

// Rounded like the information text: audio bytes over seconds to whole bit/s, then to units of 1024 bit/s.
std::string ExpectedBitRate(const Bytes& file, double seconds, std::int64_t extraBytes = 0)
{
    const auto audioBytes = static_cast<double>(file.size() - HeaderPageBytes(file) + extraBytes);
    const double bitsPerSecond = std::nearbyint(audioBytes * 8 / seconds);
    return std::to_string(static_cast<long>(std::nearbyint(bitsPerSecond / 1024)));
}

TEST(OggFileInfo, DescribesAFile)
{
    TempDir dir;
    const auto bytes = MakeOggVorbis({.channels = 2, .rate = 44100, .seconds = 3.0, .signal = Signal::Noise});
    WriteBytes(dir.Path("a.ogg"), bytes);
    const MPEGData record = ReadOggFileInfo(dir.Path("a.ogg"));

    EXPECT_EQ(record.FileName, dir.Path("a.ogg"));
    EXPECT_EQ(record.FileSize, static_cast<std::int64_t>(bytes.size()));
    EXPECT_EQ(record.TimeTotal, 3.0);
    EXPECT_EQ(record.PlayLength, "00:00:03");
    EXPECT_EQ(record.PcmTotal, 132300);
    EXPECT_EQ(record.Rate, 44100);
    EXPECT_EQ(record.Channels, 2);
    EXPECT_EQ(record.Version, 0);
    EXPECT_EQ(record.Streams, 1);
    EXPECT_EQ(record.SerialNumber, 0x5157);
    EXPECT_EQ(record.BlockCount, 132300 / 4096);
    EXPECT_FALSE(record.ProfileComplete);
    EXPECT_EQ(record.BitRate, ExpectedBitRate(bytes, 3.0));
}

struct HalfEven {
    double value;
    std::int64_t rounded;
};

void PrintTo(const HalfEven& c, std::ostream* out) { *out << c.value; }

const HalfEven kRoundsHalvesToEven[] = {
    {2.5, 2}, {3.5, 4}, {0.4, 0}, {0.5, 0}, {0.6, 1}, {1.5, 2}, {127.5, 128}, {124.99, 125}, {-2.5, -2}, {-3.5, -4}
};

class OggFileInfoRounding : public ::testing::TestWithParam<HalfEven> {};

TEST_P(OggFileInfoRounding, RoundsHalvesToEven)
{
    EXPECT_EQ(RoundHalfEven(GetParam().value), GetParam().rounded) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(OggFileInfo, OggFileInfoRounding, ::testing::ValuesIn(kRoundsHalvesToEven));

struct PlayTime {
    double seconds;
    const char* shown;
};

void PrintTo(const PlayTime& c, std::ostream* out) { *out << c.seconds << " s"; }

class OggFileInfoPlayTime : public ::testing::TestWithParam<PlayTime> {};

// Lengths that are exact in samples at 8000 Hz, so the decoder reports them exactly.
TEST_P(OggFileInfoPlayTime, PlayLengthIsTheRoundedPlayTime)
{
    TempDir dir;
    WriteBytes(dir.Path("a.ogg"), MakeOggVorbis({.channels = 1, .rate = 8000, .seconds = GetParam().seconds}));
    const MPEGData record = ReadOggFileInfo(dir.Path("a.ogg"));
    EXPECT_EQ(record.TimeTotal, GetParam().seconds);
    EXPECT_EQ(record.PlayLength, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(OggFileInfo, OggFileInfoPlayTime,
                         ::testing::Values(PlayTime{2.5, "00:00:02"}, PlayTime{3.5, "00:00:04"},
                                           PlayTime{0.4, "00:00:00"}));

struct LengthText {
    std::int64_t hundredths;
    const char* shown;
};

void PrintTo(const LengthText& c, std::ostream* out) { *out << c.hundredths << " hundredths"; }

const LengthText kPlayLengthTextGrowsPastNinetyNineHours[] = {
    {0, "00:00:00"},
    {RoundedHundredths(3599.5), "01:00:00"},
    {366199, "01:01:01"},
    {99LL * 360000 + 59 * 6000 + 5999, "99:59:59"},
    {100LL * 360000, "100:00:00"},
    {123LL * 360000 + 4 * 6000 + 5 * 100, "123:04:05"},
    {10000LL * 360000, "10000:00:00"}, // past what 32-bit hundredths can hold
};

class OggFileInfoLengthText : public ::testing::TestWithParam<LengthText> {};

TEST_P(OggFileInfoLengthText, PlayLengthTextGrowsPastNinetyNineHours)
{
    EXPECT_EQ(PlayLengthText(GetParam().hundredths), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(OggFileInfo, OggFileInfoLengthText, ::testing::ValuesIn(kPlayLengthTextGrowsPastNinetyNineHours),
                         [](const auto& info) { return TestName(info.param.shown); });

struct ChannelCase {
    int channels;
    std::int32_t blocks;
    const char* mode;
};

void PrintTo(const ChannelCase& c, std::ostream* out) { *out << c.channels << " channels"; }

class OggFileInfoChannels : public ::testing::TestWithParam<ChannelCase> {};

// 27300 = 1365 * 20 = 2730 * 10 samples: the divisor is truncated
// (16384 / 6 = 2730.67, 16384 / 12 = 1365.33), and a rounded or exact one
// would give one block less.
TEST_P(OggFileInfoChannels, BlockCountAndChannelModeFollowTheChannels)
{
    const ChannelCase& c = GetParam();
    TempDir dir;
    WriteBytes(dir.Path("a.ogg"), MakeOggVorbis({.channels = c.channels, .rate = 8000, .seconds = 27300 / 8000.0}));
    const MPEGData record = ReadOggFileInfo(dir.Path("a.ogg"));
    ASSERT_EQ(record.PcmTotal, 27300);
    EXPECT_EQ(record.BlockCount, c.blocks);
    EXPECT_EQ(ComposeOggInformation(record).Lines.at(3), std::string("Channel Mode:\t") + c.mode);
}

INSTANTIATE_TEST_SUITE_P(OggFileInfo, OggFileInfoChannels,
                         ::testing::Values(ChannelCase{1, 3, "Mono"}, ChannelCase{2, 6, "Stereo"},
                                           ChannelCase{3, 10, "3 channels"}, ChannelCase{4, 13, "Quadraphonic"},
                                           ChannelCase{5, 16, "5.0"}, ChannelCase{6, 20, "5.1"},
                                           ChannelCase{7, 23, "6.1"}, ChannelCase{8, 26, "7.1"}),
                         [](const auto& info) { return std::to_string(info.param.channels) + "Channels"; });

// Channels without loudspeaker positions (Opus mapping family 255, or more
// than the layouts go to) are counted, not named.
TEST(OggFileInfo, ChannelModeCountsChannelsWithoutPositions)
{
    MPEGData record;
    record.FileSize = 1000;
    record.Channels = 6;
    record.PlacedChannels = false;
    EXPECT_EQ(ComposeOggInformation(record).Lines.at(3), "Channel Mode:\t6 channels");
    record.Channels = 9;
    record.PlacedChannels = true;
    EXPECT_EQ(ComposeOggInformation(record).Lines.at(3), "Channel Mode:\t9 channels");
}

TEST(OggFileInfo, SamplesPerBlockAreTruncated)
{
    EXPECT_EQ(SamplesPerBlock(1), 8192);
    EXPECT_EQ(SamplesPerBlock(2), 4096);
    EXPECT_EQ(SamplesPerBlock(3), 2730);
}

TEST(OggFileInfo, SerialWithTopBitSetIsNegative)
{
    TempDir dir;
    WriteBytes(dir.Path("a.ogg"), MakeOggVorbis({.seconds = 0.5}, {.serial = 0x80000123u}));
    const MPEGData record = ReadOggFileInfo(dir.Path("a.ogg"));
    EXPECT_EQ(record.SerialNumber, -2147483357);
    EXPECT_EQ(ComposeOggInformation(record).Lines.at(9), "Serial Number:\t-2147483357");
}

TEST(OggFileInfo, ChainedFileSumsLinksAndTakesTheFormatOfTheFirst)
{
    TempDir dir;
    const auto first = MakeOggVorbis({.channels = 2, .rate = 44100, .seconds = 1.0}, {.serial = 11});
    const auto second = MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 2.0, .seed = 2}, {.serial = 22});
    WriteBytes(dir.Path("first.ogg"), first);
    Bytes chained = first;
    chained.insert(chained.end(), second.begin(), second.end());
    WriteBytes(dir.Path("chained.ogg"), chained);

    const MPEGData record = ReadOggFileInfo(dir.Path("chained.ogg"));
    EXPECT_EQ(record.Streams, 2);
    EXPECT_EQ(record.FileSize, static_cast<std::int64_t>(chained.size()));
    EXPECT_EQ(record.TimeTotal, 3.0);
    EXPECT_EQ(record.PlayLength, "00:00:03");
    EXPECT_EQ(record.PcmTotal, 44100 + 44100);
    EXPECT_EQ(record.Rate, 44100);
    EXPECT_EQ(record.Channels, 2);
    EXPECT_EQ(record.SerialNumber, 11);
    EXPECT_EQ(record.BlockCount, 88200 / 4096);
    EXPECT_EQ(record.BitRate, ReadOggFileInfo(dir.Path("first.ogg")).BitRate);
    EXPECT_EQ(ComposeOggInformation(record).Lines.at(8), "Chained Streams:\t2");
}

// Every refusal names the file and says why: the system's reason when the
// name cannot be read as a file, the format's when it is no Ogg Vorbis.
TEST(OggFileInfo, RefusedFilesRaiseTheirReason)
{
    TempDir dir;
    WriteBytes(dir.Path("empty.ogg"), {});
    WriteBytes(dir.Path("text.ogg"), Bytes{'n', 'o', 't', ' ', 'o', 'g', 'g', '\n'});
    auto truncated = MakeOggVorbis({.seconds = 0.5});
    truncated.resize(40); // inside the first page: no complete header
    WriteBytes(dir.Path("truncated.ogg"), truncated);
    std::filesystem::create_directory(dir.Path("folder.ogg"));
    // A pipe must be refused before it is opened: reading it would wait for a writer forever.
    ASSERT_EQ(mkfifo(dir.Path("pipe.ogg").c_str(), 0600), 0);

    struct Case {
        const char* name;
        bool unreadable; // IoError rather than NotOggAudioError
        const char* reason;
    };
    const Case cases[] = {
        {"missing.ogg", true, "No such file or directory"}, {"folder.ogg", true, "Is a directory"},
        {"pipe.ogg", true, "a named pipe"},                 {"empty.ogg", false, "is empty"},
        {"text.ogg", false, "is not an Ogg Vorbis or Opus file"},   {"truncated.ogg", false, "is not an Ogg Vorbis or Opus file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            ReadOggFileInfo(dir.Path(c.name));
            ADD_FAILURE() << "described";
        } catch (const FileError& error) {
            EXPECT_EQ(dynamic_cast<const IoError*>(&error) != nullptr, c.unreadable) << error.what();
            EXPECT_EQ(dynamic_cast<const NotOggAudioError*>(&error) != nullptr, !c.unreadable) << error.what();
            EXPECT_EQ(error.Path(), dir.Path(c.name));
            EXPECT_NE(error.Reason().find(c.reason), std::string::npos) << error.Reason();
        }
    }
}

TEST(OggFileInfo, FileSizeOfTellsFilesFoldersAndNothing)
{
    TempDir dir;
    WriteBytes(dir.Path("three"), Bytes{1, 2, 3});
    WriteBytes(dir.Path("empty"), {});
    std::filesystem::create_symlink(dir.Path("three"), dir.Path("link"));
    EXPECT_EQ(FileSizeOf(dir.Path("three")), 3);
    EXPECT_EQ(FileSizeOf(dir.Path("link")), 3);
    EXPECT_EQ(FileSizeOf(dir.Path("empty")), 0);
    EXPECT_EQ(FileSizeOf(dir.Root()), 0);
    EXPECT_EQ(FileSizeOf(dir.Path("none")), -1);
    EXPECT_EQ(FileSizeOf(dir.Path("three/below")), -1);
}

TEST(OggFileInfo, BitRateCountsTheLastPage)
{
    // All audio on one page: a count that stops at the start of the last
    // page would see no audio bytes at all.
    TempDir dir;
    const auto bytes = MakeOggVorbis({.channels = 1, .rate = 8000, .seconds = 1.0});
    ASSERT_EQ(PagesOf(bytes).back().offset, HeaderPageBytes(bytes));
    WriteBytes(dir.Path("a.ogg"), bytes);
    const MPEGData record = ReadOggFileInfo(dir.Path("a.ogg"));
    EXPECT_EQ(record.BitRate, ExpectedBitRate(bytes, 1.0));
    EXPECT_NE(record.BitRate, "0");
    EXPECT_EQ(record.FileSize, static_cast<std::int64_t>(bytes.size()));
}

TEST(OggFileInfo, TrailingBytesAreNoPartOfTheFile)
{
    // Whatever follows the last page (a short tag, junk that holds a stray
    // capture pattern, more junk than a largest page twice over) is left out
    // of the size, so a join does not copy it and the bit rate does not count it.
    TempDir dir;
    const auto bytes = MakeOggVorbis({.channels = 2, .rate = 22050, .seconds = 2.0, .signal = Signal::Noise});
    Bytes strayCapture(5000, 0x5a);
    std::memcpy(strayCapture.data() + 100, "OggS", 4);
    for (const Bytes& tail : {Bytes(128, 0x20), strayCapture, Bytes(300'000, 0xab)}) {
        Bytes file = bytes;
        file.insert(file.end(), tail.begin(), tail.end());
        WriteBytes(dir.Path("a.ogg"), file);
        const MPEGData record = ReadOggFileInfo(dir.Path("a.ogg"));
        EXPECT_EQ(record.FileSize, static_cast<std::int64_t>(bytes.size())) << tail.size();
        EXPECT_EQ(record.BitRate, ExpectedBitRate(bytes, 2.0));
    }
}

TEST(OggFileInfo, FileWithoutSamplesHasNoBitRate)
{
    // Headers only: the play time is 0, and a rate per second must not divide by it.
    TempDir dir;
    WriteBytes(dir.Path("a.ogg"), MakeOggVorbis({.seconds = 0.0}));
    const MPEGData record = ReadOggFileInfo(dir.Path("a.ogg"));
    EXPECT_EQ(record.PcmTotal, 0);
    EXPECT_EQ(record.BitRate, "0");
    EXPECT_EQ(record.PlayLength, "00:00:00");
    EXPECT_EQ(record.BlockCount, 0);
}

TEST(OggFileInfo, DescribesFilesPastTwoGigabytes)
{
    // A sparse gap before the last page carries it past 2^31 bytes, so the
    // size, the seek to the end and the offsets all need 64 bits. Several
    // audio pages stay before the gap so that the decoder never has to read
    // through it.
    constexpr std::int64_t kGapBytes = (std::int64_t{1} << 31) + 12345;
    TempDir dir;
    const auto bytes = MakeOggVorbis({.channels = 1, .rate = 8000, .seconds = 2.0}, {.flushEveryPackets = 4});
    const std::size_t lastPage = PagesOf(bytes).back().offset;
    ASSERT_GT(lastPage, HeaderPageBytes(bytes));
    const std::string path = dir.Path("large.ogg");
    WriteBytes(path, Bytes(bytes.begin(), bytes.begin() + static_cast<long>(lastPage)));
    std::filesystem::resize_file(path, lastPage + kGapBytes);
    auto out = File::OpenAppend(path);
    out.Write(bytes.data() + lastPage, bytes.size() - lastPage);
    out.Close();
    const std::int64_t size = static_cast<std::int64_t>(bytes.size()) + kGapBytes;
    ASSERT_EQ(FileSizeOf(path), size);

    const MPEGData record = ReadOggFileInfo(path);
    EXPECT_EQ(record.FileSize, size);
    EXPECT_EQ(record.Streams, 1);
    EXPECT_EQ(record.PcmTotal, 16000);
    EXPECT_EQ(record.PlayLength, "00:00:02");
    // The gap counts as bytes of the link: about 8.4 Gbit/s, past 32 bits.
    EXPECT_EQ(record.BitRate, ExpectedBitRate(bytes, 2.0, kGapBytes));
}

TEST(OggInformationText, ListsTheRecordInTenLines)
{
    MPEGData record;
    record.FileName = "x.ogg";
    record.FileSize = 1234567;
    record.BitRate = "128";
    record.PlayLength = "00:04:10";
    record.TimeTotal = 250.4;
    record.Streams = 1;
    record.SerialNumber = -5;
    record.Rate = 44100;
    record.Channels = 2;
    record.PcmTotal = 11042640;

    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "C"); // no grouping: the grouped form is a TimeCode test
    const OggInformationText text = ComposeOggInformation(record);
    std::setlocale(LC_NUMERIC, previous.c_str());

    const std::vector<std::string> expected = {
        "Play Length:\t00:04:10", "Bit Rate:\t\t128 kbps", "Sampling Rate:\t44100", "Channel Mode:\tStereo", "",
        "File Size:\t\t1234567 bytes", "PCM Samples:\t11042640", "", "Chained Streams:\t1", "Serial Number:\t-5",
    };
    EXPECT_EQ(text.Lines, expected);
    // 250 s rounded: 25000 hundredths; quarter 6250, half 12500, three quarters 18750.
    EXPECT_TRUE(text.ChangesTimeLabels);
    EXPECT_EQ(text.TimeLabels[0], "00:01:02");
    EXPECT_EQ(text.TimeLabels[1], "00:02:05");
    EXPECT_EQ(text.TimeLabels[2], "00:03:07");
}

TEST(OggInformationText, RulerUsesThePlayTimeRoundedToEven)
{
    MPEGData record;
    record.FileSize = 1;
    record.TimeTotal = 4.5; // rounds to 4 s, not 5
    const OggInformationText text = ComposeOggInformation(record);
    EXPECT_EQ(text.TimeLabels[0], "00:00:01");
    EXPECT_EQ(text.TimeLabels[1], "00:00:02");
    EXPECT_EQ(text.TimeLabels[2], "00:00:03");
}

TEST(OggInformationText, NoFileGivesOneLineAndKeepsTheRuler)
{
    const OggInformationText text = ComposeOggInformation(MPEGData{});
    EXPECT_EQ(text.Lines, std::vector<std::string>{"No Ogg Information"});
    EXPECT_FALSE(text.ChangesTimeLabels);
}

} // namespace
} // namespace oq::test
