#include "tools/AmplitudeProfile.h"
#include "tools/ProfileAccumulator.h"
#include "media/OggFileInfo.h"
#include "media/ProfileBlock.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

namespace oq::test {
namespace {

constexpr std::size_t kBlockSamples = ProfileAccumulator::kBlockBytes / 2;

// The profile computed straight from the reference decoder's samples,
// without any of the code under test.
std::vector<std::int16_t> ExpectedProfile(const std::vector<std::int16_t>& samples)
{
    std::vector<std::int16_t> entries;
    for (std::size_t start = 0; start <= samples.size(); start += kBlockSamples) {
        long long sum = 0, count = 0;
        for (std::size_t i = start; i < std::min(samples.size(), start + kBlockSamples); ++i) {
            sum += std::abs(samples[i]);
            count += samples[i] != 0;
        }
        entries.push_back(count == 0 ? 0 : static_cast<std::int16_t>(std::min(sum / count, 32767LL)));
    }
    return entries;
}

struct BlockMean {
    const char* label;
    std::vector<std::int16_t> block; // amid zeros
    std::int16_t entry;
};

void PrintTo(const BlockMean& mean, std::ostream* out) { *out << mean.label; }

const BlockMean kBlockMeans[] = {
    {"the zeros around them do not dilute", std::vector<std::int16_t>(100, 1000), 1000},
    {"signs do not count", {-3, 4, -5, 0}, 4},
    {"truncated", {1, 2}, 1},
    {"digital silence", {}, 0},
    {"the mean 32768 does not fit an entry", {-32768, 0, -32768}, 32767},
};

class ProfileBlockMean : public ::testing::TestWithParam<BlockMean> {};

TEST_P(ProfileBlockMean, EntryIsTheMeanOfTheNonZeroSamples)
{
    std::vector<std::int16_t> samples(kBlockSamples, 0);
    std::copy(GetParam().block.begin(), GetParam().block.end(), samples.begin() + 17);
    const Bytes bytes = AsBytes(samples);
    ProfileAccumulator accumulator;
    accumulator.Add(bytes.data(), bytes.size());
    accumulator.Finish();
    EXPECT_EQ(accumulator.Entries(), (std::vector<std::int16_t>{GetParam().entry, 0})) << "the end on a boundary adds a 0";
}

INSTANTIATE_TEST_SUITE_P(ProfileAccumulator, ProfileBlockMean, ::testing::ValuesIn(kBlockMeans),
                         [](const auto& info) { return TestName(info.param.label); });

TEST(ProfileAccumulator, PiecesOfAnySizeAndBlockAlignedPartsGiveTheSameEntries)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> value(-20000, 20000);
    std::vector<std::int16_t> samples(5 * kBlockSamples + 1234);
    for (auto& s : samples)
        s = static_cast<std::int16_t>(value(random) % 3 == 0 ? 0 : value(random));
    const Bytes bytes = AsBytes(samples);

    ProfileAccumulator pieces; // odd sizes split samples between calls
    std::uniform_int_distribution<std::size_t> pieceSize(1, 5000);
    for (std::size_t at = 0, n = 0; at < bytes.size(); at += n) {
        n = std::min(pieceSize(random), bytes.size() - at);
        pieces.Add(bytes.data() + at, n);
    }
    pieces.Finish();
    EXPECT_EQ(pieces.Entries(), ExpectedProfile(samples));

    // Two parts decoded apart, split on a block boundary, joined in order.
    const std::size_t split = 3 * ProfileAccumulator::kBlockBytes;
    ProfileAccumulator first, second;
    EXPECT_EQ(first.Add(bytes.data(), split), 3u);
    second.Add(bytes.data() + split, bytes.size() - split);
    second.Finish();
    auto joined = first.TakeEntries();
    const auto rest = second.TakeEntries();
    joined.insert(joined.end(), rest.begin(), rest.end());
    EXPECT_EQ(joined, pieces.Entries());
}

class AmplitudeProfileFile : public ::testing::Test {
protected:
    std::string Write(const Bytes& ogg)
    {
        WriteBytes(dir_.Path("in.ogg"), ogg);
        return dir_.Path("in.ogg");
    }
    TempDir dir_;
    std::atomic<bool> cancelled_{false};
};

TEST_F(AmplitudeProfileFile, MatchesTheReferenceDecoder)
{
    Bytes damaged = MakeOggVorbis({.seconds = 2.0, .signal = Signal::Mixed}, {.flushEveryPackets = 4});
    damaged[damaged.size() / 2] ^= 0x5A; // a page with a bad checksum: a hole in the stream
    const Bytes files[] = {
        MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 1.7}, {.maxSegments = 5}),
        MakeOggVorbis({.seconds = 1.0, .signal = Signal::Silence}),
        // Frames of 6 and 12 bytes do not divide a block: blocks end inside frames.
        MakeOggVorbis({.channels = 3, .rate = 8000, .seconds = 1.1, .signal = Signal::Noise}),
        MakeOggVorbis({.channels = 6, .rate = 8000, .seconds = 0.9, .signal = Signal::Mixed}),
        damaged,
    };
    for (const Bytes& ogg : files) {
        const std::string path = Write(ogg);
        std::vector<std::int32_t> positions;
        const AmplitudeProfile profile =
            ComputeAmplitudeProfile(path, cancelled_, [&](std::int32_t last) { positions.push_back(last); });
        const auto samples = DecodeSamples(path);
        EXPECT_TRUE(profile.Complete);
        EXPECT_EQ(profile.Entries, ExpectedProfile(samples));
        EXPECT_EQ(profile.LastIndex(), static_cast<std::int32_t>(samples.size() / kBlockSamples));
        EXPECT_EQ(positions.size(), profile.Entries.size());
        EXPECT_EQ(positions.back(), profile.LastIndex());
    }
}

TEST_F(AmplitudeProfileFile, ExactMultipleOfABlockEndsWithAZeroEntry)
{
    // 3 x 4096 stereo frames: exactly three blocks of decoded bytes.
    const std::string path = Write(MakeOggVorbis({.seconds = 3 * 4096 / 44100.0, .signal = Signal::Noise}));
    ASSERT_EQ(DecodeSamples(path).size(), 3 * kBlockSamples);
    const AmplitudeProfile profile = ComputeAmplitudeProfile(path, cancelled_);
    ASSERT_EQ(profile.LastIndex(), 3);
    EXPECT_GT(profile.Entries[2], 0);
    EXPECT_EQ(profile.Entries[3], 0);
}

// Whatever the channels, the decoded block count is the complete profile's
// last index. 27300 frames of 3 or 6 channels (frames of 6 and 12 bytes,
// which do not divide a block) end inside block 9 or 19, where the count a
// file is opened with, its divisor truncated, says 10 or 20.
TEST_F(AmplitudeProfileFile, DecodedBlockCountIsTheLastIndex)
{
    for (const int channels : {1, 2, 3, 6}) {
        const std::string path =
            Write(MakeOggVorbis({.channels = channels, .rate = 8000, .seconds = 27300 / 8000.0, .signal = Signal::Noise}));
        const MPEGData record = ReadOggFileInfo(path);
        ASSERT_EQ(record.PcmTotal, 27300);
        const AmplitudeProfile profile = ComputeAmplitudeProfile(path, cancelled_);
        EXPECT_EQ(DecodedBlockCount(record.PcmTotal, channels), profile.LastIndex()) << channels << " channels";
        EXPECT_EQ(OpeningBlockCount(record.PcmTotal, channels), profile.LastIndex() + (channels % 3 == 0 ? 1 : 0))
            << channels << " channels";
    }
}

TEST_F(AmplitudeProfileFile, CancelIsSeenAfterTheBlockIsStored)
{
    const std::string path = Write(MakeOggVorbis({.seconds = 2.0}));
    const AmplitudeProfile profile =
        ComputeAmplitudeProfile(path, cancelled_, [&](std::int32_t last) { cancelled_ = last == 1; });
    EXPECT_FALSE(profile.Complete);
    const auto expected = ExpectedProfile(DecodeSamples(path));
    EXPECT_EQ(profile.Entries, std::vector<std::int16_t>(expected.begin(), expected.begin() + 2));
}

// Parts decoded on several threads: seams at every page, where block
// boundaries fall near most seams, and seams one or two at a time at spread
// places, so that the blocks that straddle them are counted across parts.
TEST_F(AmplitudeProfileFile, PartsOnSeveralThreadsGiveTheOnePassProfile)
{
    const Bytes files[] = {
        MakeOggVorbis({.seconds = 3.0, .signal = Signal::Mixed}, {.flushEveryPackets = 3}),
        MakeOggVorbis({.channels = 6, .rate = 8000, .seconds = 2.0, .signal = Signal::Noise}, {.flushEveryPackets = 2}),
        MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 2.5}, {.maxSegments = 5, .skewEveryPages = 2, .skewSamples = 300}),
    };
    for (const Bytes& ogg : files) {
        const std::string path = Write(ogg);
        const auto expected = ExpectedProfile(DecodeSamples(path));
        const auto size = static_cast<std::int64_t>(ogg.size());
        std::vector<PartLayout> layouts;
        std::vector<std::int64_t> everyOffset(ogg.size());
        std::iota(everyOffset.begin(), everyOffset.end(), 1);
        layouts.push_back({.Threads = 2, .Targets = everyOffset, .OnePassOnMismatch = false});
        layouts.push_back({.Threads = 3, .Targets = std::vector<std::int64_t>{size / 3, 2 * size / 3}, .OnePassOnMismatch = false});
        for (int k = 1; k < 12; ++k)
            layouts.push_back({.Threads = 2, .Targets = std::vector<std::int64_t>{size * k / 12}, .OnePassOnMismatch = false});
        for (const PartLayout& layout : layouts) {
            std::vector<std::int32_t> positions;
            const AmplitudeProfile profile = ComputeAmplitudeProfile(
                path, cancelled_, [&](std::int32_t last) { positions.push_back(last); }, layout);
            EXPECT_TRUE(profile.Complete);
            EXPECT_EQ(profile.Entries, expected) << layout.Targets->size() << " targets from " << layout.Targets->front();
            std::vector<std::int32_t> inOrder(expected.size());
            std::iota(inOrder.begin(), inOrder.end(), 0);
            EXPECT_EQ(positions, inOrder);
        }
    }
}

TEST_F(AmplitudeProfileFile, CancelWhileInPartsKeepsTheReportedFront)
{
    const Bytes ogg = MakeOggVorbis({.seconds = 4.0}, {.flushEveryPackets = 3});
    const std::string path = Write(ogg);
    std::vector<std::int64_t> everyOffset(ogg.size());
    std::iota(everyOffset.begin(), everyOffset.end(), 1);
    const AmplitudeProfile profile = ComputeAmplitudeProfile(
        path, cancelled_, [&](std::int32_t last) { cancelled_ = last == 5; }, {.Threads = 2, .Targets = everyOffset, .OnePassOnMismatch = false});
    EXPECT_FALSE(profile.Complete);
    const auto expected = ExpectedProfile(DecodeSamples(path));
    EXPECT_EQ(profile.Entries, std::vector<std::int16_t>(expected.begin(), expected.begin() + 6));
}

TEST_F(AmplitudeProfileFile, UnreadableFilesGiveAnEmptyIncompleteProfile)
{
    WriteBytes(dir_.Path("text.ogg"), Bytes(5000, 'x'));
    for (const std::string& path : {dir_.Path("missing.ogg"), dir_.Path("text.ogg"), dir_.Root()}) {
        const AmplitudeProfile profile = ComputeAmplitudeProfile(path, cancelled_);
        EXPECT_EQ(profile.LastIndex(), -1) << path;
        EXPECT_FALSE(profile.Complete) << path;
    }
}

} // namespace
} // namespace oq::test
