#include "tools/PlayRange.h"
#include "tools/PcmReadAhead.h"
#include "base/Error.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"
#include "tests/support/TestOpus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

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

std::vector<std::int16_t> ReadAll(PcmRangeReader& reader)
{
    std::vector<std::int16_t> samples;
    for (std::vector<char> chunk = reader.Next(); !chunk.empty(); chunk = reader.Next()) {
        EXPECT_LE(chunk.size(), reader.ReadBytes());
        const std::size_t old = samples.size();
        samples.resize(old + chunk.size() / 2);
        std::memcpy(samples.data() + old, chunk.data(), chunk.size());
    }
    return samples;
}

struct ReaderCase {
    const char* name;
    bool opus;
    int channels;
    std::vector<int> fromDecoded; // the decoded channel each channel handed over carries, in loudspeaker order
};

void PrintTo(const ReaderCase& c, std::ostream* out) { *out << c.name; }

std::string WriteSource(const TempDir& dir, const ReaderCase& c)
{
    const std::string path = dir.Path(c.opus ? "source.opus" : "source.ogg");
    WriteBytes(path, c.opus ? MakeOggOpus({.channels = c.channels, .seconds = 4.0, .bitrate = 96000, .signal = OpusSignal::Clipped})
                            : MakeOggVorbis({.channels = c.channels, .seconds = 4.0, .signal = Signal::Noise}));
    return path;
}

// Frames [start, start + length) of one pass's decoding, in the order the reader hands them over.
std::vector<std::int16_t> Expected(const std::vector<std::int16_t>& decoded, const ReaderCase& c, std::int64_t start,
                                   std::int64_t length)
{
    std::vector<std::int16_t> frames;
    const auto channels = static_cast<std::int64_t>(c.channels);
    for (std::int64_t frame = start; frame < start + length && (frame + 1) * channels <= static_cast<std::int64_t>(decoded.size()); ++frame)
        for (const int from : c.fromDecoded)
            frames.push_back(decoded[static_cast<std::size_t>(frame * channels + from)]);
    return frames;
}

class PlayRangeReader : public ::testing::TestWithParam<ReaderCase> {};

// A seek into the middle of an Opus stream needs pre-roll before its output
// is the one pass's, and its clipped material reads whole packets; a range
// ends on its last frame, not on a read's end.
TEST_P(PlayRangeReader, GivesTheOnePassSamplesOfTheRangeInLoudspeakerOrder)
{
    const ReaderCase& c = GetParam();
    TempDir dir;
    const std::string path = WriteSource(dir, c);
    const std::vector<std::int16_t> decoded = c.opus ? DecodeOpusSamples(path) : DecodeSamples(path);
    const std::int64_t total = static_cast<std::int64_t>(decoded.size()) / c.channels;

    // Mid-stream, near the start (less than the pre-roll in), and past the end.
    const std::pair<std::int64_t, std::int64_t> ranges[] = {{total / 2 + 1013, 10007}, {997, 4099}, {total - 3001, 20000}};
    for (const auto& [start, length] : ranges) {
        auto reader = PcmRangeReader::Open(path, start, length);
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->Channels(), c.channels);
        EXPECT_EQ(reader->Rate(), c.opus ? 48000 : 44100);
        EXPECT_EQ(ReadAll(*reader), Expected(decoded, c, start, length)) << "from " << start;
        EXPECT_TRUE(reader->AtEnd());
    }
}

INSTANTIATE_TEST_SUITE_P(PlayRangeTest, PlayRangeReader,
                         ::testing::Values(ReaderCase{"Vorbis stereo", false, 2, {0, 1}},
                                           ReaderCase{"Vorbis 3.0", false, 3, {0, 2, 1}},
                                           ReaderCase{"Opus stereo", true, 2, {0, 1}},
                                           ReaderCase{"Opus 5.1", true, 6, {0, 2, 1, 5, 3, 4}}),
                         [](const auto& info) { return TestName(info.param.name); });

// A range plays the format of the link it starts in and stops at a link of
// another; its pre-roll does not reach back into the link before.
TEST(PlayRangeTest, ReaderKeepsToTheFormatOfItsFirstLink)
{
    TempDir dir;
    const std::string vorbis = dir.Path("chain.ogg");
    Bytes chain = MakeOggVorbis({.channels = 2, .seconds = 1.0, .signal = Signal::Noise});
    Bytes mono = MakeOggVorbis({.channels = 1, .seconds = 1.0, .signal = Signal::Noise}, {.serial = 77});
    chain.insert(chain.end(), mono.begin(), mono.end());
    WriteBytes(vorbis, chain);
    auto reader = PcmRangeReader::Open(vorbis, 0, 88200);
    ASSERT_TRUE(reader);
    EXPECT_EQ(ReadAll(*reader).size(), 44100u * 2); // the stereo link only

    const std::string opus = dir.Path("chain.opus");
    chain = MakeOggOpus({.channels = 2, .seconds = 1.0});
    mono = MakeOggOpus({.channels = 1, .seconds = 1.0, .serial = 77});
    chain.insert(chain.end(), mono.begin(), mono.end());
    WriteBytes(opus, chain);
    const std::vector<std::int16_t> decoded = DecodeOpusSamples(opus);
    constexpr std::int64_t kStereoFrames = 48000;
    reader = PcmRangeReader::Open(opus, kStereoFrames + 1000, 2000);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Channels(), 1);
    const auto monoStart = decoded.begin() + kStereoFrames * 2 + 1000;
    EXPECT_EQ(ReadAll(*reader), std::vector<std::int16_t>(monoStart, monoStart + 2000));
}

// The worker hands over exactly the reader's bytes, whatever the sizes
// taken; a read-ahead that goes while its worker decodes the pre-roll or
// waits for room stops it (a worker deaf to the stop would hang here).
TEST(PlayRangeTest, ReadAheadGivesTheReadersBytesAndGoesAtAnyPoint)
{
    TempDir dir;
    const std::string path = dir.Path("surround.opus");
    WriteBytes(path, MakeOggOpus({.channels = 6, .seconds = 2.5}));
    constexpr std::int64_t kStart = 70001; // the whole pre-roll lies before it
    constexpr std::int64_t kLength = 40009;
    constexpr std::size_t kFrameBytes = 6 * 2;
    constexpr std::size_t kBytesAhead = 2 * PcmRangeReader::kReadBytes;
    std::vector<char> expected;
    const auto reader = PcmRangeReader::Open(path, kStart, kLength);
    for (std::vector<char> read = reader->Next(); !read.empty(); read = reader->Next())
        expected.insert(expected.end(), read.begin(), read.end());
    ASSERT_EQ(expected.size(), kLength * kFrameBytes);

    PcmReadAhead readAhead(PcmRangeReader::Open(path, kStart, kLength), kBytesAhead);
    std::vector<char> taken;
    std::vector<char> piece(3 * PcmRangeReader::kReadBytes);
    // Pieces from one frame to more than a read, in frames.
    for (std::size_t frames = 1; !readAhead.Exhausted(); frames = frames * 7 % (piece.size() / kFrameBytes) + 1) {
        const std::size_t n = readAhead.Take(piece.data(), frames * kFrameBytes);
        taken.insert(taken.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
        if (n == 0)
            std::this_thread::yield();
    }
    EXPECT_TRUE(taken == expected);

    { PcmReadAhead inThePreRoll(PcmRangeReader::Open(path, kStart, kLength), kBytesAhead); }
    PcmReadAhead full(PcmRangeReader::Open(path, kStart, kLength), kBytesAhead);
    while (!full.Primed())
        std::this_thread::yield();
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
