// The benchmark's measuring tools: a wrong cut point, time text or peak
// figure would make every benchmark figure misleading without failing.
#ifdef OQ_BENCH_TOOLS

#include "bench/BenchReport.h"
#include "bench/ChildRun.h"
#include "bench/PacketFloor.h"
#include "bench/PeerCommands.h"
#include "bench/SplitRun.h"
#include "bench/TimedRounds.h"
#include "bench/VariedAudio.h"
#include "vorbis/VorbisFile.h"
#include "base/Error.h"
#include "tools/SourceReader.h"
#include "tests/support/OggCheck.h"
#include "tests/support/TestAudio.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

namespace oq::bench {
namespace {

using test::TempDir;

struct CutCase {
    std::int64_t total;
    int sections;
};

void PrintTo(const CutCase& c, std::ostream* out) { *out << c.total << " samples in " << c.sections << " sections"; }

class BenchCutPoints : public ::testing::TestWithParam<CutCase> {};

TEST_P(BenchCutPoints, DivideIntoSectionsDifferingByAtMostOneSample)
{
    const auto [total, sections] = GetParam();
    const auto cuts = EqualCutPoints(total, sections);
    ASSERT_EQ(cuts.size(), static_cast<std::size_t>(sections - 1));
    std::int64_t previous = 0, shortest = total, longest = 0;
    for (std::size_t k = 0; k <= cuts.size(); ++k) {
        const std::int64_t end = k < cuts.size() ? cuts[k] : total;
        shortest = std::min(shortest, end - previous);
        longest = std::max(longest, end - previous);
        previous = end;
    }
    EXPECT_GE(shortest, 1);
    EXPECT_LE(longest - shortest, 1);
}

INSTANTIATE_TEST_SUITE_P(Bench, BenchCutPoints,
                         ::testing::Values(CutCase{100, 10}, CutCase{103, 4}, CutCase{119070000, 10}, CutCase{7, 7},
                                           CutCase{5, 1}));

TEST(BenchCutPointsRefused, MoreSectionsThanSamplesOrNone)
{
    EXPECT_THROW(EqualCutPoints(5, 6), std::invalid_argument);
    EXPECT_THROW(EqualCutPoints(5, 0), std::invalid_argument);
}

struct TimeCase {
    std::int64_t sample;
    long rate;
    const char* text;
};

void PrintTo(const TimeCase& c, std::ostream* out) { *out << "sample " << c.sample << " at " << c.rate << " Hz"; }

class BenchSplitterTime : public ::testing::TestWithParam<TimeCase> {};

TEST_P(BenchSplitterTime, IsMinutesSecondsHundredthsRoundedToNearest)
{
    EXPECT_EQ(SplitterTime(GetParam().sample, GetParam().rate), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Bench, BenchSplitterTime,
                         ::testing::Values(TimeCase{0, 44100, "0.00.00"},
                                           TimeCase{44100 * 61 + 22050, 44100, "1.01.50"},
                                           TimeCase{44100LL * 3725, 44100, "62.05.00"}, // minutes past 59 stay minutes
                                           TimeCase{221, 44100, "0.00.01"},             // 5.01 ms rounds up
                                           TimeCase{219, 44100, "0.00.00"},             // 4.97 ms rounds down
                                           TimeCase{59995, 1000, "1.00.00"})); // the rounding carries into the minute

TEST(BenchPeerCommands, VcutRunsCutWhatThePreviousOneLeftAtTheDistanceBetweenCuts)
{
    const auto chain = VcutChain("vcut", "in.ogg", "out", {44100, 110250, 441000});
    const std::vector<std::vector<std::string>> expected = {
        {"vcut", "in.ogg", "out/vcut01.ogg", "out/rest01.ogg", "44100"},
        {"vcut", "out/rest01.ogg", "out/vcut02.ogg", "out/rest02.ogg", "66150"},
        {"vcut", "out/rest02.ogg", "out/vcut03.ogg", "out/vcut04.ogg", "330750"},
    };
    EXPECT_EQ(chain, expected);
}

TEST(BenchChildRun, PeakMemoryIsTheChildsOwn)
{
    constexpr std::size_t kTouched = 64u << 20;
    const ChildOutcome idle = RunInChild([] {});
    const ChildOutcome busy = RunInChild([] {
        std::vector<char> block(kTouched);
        std::memset(block.data(), 1, block.size()); // resident only once written
        if (block[kTouched / 2] != 1)
            throw std::runtime_error("unreachable");
    });
    ASSERT_TRUE(idle.Ok());
    ASSERT_TRUE(busy.Ok());
    EXPECT_GE(busy.PeakBytes, static_cast<std::int64_t>(kTouched));
    EXPECT_GT(busy.CpuSeconds, 0.0);
    EXPECT_LT(idle.PeakBytes, static_cast<std::int64_t>(kTouched / 4));
    EXPECT_GE(idle.PeakBytes, 1);
}

TEST(BenchChildRun, ReportsFailuresOfWorkAndCommands)
{
    EXPECT_EQ(RunInChild([] { throw std::runtime_error("expected failure of a test child"); }).ExitCode, 1);

    const ChildOutcome failed = RunCommand({"sh", "-c", "echo some output; echo the reason >&2; exit 3"});
    EXPECT_EQ(failed.ExitCode, 3);
    EXPECT_EQ(failed.Errors, "the reason\n");
    EXPECT_FALSE(failed.Ok());

    EXPECT_EQ(RunCommand({"sh", "-c", "kill -9 $$"}).ExitCode, 128 + 9);
    EXPECT_EQ(RunCommand({"/nonexistent/program"}).ExitCode, 127);

    const ChildOutcome slow = RunCommand({"sleep", "0.2"});
    EXPECT_TRUE(slow.Ok());
    EXPECT_GE(slow.Seconds, 0.2);
    EXPECT_LT(slow.CpuSeconds, 0.1); // waiting costs no processor time
}

TEST(BenchChildRun, MedianShrugsOffOutliers)
{
    auto runs = [](std::vector<double> seconds) {
        std::vector<ChildOutcome> outcomes;
        for (double s : seconds)
            outcomes.push_back(
                {.Seconds = s, .CpuSeconds = s / 2, .PeakBytes = static_cast<std::int64_t>(s * 10), .Errors = {}});
        return outcomes;
    };
    EXPECT_DOUBLE_EQ(MedianSeconds(runs({0.3, 9.0, 0.1, 0.2, 0.25})), 0.25);
    EXPECT_DOUBLE_EQ(MedianSeconds(runs({4.0, 1.0, 2.0, 3.0})), 2.5);
    EXPECT_DOUBLE_EQ(MedianCpuSeconds(runs({4.0, 1.0, 2.0, 3.0})), 1.25);
    EXPECT_DOUBLE_EQ(MedianSeconds({}), 0.0);
    EXPECT_EQ(HighestPeak(runs({0.3, 9.0, 0.1})), 90);
}

TEST(BenchTimedRounds, InterleavesTasksAndDropsOnlyTheOneThatFailed)
{
    std::vector<std::string> events;
    auto task = [&](const std::string& name, int failInRound) {
        auto runs = std::make_shared<int>(0);
        return Task{name,
                    [&events, name, failInRound, runs] {
                        events.push_back("run " + name);
                        ChildOutcome outcome;
                        outcome.Seconds = 0.1 * ++*runs;
                        if (*runs == failInRound) {
                            outcome.ExitCode = 2;
                            outcome.Errors = "first line\nthe cause\n";
                        }
                        return outcome;
                    },
                    [&events, name] { events.push_back("prepare " + name); }};
    };
    std::ostringstream progress;
    const auto results = TimeInRounds({task("a", 0), task("b", 2), task("c", 0)}, 3, progress);

    const std::vector<std::string> round = {"prepare a", "run a", "prepare b", "run b", "prepare c", "run c"};
    std::vector<std::string> expected = round;
    expected.insert(expected.end(), round.begin(), round.end());
    expected.insert(expected.end(), {"prepare a", "run a", "prepare c", "run c"});
    EXPECT_EQ(events, expected);

    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[0].Ok());
    EXPECT_DOUBLE_EQ(results[0].Seconds, 0.2);
    EXPECT_FALSE(results[1].Ok());
    EXPECT_EQ(results[1].Failure, "failed, exit 2: the cause");
    EXPECT_EQ(results[1].Runs.size(), 1u);
    EXPECT_EQ(results[2].Runs.size(), 3u);
    EXPECT_NE(progress.str().find("round 2/3: a 0.200 b FAILED c 0.200\n"), std::string::npos);
}

TEST(BenchTimedRounds, ChainAddsUpAndStopsAtTheFirstFailure)
{
    TempDir dir;
    const ChildOutcome both = ChainTask("sleeps", {{"sleep", "0.1"}, {"sleep", "0.1"}}).Once();
    EXPECT_TRUE(both.Ok());
    EXPECT_GE(both.Seconds, 0.2);

    const std::string marker = dir.Path("ran");
    const ChildOutcome broken = ChainTask("broken", {{"true"}, {"sh", "-c", "exit 4"}, {"touch", marker}}).Once();
    EXPECT_EQ(broken.ExitCode, 4);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

std::vector<test::Bytes> AudioPackets(const std::string& path)
{
    SourceReader reader(path);
    reader.CaptureHeaders();
    std::vector<test::Bytes> packets;
    for (SourcePacket packet; reader.NextPacket(packet);)
        packets.emplace_back(packet.Packet.packet, packet.Packet.packet + packet.Packet.bytes);
    return packets;
}

TEST(BenchPacketFloor, CopiesEveryPacketInOrder)
{
    TempDir dir;
    const auto packets = test::EncodePackets({.channels = 2, .seconds = 2.0, .signal = test::Signal::Mixed});
    test::PageLayout layout;
    layout.maxSegments = 6; // packets span pages, some pages carry no granule
    test::WriteBytes(dir.Path("source.ogg"), test::LayPages(packets, layout));

    EXPECT_EQ(PassPacketsThroughStreamLayer(dir.Path("source.ogg"), dir.Path("copy.ogg")),
              static_cast<std::int64_t>(packets.size()));
    EXPECT_EQ(test::ProblemWithStream(dir.Path("copy.ogg"), layout.serial), "");
    EXPECT_TRUE(AudioPackets(dir.Path("copy.ogg")) == AudioPackets(dir.Path("source.ogg")));

    test::WriteBytes(dir.Path("text.ogg"), test::Bytes(10000, 'x'));
    EXPECT_THROW(PassPacketsThroughStreamLayer(dir.Path("text.ogg"), dir.Path("copy2.ogg")), FormatError);
}

TEST(BenchVariedAudio, EncodesTheRequestedFormatWithVaryingPackets)
{
    TempDir dir;
    const std::string path = dir.Path("varied.ogg");
    EncodeVariedAudio({.Channels = 6, .Rate = 48000, .Seconds = 12.0, .Quality = 0.3f, .Seed = 7}, path);

    EXPECT_EQ(test::ProblemWithStream(path, 0x4F510007), "");
    EXPECT_EQ(DecodedLength(path), 12 * 48000);
    EXPECT_EQ(OpenVorbisFile(path)->Info().channels, 6);
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    // Changing content makes packets of many sizes, short and long blocks.
    SourceReader reader(path);
    reader.CaptureHeaders();
    std::set<long> sizes;
    long smallest = 1L << 30, largest = 0;
    for (SourcePacket packet; reader.NextPacket(packet);) {
        sizes.insert(packet.Packet.bytes);
        smallest = std::min(smallest, packet.Packet.bytes);
        largest = std::max(largest, packet.Packet.bytes);
    }
    EXPECT_GT(sizes.size(), 100u);
    EXPECT_GT(largest, 8 * smallest);
}

TEST(BenchVariedAudio, SameSeedSameBytesOtherSeedOtherBytes)
{
    TempDir dir;
    const VariedAudioSpec spec{.Channels = 1, .Rate = 22050, .Seconds = 3.0};
    VariedAudioSpec other = spec;
    other.Seed = 2;
    EncodeVariedAudio(spec, dir.Path("a.ogg"));
    EncodeVariedAudio(spec, dir.Path("b.ogg"));
    EncodeVariedAudio(other, dir.Path("c.ogg"));
    EXPECT_TRUE(test::ReadBytes(dir.Path("a.ogg")) == test::ReadBytes(dir.Path("b.ogg")));
    EXPECT_FALSE(test::DecodeSamples(dir.Path("a.ogg")) == test::DecodeSamples(dir.Path("c.ogg")));
}

TEST(BenchSplitRun, EngineSectionsAddUpToTheSource)
{
    TempDir dir;
    const std::string source = dir.Path("source.ogg");
    test::WriteBytes(source, test::MakeOggVorbis({.channels = 2, .seconds = 4.0, .signal = test::Signal::Mixed}));
    const std::int64_t total = DecodedLength(source);
    ASSERT_EQ(total, 4 * 44100);
    const std::string folder = dir.Path("out");
    ResetFolder(folder);

    const auto sections = SplitWithEngine(source, EqualCutPoints(total, 10), folder);
    ASSERT_EQ(sections.size(), 10u);
    EXPECT_EQ(OggFilesIn(folder), sections);
    EXPECT_EQ(std::filesystem::path(sections[9]).filename(), "section10.ogg");
    std::int64_t sum = 0;
    for (const std::string& section : sections)
        sum += DecodedLength(section);
    EXPECT_EQ(sum, total);

    test::WriteBytes(dir.Path("text.ogg"), test::Bytes(5000, 'x'));
    EXPECT_EQ(DecodedLength(dir.Path("text.ogg")), -1);
    EXPECT_THROW(DecodedLength(dir.Path("missing.ogg")), IoError);
}

TEST(BenchReport, TargetVerdictsFollowTheMeasuredFigure)
{
    BenchReport report;
    report.AddTarget(AtMost("at most 1.2", 1.2, 1.2, " x"));
    report.AddTarget(AtMost("at most 0.9", 0.95, 0.9, " x"));
    report.AddTarget(AtMost("never measured", std::nullopt, 1.0, " x"));
    std::ostringstream out;
    report.Print(out);
    const std::string text = out.str();
    EXPECT_NE(text.find("target: at most 1.2: met (1.20 x)"), std::string::npos);
    EXPECT_NE(text.find("target: at most 0.9: NOT MET (0.95 x)"), std::string::npos);
    EXPECT_NE(text.find("target: never measured: not measured\n"), std::string::npos);
}

} // namespace
} // namespace oq::bench

#endif // OQ_BENCH_TOOLS
