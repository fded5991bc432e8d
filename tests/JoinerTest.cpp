#include "base/Error.h"
#include "base/JobControl.h"
#include "jobs/JobPlanner.h"
#include "jobs/JobRunner.h"
#include "tools/Joiner.h"
#include "ogg/LinkSerials.h"
#include "tests/support/JobTestSupport.h"
#include "tests/support/OggCheck.h"
#include "tests/support/TestAudio.h"

#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <set>
#include <stdexcept>
#include <thread>

namespace oq::test {
namespace {

using namespace std::chrono_literals;

Bytes Pattern(std::size_t size, unsigned char seed)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(seed + i * 7 + i / 251);
    return bytes;
}

// A folder of join inputs, each listed with the size it had (or is claimed
// to have had) when it was added.
class JoinFolder {
public:
    MPEGData Add(const std::string& name, const Bytes& bytes, std::int64_t listedSize)
    {
        WriteBytes(dir_.Path(name), bytes);
        MPEGData record;
        record.FileName = dir_.Path(name);
        record.FileSize = listedSize;
        options_.Files.push_back(record);
        return record;
    }
    JoinOptions& Options(const std::string& output = "joined.ogg")
    {
        options_.OutputFile = dir_.Path(output);
        return options_;
    }
    const TempDir& Dir() const { return dir_; }

private:
    TempDir dir_;
    JoinOptions options_;
};

TEST(Joiner, CopiesTheListedBytesOfEachInputInListOrder)
{
    JoinFolder folder;
    const Bytes a = Pattern(10000, 1);  // several chunks, the last one partial
    const Bytes b = Pattern(Joiner::kChunkBytes, 2);
    const Bytes c = Pattern(5000, 3);   // trailing bytes past the listed size stay out
    folder.Add("a.ogg", a, 10000);
    folder.Add("b.ogg", b, Joiner::kChunkBytes);
    folder.Add("c.ogg", c, 1234);
    folder.Add("a2.ogg", a, 10000);     // the same content twice is joined twice
    JobControl control;
    RecordingObserver observer;
    JobList jobs = PlanJobs(folder.Options(), observer);
    EXPECT_FALSE(jobs.WillOverwrite());
    ASSERT_EQ(RunJobs(jobs, control, observer), RunResult::Finished);

    Bytes expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    expected.insert(expected.end(), c.begin(), c.begin() + 1234);
    expected.insert(expected.end(), a.begin(), a.end());
    EXPECT_TRUE(ReadBytes(folder.Dir().Path("joined.ogg")) == expected);
    EXPECT_EQ(FolderEntries(folder.Dir().Root()), (std::set<std::string>{"a.ogg", "a2.ogg", "b.ogg", "c.ogg", "joined.ogg"}));
    EXPECT_EQ(observer.Totals().back(), "5 / 5");
    EXPECT_EQ(observer.Processes().back(), "Copying Ogg Data...");
    EXPECT_EQ(observer.Position(), 5);
    EXPECT_EQ(observer.Maximum(), 5);
}

// A failed join must report the file at fault, keep the old output and leave
// no temporary file, whatever the failure.
struct FailedJoin {
    const char* label;
    std::function<void(JoinFolder&)> prepare;
    const char* culprit;
};

void PrintTo(const FailedJoin& join, std::ostream* out)
{
    *out << join.label;
}

class FailedJoinTest : public ::testing::TestWithParam<FailedJoin> {};

TEST_P(FailedJoinTest, ReportsTheFileAndLeavesTheFolderAsItWas)
{
    JoinFolder folder;
    folder.Add("a.ogg", Pattern(5000, 1), 5000);
    GetParam().prepare(folder);
    folder.Add("z.ogg", Pattern(5000, 1), 5000);
    WriteBytes(folder.Dir().Path("joined.ogg"), Pattern(100, 8));
    const auto before = FolderEntries(folder.Dir().Root());
    JobControl control;
    RecordingObserver observer;
    JobList jobs = PlanJobs(folder.Options(), observer);
    try {
        RunJobs(jobs, control, observer);
        ADD_FAILURE() << "the join did not fail";
    } catch (const IoError& error) {
        EXPECT_EQ(error.Path(), folder.Dir().Path(GetParam().culprit));
    }
    EXPECT_EQ(FolderEntries(folder.Dir().Root()), before);
    EXPECT_TRUE(ReadBytes(folder.Dir().Path("joined.ogg")) == Pattern(100, 8));
}

INSTANTIATE_TEST_SUITE_P(
    Joiner, FailedJoinTest,
    ::testing::Values(FailedJoin{"InputShrankSinceItWasListed",
                                 [](JoinFolder& f) { f.Add("short.ogg", Pattern(3000, 2), 3001); }, "short.ogg"},
                      FailedJoin{"InputBecameAFolder",
                                 [](JoinFolder& f) {
                                     f.Add("gone.ogg", {}, 10);
                                     std::filesystem::remove(f.Dir().Path("gone.ogg"));
                                     std::filesystem::create_directory(f.Dir().Path("gone.ogg"));
                                 },
                                 "gone.ogg"},
                      FailedJoin{"InputVanished",
                                 [](JoinFolder& f) {
                                     f.Add("vanished.ogg", Pattern(10, 1), 10);
                                     std::filesystem::remove(f.Dir().Path("vanished.ogg"));
                                 },
                                 "vanished.ogg"}),
    [](const ::testing::TestParamInfo<FailedJoin>& info) { return std::string(info.param.label); });

// Paused from the running thread as the second job begins, the run waits
// with the old output intact until another thread resumes or cancels it.
// The input is joined with itself, so the pages of the second copy are being
// renumbered when the pause comes.
class JoinPauseTest : public ::testing::TestWithParam<bool> {};

TEST_P(JoinPauseTest, HoldsTheRunUntilResumedOrCancelled)
{
    const bool cancel = GetParam();
    JoinFolder folder;
    const Bytes song = MakeOggVorbis({.seconds = 1.0});
    folder.Add("a.ogg", song, static_cast<std::int64_t>(song.size()));
    folder.Add("a2.ogg", song, static_cast<std::int64_t>(song.size()));
    WriteBytes(folder.Dir().Path("joined.ogg"), Pattern(10, 3));
    const auto before = FolderEntries(folder.Dir().Root());
    JobControl control;
    RecordingObserver observer;
    JobList jobs = PlanJobs(folder.Options(), observer);
    observer.onTotal = [&](const std::string& text) {
        if (text == "2 / 3")
            control.SetPaused(true);
    };
    RunResult result = cancel ? RunResult::Finished : RunResult::Cancelled;
    std::thread worker([&] { result = RunJobs(jobs, control, observer); });
    ASSERT_TRUE(WaitFor([&] { return control.Paused(); }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(observer.Totals().back(), "2 / 3");
    EXPECT_EQ(observer.Position(), 1);
    EXPECT_TRUE(ReadBytes(folder.Dir().Path("joined.ogg")) == Pattern(10, 3));
    if (cancel)
        control.RequestCancel();
    else
        control.SetPaused(false);
    worker.join();
    EXPECT_EQ(result, cancel ? RunResult::Cancelled : RunResult::Finished);
    EXPECT_EQ(FolderEntries(folder.Dir().Root()), before);
    EXPECT_EQ(ReadBytes(folder.Dir().Path("joined.ogg")).size(), cancel ? 10u : 2 * song.size());
}

INSTANTIATE_TEST_SUITE_P(Joiner, JoinPauseTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Cancelled" : "Resumed");
                         });

// What the reference decoder makes of a file: its links, its length and its
// samples.
struct Decoded {
    long links = 0;
    std::int64_t samples = 0; // per channel, as the file's granules say
    std::vector<std::int16_t> pcm;
};

Decoded Decode(const std::string& path)
{
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0)
        throw std::runtime_error("cannot open " + path);
    Decoded decoded{ov_streams(&file), ov_pcm_total(&file, -1), {}};
    ov_clear(&file);
    decoded.pcm = DecodeSamples(path);
    return decoded;
}

// Inputs are made of songs, each of one serial number; an input of several
// songs is a chained file. The songs span several pages: the reference
// decoder, reading a chain front to back, loses a link whose audio lies on
// one page.
struct RepeatedSerials {
    const char* label;
    std::vector<std::vector<int>> inputs; // song numbers; song k has serial kSerials[k]
};

void PrintTo(const RepeatedSerials& join, std::ostream* out)
{
    *out << join.label;
}

constexpr std::uint32_t kSerials[] = {0x5157, 0x2a2a};

class RepeatedSerialJoinTest : public ::testing::TestWithParam<RepeatedSerials> {};

// Two links of one serial number make a file readers take for one broken
// stream; the join renumbers the later link so that the file holds every
// input's links, length and samples.
TEST_P(RepeatedSerialJoinTest, DecodesToEveryInputInTurn)
{
    JoinFolder folder;
    Decoded expected;
    std::size_t bytes = 0;
    int index = 0;
    for (const std::vector<int>& songs : GetParam().inputs) {
        Bytes input;
        for (const int song : songs) {
            const Bytes link = MakeOggVorbis({.seconds = 2.0 + song * 0.7, .seed = static_cast<std::uint32_t>(song + 1)},
                                             {.serial = kSerials[song]});
            input.insert(input.end(), link.begin(), link.end());
        }
        const std::string name = "in" + std::to_string(++index) + ".ogg";
        folder.Add(name, input, static_cast<std::int64_t>(input.size()));
        const Decoded one = Decode(folder.Dir().Path(name));
        expected.links += one.links;
        expected.samples += one.samples;
        expected.pcm.insert(expected.pcm.end(), one.pcm.begin(), one.pcm.end());
        bytes += input.size();
    }
    JobControl control;
    RecordingObserver observer;
    JobList jobs = PlanJobs(folder.Options(), observer);
    ASSERT_EQ(RunJobs(jobs, control, observer), RunResult::Finished);

    const std::string joined = folder.Dir().Path("joined.ogg");
    const Decoded got = Decode(joined);
    EXPECT_EQ(got.links, expected.links);
    EXPECT_EQ(got.samples, expected.samples);
    EXPECT_TRUE(got.pcm == expected.pcm);
    EXPECT_EQ(ReadBytes(joined).size(), bytes); // a renumbered page keeps its size
    std::set<std::uint32_t> serials;
    for (const PageInfo& page : ReadPages(joined))
        if (page.Begins)
            serials.insert(page.Serial);
    EXPECT_EQ(static_cast<long>(serials.size()), expected.links);
}

INSTANTIATE_TEST_SUITE_P(
    Joiner, RepeatedSerialJoinTest,
    ::testing::Values(RepeatedSerials{"FileWithItself", {{0}, {0}}},
                      RepeatedSerials{"ThreeCopies", {{0}, {0}, {0}}},
                      RepeatedSerials{"ChainedFileWithItsOwnLink", {{0, 1}, {1}, {0}}},
                      RepeatedSerials{"ChainedFileWithItself", {{1, 0}, {1, 0}}}),
    [](const ::testing::TestParamInfo<RepeatedSerials>& info) { return std::string(info.param.label); });

// A number given out to a repeated link is not taken again by a later link
// that brings it along: every link of the output keeps a number of its own.
TEST(LinkSerials, ALaterLinkCarryingAGivenOutNumberIsRenumberedToo)
{
    LinkSerials serials;
    EXPECT_EQ(serials.Begin(5), 5u);
    serials.End(5);
    const std::uint32_t second = serials.Begin(5);
    EXPECT_NE(second, 5u);
    EXPECT_EQ(serials.Of(5), second);
    serials.End(5);
    const std::uint32_t third = serials.Begin(second);
    EXPECT_NE(third, 5u);
    EXPECT_NE(third, second);
    EXPECT_EQ(serials.Begin(7), 7u);
}

// Inputs of distinct serial numbers are joined as they are.
TEST(Joiner, DistinctSerialsJoinToTheInputsByteForByte)
{
    JoinFolder folder;
    const Bytes a = MakeOggVorbis({.seconds = 0.5}, {.serial = kSerials[0]});
    const Bytes b = MakeOggVorbis({.seconds = 0.7, .seed = 2}, {.serial = kSerials[1]});
    folder.Add("a.ogg", a, static_cast<std::int64_t>(a.size()));
    folder.Add("b.ogg", b, static_cast<std::int64_t>(b.size()));
    JobControl control;
    RecordingObserver observer;
    JobList jobs = PlanJobs(folder.Options(), observer);
    ASSERT_EQ(RunJobs(jobs, control, observer), RunResult::Finished);
    Bytes expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_TRUE(ReadBytes(folder.Dir().Path("joined.ogg")) == expected);
}

} // namespace
} // namespace oq::test
