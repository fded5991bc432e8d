#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "codec/ChannelLayout.h"
#include "media/OggFileInfo.h"
#include "media/StreamPlan.h"
#include "tests/support/CliRunner.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/TestOpus.h"
#include "tools/AmplitudeProfile.h"
#include "tools/SourceReader.h"
#include "tools/WavWriter.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>

namespace oq::test {
namespace {

MPEGData Describe(const std::string& path) { return ReadOggFileInfo(path); }

// Where the packet clock ends the file's decoded output.
std::int64_t ClockedFrames(const std::string& path)
{
    SourceReader reader(path);
    reader.CaptureHeaders();
    SourcePacket packet;
    std::int64_t end = 0;
    while (reader.NextPacket(packet))
        end = packet.Time.End;
    return end;
}

// Parts from starts spread over the file: targets at each eighth of it.
PartLayout EighthParts(const std::string& path)
{
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(path));
    std::vector<std::int64_t> targets;
    for (int k = 1; k < 8; ++k)
        targets.push_back(size * k / 8);
    return {.Threads = 2, .Targets = targets, .OnePassOnMismatch = false};
}

// A WAV file's sample data: what follows its "data" chunk's head.
Bytes WavData(const Bytes& wav)
{
    for (std::size_t at = 12; at + 8 <= wav.size();) {
        const std::size_t size = wav[at + 4] | wav[at + 5] << 8 | wav[at + 6] << 16 | std::size_t{wav[at + 7]} << 24;
        if (std::equal(wav.begin() + static_cast<std::ptrdiff_t>(at), wav.begin() + static_cast<std::ptrdiff_t>(at) + 4, "data"))
            return Bytes(wav.begin() + static_cast<std::ptrdiff_t>(at) + 8, wav.end());
        at += 8 + size;
    }
    return {};
}

// The file library's samples as a WAV file orders them.
Bytes InWavOrder(const std::vector<std::int16_t>& samples, int channels)
{
    Bytes bytes = AsBytes(samples);
    ChannelLayout(channels).ToWavOrder(bytes.data(), bytes.size());
    return bytes;
}

// The WAV conversion's bytes, sample data only.
Bytes ConvertedData(const std::string& path, const std::string& wav, const PartLayout& layout)
{
    JobControl control;
    JobObserver observer;
    EXPECT_EQ(ConvertToWav(path, wav, control, observer, kMostRiffSize, layout), WavOutcome::Written);
    return WavData(ReadBytes(wav));
}

struct Shape {
    const char* name;
    OpusSpec spec;
};

void PrintTo(const Shape& c, std::ostream* out) { *out << c.name; }

class OpusShapeTest : public ::testing::TestWithParam<Shape> {
protected:
    TempDir dir_;
};

// The record, the packet clock and the decoded bytes all count 48 kHz samples
// after the pre-skip, and the WAV conversion gives the file library's bytes.
TEST_P(OpusShapeTest, IsDescribedClockedAndConvertedAsTheFileLibraryDecodesIt)
{
    const OpusSpec& spec = GetParam().spec;
    const std::string path = dir_.Path("song.opus");
    WriteBytes(path, MakeOggOpus(spec));

    const MPEGData record = Describe(path);
    EXPECT_EQ(record.Codec, "Opus");
    EXPECT_EQ(record.Version, 1);
    EXPECT_EQ(record.Rate, 48000);
    EXPECT_EQ(record.Channels, spec.channels);
    EXPECT_EQ(record.PcmTotal, OpusInputFrames(spec));
    EXPECT_NEAR(std::stod(record.BitRate), spec.bitrate / 1024.0, spec.bitrate / 1024.0 * 0.35);
    EXPECT_EQ(ClockedFrames(path), record.PcmTotal);

    const std::vector<std::int16_t> samples = DecodeOpusSamples(path);
    ASSERT_EQ(static_cast<std::int64_t>(samples.size()), record.PcmTotal * spec.channels);
    const CliResult wav = RunCli({"wav", path, "--quiet"});
    ASSERT_EQ(wav.Status, 0) << wav.Err;
    const Bytes expected = InWavOrder(samples, spec.channels);
    EXPECT_TRUE(WavData(ReadBytes(dir_.Path("song.wav"))) == expected);

    const std::atomic<bool> cancelled{false};
    const AmplitudeProfile profile = ComputeAmplitudeProfile(path, cancelled);
    EXPECT_TRUE(profile.Complete);
    EXPECT_EQ(profile.LastIndex(), record.PcmTotal * spec.channels * 2 / 16384);

    // Decoded in parts, those after the first begun on pre-roll well inside
    // the stream: the same bytes, and no join found wanting.
    const PartLayout parts = EighthParts(path);
    const auto plan = StreamPlan::Scan(path, *parts.Targets);
    ASSERT_TRUE(plan);
    EXPECT_GT(plan->Starts().back().Restart.Offset, plan->Starts().front().Offset) << "no part restarts on pre-roll";
    EXPECT_TRUE(ConvertedData(path, dir_.Path("parts.wav"), parts) == expected);
    const AmplitudeProfile whole = ComputeAmplitudeProfile(path, cancelled, {}, {.Targets = std::vector<std::int64_t>{}});
    EXPECT_EQ(ComputeAmplitudeProfile(path, cancelled, {}, parts).Entries, whole.Entries);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, OpusShapeTest,
    ::testing::Values(Shape{"MonoSpeech8k", {.channels = 1, .seconds = 4.0, .bitrate = 8000, .frameMs = 60, .signal = OpusSignal::Speech}},
                      Shape{"StereoMusic64k", {.channels = 2, .seconds = 3.0, .bitrate = 64000, .frameMs = 2.5}},
                      Shape{"StereoClipped96k", {.channels = 2, .seconds = 4.0, .bitrate = 96000, .frameMs = 60, .signal = OpusSignal::Clipped}},
                      Shape{"Surround256k", {.channels = 6, .seconds = 3.0, .bitrate = 256000, .frameMs = 20}}),
    [](const auto& info) { return std::string(info.param.name); });

// A part begun on too short a pre-roll does not reach the output of the part
// before it: the join is found wanting, and the file is converted again in
// one pass.
TEST(OpusPartsTest, APartBegunWithoutPreRollFailsItsJoin)
{
    TempDir dir;
    const std::string path = dir.Path("song.opus");
    WriteBytes(path, MakeOggOpus({.channels = 2, .seconds = 3.0}));
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(path));
    PartLayout layout{.Threads = 2, .Targets = std::vector<std::int64_t>{size / 2}, .PreRoll = 0, .OnePassOnMismatch = false};
    JobControl control;
    JobObserver observer;
    EXPECT_THROW(ConvertToWav(path, dir.Path("parts.wav"), control, observer, kMostRiffSize, layout), StreamPlanMismatch);
    layout.OnePassOnMismatch = true;
    EXPECT_TRUE(ConvertedData(path, dir.Path("parts.wav"), layout) == AsBytes(DecodeOpusSamples(path)));
}

TEST(OpusStartTest, StreamStartingAfterZeroKeepsItsLength)
{
    TempDir dir;
    const OpusSpec spec{.channels = 2, .seconds = 3.0};
    const std::string path = dir.Path("late.opus");
    WriteBytes(path, WithStartGranule(MakeOggOpus(spec), 48000 * 3));
    EXPECT_EQ(Describe(path).PcmTotal, OpusInputFrames(spec));
    EXPECT_EQ(ClockedFrames(path), OpusInputFrames(spec));
    EXPECT_TRUE(ConvertedData(path, dir.Path("parts.wav"), EighthParts(path)) == AsBytes(DecodeOpusSamples(path)));
}

TEST(OpusToolsTest, JoinsAndSplitsOpusFilesAndRefusesMixedJoins)
{
    TempDir dir;
    const std::string a = dir.Path("a.opus"), b = dir.Path("b.ogg"), vorbis = dir.Path("v.ogg");
    WriteBytes(a, MakeOggOpus({.channels = 2, .seconds = 1.0, .serial = 1}));
    WriteBytes(b, MakeOggOpus({.channels = 1, .seconds = 0.5, .serial = 2}));
    WriteBytes(vorbis, MakeOggVorbis({.seconds = 1.0}));

    const std::string joined = dir.Path("joined.opus");
    const CliResult join = RunCli({"join", "--out", joined, a, b, "--quiet"});
    ASSERT_EQ(join.Status, 0) << join.Err;
    const MPEGData record = Describe(joined);
    EXPECT_EQ(record.Streams, 2);
    EXPECT_EQ(record.PcmTotal, 48000 + 24000);
    std::vector<std::int16_t> expected = DecodeOpusSamples(a);
    const std::vector<std::int16_t> second = DecodeOpusSamples(b);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(DecodeOpusSamples(joined), expected);

    const std::string mixed = dir.Path("mixed.ogg");
    const CliResult refused = RunCli({"join", "--out", mixed, a, vorbis, "--quiet"});
    EXPECT_NE(refused.Status, 0);
    EXPECT_NE(refused.Err.find("Vorbis and Opus files cannot be joined"), std::string::npos) << refused.Err;
    EXPECT_FALSE(std::filesystem::exists(mixed));

    // The command line's split of an Opus file: sections of exactly their length.
    const std::string sections = dir.Path("sections");
    std::filesystem::create_directory(sections);
    const CliResult split = RunCli({"split", a, "--at-samples", "24000", "--out", sections, "--pre", "p", "--post", ".opus", "--quiet"});
    ASSERT_EQ(split.Status, 0) << split.Err;
    EXPECT_EQ(Describe(sections + "/p01.opus").PcmTotal, 24000);
    EXPECT_EQ(Describe(sections + "/p02.opus").PcmTotal, 48000 - 24000);

    // The check made before a run knows that an Opus section may lie inside
    // one packet (20 ms = 960 samples).
    const CliResult inner = RunCli({"split", a, "--at-samples", "24000,24010", "--out", sections, "--pre", "q",
                                    "--post", ".opus", "--quiet"});
    ASSERT_EQ(inner.Status, 0) << inner.Err;
    EXPECT_EQ(Describe(sections + "/q02.opus").PcmTotal, 10);
}

} // namespace
} // namespace oq::test
