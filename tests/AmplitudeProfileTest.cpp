#include "decode/AmplitudeProfile.h"
#include "decode/ProfileAccumulator.h"
#include "tests/support/TestAudio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace oq::test {
namespace {

constexpr std::size_t kBlockSamples = ProfileAccumulator::kBlockBytes / 2;

// The profile computed straight from the reference decoder's samples, the
// way the display expects it, without any of the code under test.
std::vector<std::int16_t> ExpectedProfile(const std::vector<std::int16_t>& samples)
{
    std::vector<std::int16_t> entries;
    for (std::size_t start = 0; start <= samples.size(); start += kBlockSamples) {
        long long sum = 0, count = 0;
        for (std::size_t i = start; i < std::min(samples.size(), start + kBlockSamples); ++i) {
            if (samples[i] != 0) {
                sum += std::llabs(samples[i]);
                ++count;
            }
        }
        entries.push_back(count == 0 ? 0 : static_cast<std::int16_t>(std::min(sum / count, 32767LL)));
    }
    return entries;
}

Bytes AsBytes(const std::vector<std::int16_t>& samples)
{
    Bytes bytes;
    for (const std::int16_t s : samples) {
        bytes.push_back(static_cast<unsigned char>(s & 0xFF));
        bytes.push_back(static_cast<unsigned char>((static_cast<std::uint16_t>(s) >> 8) & 0xFF));
    }
    return bytes;
}

std::vector<std::int16_t> Accumulate(const std::vector<std::int16_t>& samples)
{
    const Bytes bytes = AsBytes(samples);
    ProfileAccumulator accumulator;
    accumulator.Add(bytes.data(), bytes.size());
    accumulator.Finish();
    return accumulator.TakeEntries();
}

TEST(ProfileAccumulator, EntryIsTheMeanOfTheNonZeroSamples)
{
    struct Case {
        const char* what;
        std::vector<std::int16_t> block; // the rest of the block is zeros
        std::int16_t entry;
    };
    const Case cases[] = {
        {"zeros do not dilute", std::vector<std::int16_t>(100, 1000), 1000},
        {"magnitudes of both signs", {-3, 4, -5, 0, 0}, 4},
        {"mean truncates", {1, 2}, 1},
        {"digital silence", {}, 0},
        {"every non-zero sample at the negative limit", {-32768, 0, -32768}, 32767},
        {"the positive limit", {32767, 32767}, 32767},
    };
    for (const Case& c : cases) {
        std::vector<std::int16_t> samples(kBlockSamples, 0);
        std::copy(c.block.begin(), c.block.end(), samples.begin() + 17);
        const auto entries = Accumulate(samples);
        ASSERT_EQ(entries.size(), 2u) << c.what;
        EXPECT_EQ(entries[0], c.entry) << c.what;
        EXPECT_EQ(entries[1], 0) << c.what << ": the end meets a block boundary";
    }
}

TEST(ProfileAccumulator, EndBlockKeepsWhatItGot)
{
    std::vector<std::int16_t> samples(2 * kBlockSamples + 10, 0);
    samples[kBlockSamples - 1] = 500;         // last sample of block 0
    samples[kBlockSamples] = -700;            // first sample of block 1
    samples[2 * kBlockSamples + 9] = 90;      // in the short end block
    EXPECT_EQ(Accumulate(samples), (std::vector<std::int16_t>{500, 700, 90}));
    EXPECT_EQ(Accumulate({}), (std::vector<std::int16_t>{0}));
}

TEST(ProfileAccumulator, PiecesOfAnySizeAndBlockAlignedPartsGiveTheSameEntries)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> value(-20000, 20000);
    std::vector<std::int16_t> samples(5 * kBlockSamples + 1234);
    for (auto& s : samples)
        s = static_cast<std::int16_t>(value(random) % 3 == 0 ? 0 : value(random));
    const Bytes bytes = AsBytes(samples);
    const auto whole = Accumulate(samples);
    ASSERT_EQ(whole, ExpectedProfile(samples));

    // Odd piece sizes split samples between calls.
    ProfileAccumulator pieces;
    std::uniform_int_distribution<std::size_t> pieceSize(1, 5000);
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = std::min(pieceSize(random), bytes.size() - at);
        pieces.Add(bytes.data() + at, n);
        at += n;
    }
    pieces.Finish();
    EXPECT_EQ(pieces.Entries(), whole);

    // Two parts decoded apart, split on a block boundary, joined in order.
    const std::size_t split = 3 * ProfileAccumulator::kBlockBytes;
    ProfileAccumulator first, second;
    EXPECT_EQ(first.Add(bytes.data(), split), 3u);
    second.Add(bytes.data() + split, bytes.size() - split);
    second.Finish();
    auto joined = first.TakeEntries();
    const auto rest = second.TakeEntries();
    joined.insert(joined.end(), rest.begin(), rest.end());
    EXPECT_EQ(joined, whole);
}

class AmplitudeProfileFile : public ::testing::Test {
protected:
    std::string Write(const AudioSpec& spec, const PageLayout& layout = {})
    {
        const std::string path = dir_.Path("in.ogg");
        WriteBytes(path, MakeOggVorbis(spec, layout));
        return path;
    }
    TempDir dir_;
    std::atomic<bool> cancelled_{false};
};

TEST_F(AmplitudeProfileFile, MatchesTheReferenceDecoderForEveryShape)
{
    const AudioSpec specs[] = {
        {.channels = 2, .rate = 44100, .seconds = 2.3, .signal = Signal::Mixed},
        {.channels = 1, .rate = 22050, .seconds = 1.7, .signal = Signal::Tone},
        // Frames of 6 and 12 bytes do not divide a block: a block ends inside a frame.
        {.channels = 3, .rate = 8000, .seconds = 1.1, .signal = Signal::Noise},
        {.channels = 6, .rate = 8000, .seconds = 0.9, .signal = Signal::Mixed},
    };
    for (const AudioSpec& spec : specs) {
        const std::string path = Write(spec, {.maxSegments = 5});
        std::vector<std::int32_t> positions;
        const AmplitudeProfile profile =
            ComputeAmplitudeProfile(path, cancelled_, [&](std::int32_t last) { positions.push_back(last); });
        const auto samples = DecodeSamples(path);
        EXPECT_TRUE(profile.Complete);
        EXPECT_EQ(profile.Entries, ExpectedProfile(samples)) << spec.channels << " channels";
        EXPECT_EQ(profile.LastIndex(), static_cast<std::int32_t>(samples.size() * 2 / ProfileAccumulator::kBlockBytes));
        ASSERT_EQ(positions.size(), profile.Entries.size());
        for (std::size_t i = 0; i < positions.size(); ++i)
            EXPECT_EQ(positions[i], static_cast<std::int32_t>(i));
    }
}

TEST_F(AmplitudeProfileFile, SilenceGivesZeros)
{
    const AmplitudeProfile profile = ComputeAmplitudeProfile(Write({.seconds = 1.0, .signal = Signal::Silence}), cancelled_);
    ASSERT_EQ(profile.Entries.size(), 44100u * 4 / ProfileAccumulator::kBlockBytes + 1);
    for (const auto entry : profile.Entries)
        EXPECT_EQ(entry, 0);
}

TEST_F(AmplitudeProfileFile, ExactMultipleOfABlockEndsWithAZeroEntry)
{
    // 3 x 4096 stereo frames: exactly three blocks of decoded bytes.
    const std::string path = Write({.channels = 2, .rate = 44100, .seconds = 3 * 4096 / 44100.0, .signal = Signal::Noise});
    ASSERT_EQ(DecodeSamples(path).size(), 3 * kBlockSamples);
    const AmplitudeProfile profile = ComputeAmplitudeProfile(path, cancelled_);
    ASSERT_EQ(profile.Entries.size(), 4u);
    EXPECT_EQ(profile.LastIndex(), 3);
    EXPECT_GT(profile.Entries[2], 0);
    EXPECT_EQ(profile.Entries[3], 0);
    EXPECT_TRUE(profile.Complete);
}

TEST_F(AmplitudeProfileFile, CancelIsSeenAfterTheBlockIsStored)
{
    const std::string path = Write({.seconds = 2.0, .signal = Signal::Tone});
    const AmplitudeProfile profile = ComputeAmplitudeProfile(path, cancelled_, [&](std::int32_t last) {
        if (last == 1)
            cancelled_ = true;
    });
    EXPECT_FALSE(profile.Complete);
    ASSERT_EQ(profile.Entries.size(), 2u);
    const auto expected = ExpectedProfile(DecodeSamples(path));
    EXPECT_EQ(profile.Entries[0], expected[0]);
    EXPECT_EQ(profile.Entries[1], expected[1]);
}

TEST_F(AmplitudeProfileFile, DamagedPagesArePassedOver)
{
    Bytes bytes = MakeOggVorbis({.seconds = 2.0, .signal = Signal::Mixed}, {.flushEveryPackets = 4});
    bytes[bytes.size() / 2] ^= 0x5A; // breaks one page's checksum: a hole in the stream
    const std::string path = dir_.Path("damaged.ogg");
    WriteBytes(path, bytes);
    const AmplitudeProfile profile = ComputeAmplitudeProfile(path, cancelled_);
    EXPECT_TRUE(profile.Complete);
    EXPECT_EQ(profile.Entries, ExpectedProfile(DecodeSamples(path)));
}

TEST_F(AmplitudeProfileFile, UnreadableFilesGiveAnEmptyIncompleteProfile)
{
    WriteBytes(dir_.Path("text.ogg"), Bytes(5000, 'x'));
    for (const std::string& path : {dir_.Path("missing.ogg"), dir_.Path("text.ogg"), dir_.Root()}) {
        const AmplitudeProfile profile = ComputeAmplitudeProfile(path, cancelled_);
        EXPECT_TRUE(profile.Entries.empty()) << path;
        EXPECT_FALSE(profile.Complete) << path;
        EXPECT_EQ(profile.LastIndex(), -1);
    }
}

} // namespace
} // namespace oq::test
