#include "tools/PlayRange.h"
#include "base/Error.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"

#include <gtest/gtest.h>

#include <cstring>

namespace oq::test {
namespace {

// 10 s of 44.1 kHz in 1000 blocks: a block is 441 frames, a second 100 blocks.
MPEGData TenSeconds()
{
    MPEGData file;
    file.FileSize = 1;
    file.BlockCount = 1000;
    file.TimeTotal = 10.0;
    file.PcmTotal = 441000;
    return file;
}

struct RangeCase {
    const char* name;
    std::int32_t position;
    int seconds;
    bool upTo;
    PlayRange expected;
};

void PrintTo(const RangeCase& c, std::ostream* out) { *out << c.name; }

const RangeCase kRanges[] = {
    {"from the first marker", 0, 6, false, {0, 264600}},
    {"from the middle, past the end", 500, 6, false, {220500, 264600}},
    {"from the end plays nothing", 1000, 6, false, {0, 0}},
    {"up to 8 s", 800, 6, true, {88200, 264600}},
    {"up to 2 s plays the first 6 s", 200, 6, true, {0, 264600}},
    {"up to the first marker", 0, 6, true, {0, 264600}},
    {"up to the end", 1000, 1, true, {396900, 44100}},
    {"longer than the file plays it whole", 1000, 250, true, {0, 441000}},
    {"no length plays one second", 300, 0, false, {132300, 44100}},
};

class PlayRangeOfMarker : public ::testing::TestWithParam<RangeCase> {};

TEST_P(PlayRangeOfMarker, StartAndLengthFollowTheMarkerAndThePlayLength)
{
    const RangeCase& c = GetParam();
    EXPECT_EQ(ComputePlayRange(TenSeconds(), c.position, c.seconds, c.upTo), c.expected);
}

INSTANTIATE_TEST_SUITE_P(PlayRangeTest, PlayRangeOfMarker, ::testing::ValuesIn(kRanges),
                         [](const auto& info) { return TestName(info.param.name); });

TEST(PlayRangeTest, ARecordWithoutLengthPlaysNothing)
{
    MPEGData noBlocks = TenSeconds();
    noBlocks.BlockCount = 0;
    MPEGData noTime = TenSeconds();
    noTime.TimeTotal = 0;
    MPEGData tinyTime = TenSeconds();
    tinyTime.TimeTotal = 1e-300; // the length must not overflow on the way to the cap
    EXPECT_EQ(ComputePlayRange(noBlocks, 0, 6, false), PlayRange{});
    EXPECT_EQ(ComputePlayRange(noTime, 0, 6, false), PlayRange{});
    EXPECT_EQ(ComputePlayRange(tinyTime, 0, 6, false), (PlayRange{0, 441000}));
}

std::vector<std::int16_t> ReadAll(PcmRangeReader& reader, std::size_t* reads = nullptr)
{
    std::vector<std::int16_t> samples;
    for (std::vector<char> chunk = reader.Next(); !chunk.empty(); chunk = reader.Next()) {
        EXPECT_LE(chunk.size(), static_cast<std::size_t>(PcmRangeReader::kReadBytes));
        const std::size_t old = samples.size();
        samples.resize(old + chunk.size() / 2);
        std::memcpy(samples.data() + old, chunk.data(), chunk.size());
        if (reads)
            ++*reads;
    }
    return samples;
}

TEST(PlayRangeTest, ReaderGivesTheDecodedRangeInWholeReads)
{
    TempDir dir;
    const std::string path = dir.Path("noise.ogg");
    WriteBytes(path, MakeOggVorbis({.channels = 2, .seconds = 3.0, .signal = Signal::Noise}));
    const std::vector<std::int16_t> decoded = DecodeSamples(path);

    constexpr std::int64_t kStart = 30011;
    constexpr std::int64_t kLength = 10007;
    auto reader = PcmRangeReader::Open(path, kStart, kLength);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Channels(), 2);
    EXPECT_EQ(reader->Rate(), 44100);
    const std::vector<std::int16_t> heard = ReadAll(*reader);
    // The last read is kept whole: at most one read past the range.
    ASSERT_GE(heard.size(), static_cast<std::size_t>(kLength * 2));
    EXPECT_LT(heard.size(), static_cast<std::size_t>(kLength * 2 + PcmRangeReader::kReadBytes / 2));
    EXPECT_TRUE(std::equal(heard.begin(), heard.end(), decoded.begin() + kStart * 2));
    EXPECT_TRUE(reader->AtEnd());

    // A range past the end of the stream stops with the stream.
    auto tail = PcmRangeReader::Open(path, 44100 * 2, 44100 * 5);
    ASSERT_TRUE(tail);
    EXPECT_EQ(ReadAll(*tail).size(), decoded.size() - 44100 * 2 * 2);
}

TEST(PlayRangeTest, ReaderStopsAtALinkOfAnotherFormat)
{
    TempDir dir;
    const std::string path = dir.Path("chain.ogg");
    Bytes chain = MakeOggVorbis({.channels = 2, .seconds = 1.0, .signal = Signal::Noise});
    const Bytes mono = MakeOggVorbis({.channels = 1, .seconds = 1.0, .signal = Signal::Noise}, {.serial = 77});
    chain.insert(chain.end(), mono.begin(), mono.end());
    WriteBytes(path, chain);

    auto reader = PcmRangeReader::Open(path, 0, 88200);
    ASSERT_TRUE(reader);
    EXPECT_EQ(ReadAll(*reader).size(), 44100u * 2); // the stereo link only
}

TEST(PlayRangeTest, NothingOpensForAMissingOrForeignFile)
{
    TempDir dir;
    WriteBytes(dir.Path("text.ogg"), Bytes(5000, 'x'));
    EXPECT_THROW(PcmRangeReader::Open(dir.Path("missing.ogg"), 0, 100), IoError);
    EXPECT_THROW(PcmRangeReader::Open(dir.Path("text.ogg"), 0, 100), NotOggAudioError);
}

} // namespace
} // namespace oq::test
