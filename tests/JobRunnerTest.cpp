#include "base/Error.h"
#include "base/JobControl.h"
#include "jobs/JobPlanner.h"
#include "jobs/JobRunner.h"
#include "tests/support/JobTestSupport.h"
#include "tests/support/OggCheck.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/SectionCuts.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"
#include "tests/support/TestOpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <thread>

namespace oq::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::uint32_t kSourceSerial = 0x5157; // the generator's default
constexpr int kChannels = 2;

// A generated source in a folder of its own, with its decoded samples as
// the reference every section is measured against.
class SplitRun : public ::testing::Test {
protected:
    void SetUp() override { MakeSource({}); }

    void MakeSource(const PageLayout& layout)
    {
        WriteBytes(dir_.Path("song.ogg"), MakeOggVorbis({.channels = kChannels, .seconds = 3.0}, layout));
        reference_ = DecodeSamples(dir_.Path("song.ogg"));
        fs::remove_all(Out());
        fs::create_directories(Out());
    }
    std::string Out() const { return dir_.Path("out"); }
    std::int64_t PcmTotal() const { return static_cast<std::int64_t>(reference_.size()) / kChannels; }

    SectionSource Source(std::vector<std::int64_t> cuts) const
    {
        return {.FileName = dir_.Path("song.ogg"), .SerialNumber = kSourceSerial, .PcmTotal = PcmTotal(), .CutPoints = std::move(cuts)};
    }
    SplitOptions Split(std::vector<std::int64_t> cuts, SectionChoice choice = SectionChoice::All) const
    {
        return {.Source = Source(std::move(cuts)), .OutputFolder = Out(), .Sections = choice, .PreText = "Part ", .PostText = "", .Zeros = true};
    }
    std::string SectionName(int k) const { return Out() + "/Part 0" + std::to_string(k) + ".ogg"; }

    // The source's samples of [start, end), sample frames of one channel.
    std::vector<std::int16_t> Slice(std::int64_t start, std::int64_t end) const
    {
        return {reference_.begin() + start * kChannels, reference_.begin() + end * kChannels};
    }
    // Section k is a valid stream with its own serial number and exactly the
    // source's samples of its range.
    void ExpectSection(int k, std::int64_t start, std::int64_t end) const
    {
        SCOPED_TRACE("section " + std::to_string(k));
        EXPECT_EQ(ProblemWithStream(SectionName(k), kSourceSerial + static_cast<std::uint32_t>(k - 1)), "");
        EXPECT_TRUE(DecodeSamples(SectionName(k)) == Slice(start, end));
    }

    TempDir dir_;
    std::vector<std::int16_t> reference_;
    JobControl control_;
    RecordingObserver observer_;
};

struct WrittenCase {
    const char* label;
    PageLayout layout;
    std::vector<std::int64_t> cuts; // kSourceEnd: the source's last sample
    SectionChoice choice;
};

void PrintTo(const WrittenCase& c, std::ostream* out) { *out << c.label; }

constexpr std::int64_t kSourceEnd = -1;

const std::vector<std::int64_t> kCuts = {30000, 70001, 100000};

const WrittenCase kWrittenSections[] = {
    {"pages of the encoder", {}, kCuts, SectionChoice::All},
    {"a page per packet", {.flushEveryPackets = 1}, kCuts, SectionChoice::All},
    {"packets spanning pages", {.maxSegments = 3}, kCuts, SectionChoice::All},
    {"one section: the whole source as a file of its own", {}, {}, SectionChoice::All},
    {"odd sections", {}, kCuts, SectionChoice::Odd},
    {"even sections", {}, kCuts, SectionChoice::Even},
    // Odd and even go by the section's number, which an empty one keeps.
    {"odd sections past an empty one", {}, {30000, 30000, 70001}, SectionChoice::Odd},
    // Markers at one place: the empty sections are not written.
    {"an empty middle section", {}, {30000, 30000, kSourceEnd}, SectionChoice::All},
    {"empty first and last sections", {.flushEveryPackets = 1}, {0, 70001, 70001}, SectionChoice::All},
};

class WrittenSplitRun : public SplitRun, public ::testing::WithParamInterface<WrittenCase> {};

TEST_P(WrittenSplitRun, SectionsHoldExactlyTheirSamplesOfTheSource)
{
    const WrittenCase& c = GetParam();
    MakeSource(c.layout);
    std::vector<std::int64_t> cuts = c.cuts;
    std::replace(cuts.begin(), cuts.end(), kSourceEnd, PcmTotal());
    JobList jobs = PlanJobs(Split(cuts, c.choice), observer_);
    ASSERT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
    std::vector<std::int64_t> bounds = {0};
    bounds.insert(bounds.end(), cuts.begin(), cuts.end());
    bounds.push_back(PcmTotal());
    std::set<std::string> written;
    for (int k = 1; k < static_cast<int>(bounds.size()); ++k) {
        const bool empty = bounds[k - 1] == bounds[k];
        if (!empty && (c.choice == SectionChoice::All || (k % 2 == 1) == (c.choice == SectionChoice::Odd))) {
            ExpectSection(k, bounds[k - 1], bounds[k]);
            written.insert(fs::path(SectionName(k)).filename().string());
        }
    }
    EXPECT_EQ(FolderEntries(Out()), written); // and no temporary file
}

INSTANTIATE_TEST_SUITE_P(SplitRun, WrittenSplitRun, ::testing::ValuesIn(kWrittenSections),
                         [](const auto& info) { return TestName(info.param.label); });

// A middle section and the last, whose end is the source's.
class ExportRun : public SplitRun, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(ExportRun, WritesOnlyTheChosenSectionYetSampleExact)
{
    const std::int32_t chosen = GetParam();
    const std::vector<std::int64_t> cuts = {25000, 60000, 110000};
    const std::string file = dir_.Path("export.ogg");
    JobList jobs = PlanJobs(ExportOptions{.Source = Source(cuts), .FileName = file, .Section = chosen}, observer_);
    ASSERT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
    const std::int64_t start = cuts[chosen - 2];
    const std::int64_t end = chosen <= 3 ? cuts[chosen - 1] : PcmTotal();
    EXPECT_EQ(ProblemWithStream(file, kSourceSerial + static_cast<std::uint32_t>(chosen - 1)), "");
    EXPECT_TRUE(DecodeSamples(file) == Slice(start, end));
    EXPECT_EQ(FolderEntries(dir_.Root()), (std::set<std::string>{"export.ogg", "out", "song.ogg"}));
}

INSTANTIATE_TEST_SUITE_P(SplitRun, ExportRun, ::testing::Values(2, 4),
                         [](const auto& info) { return "Section" + std::to_string(info.param); });

TEST_F(SplitRun, CancelAtACheckPointKeepsFinishedSectionsAndNothingElse)
{
    JobList jobs = PlanJobs(Split({20000, 50000, 90000}), observer_);
    observer_.onTotal = [&](const std::string& text) {
        if (text == "3 / 4")
            control_.RequestCancel();
    };
    const std::size_t openBefore = OpenFileCount();
    EXPECT_EQ(RunJobs(jobs, control_, observer_), RunResult::Cancelled);
    EXPECT_EQ(OpenFileCount(), openBefore);
    EXPECT_EQ(FolderEntries(Out()), (std::set<std::string>{"Part 01.ogg", "Part 02.ogg"}));
    ExpectSection(2, 20000, 50000);
}

TEST_F(SplitRun, PauseAndCancelFromAnotherThread)
{
    JobList jobs = PlanJobs(Split({20000, 50000}), observer_);
    observer_.onTotal = [&](const std::string& text) {
        if (text == "2 / 3")
            control_.SetPaused(true);
    };
    JobRunner runner(control_, observer_);
    EXPECT_EQ(runner.ElapsedSeconds(), 0);
    RunResult result = RunResult::Finished;
    std::thread worker([&] { result = runner.Run(jobs); });
    ASSERT_TRUE(WaitFor([&] { return control_.Paused(); }));
    std::this_thread::sleep_for(1100ms);
    EXPECT_EQ(FolderEntries(Out()), (std::set<std::string>{"Part 01.ogg"})); // section 2 not begun
    EXPECT_GE(runner.ElapsedSeconds(), 1);
    control_.RequestCancel();
    worker.join();
    EXPECT_EQ(result, RunResult::Cancelled);
    EXPECT_EQ(runner.ElapsedSeconds(), 0);
    EXPECT_EQ(FolderEntries(Out()), (std::set<std::string>{"Part 01.ogg"}));
}

// A run that fails reports the error and ends as a cancelled run does: every
// file closed, no temporary file, no final name over a partial file.
enum class RunFault { OutputFolderRemoved, FinalNameTakenByAFolder, SourceVanished, CutPointPastTheAudio };

struct FailedRunCase {
    const char* label;
    RunFault fault;
    std::set<std::string> left; // in the output folder afterwards
};

const FailedRunCase kFailedRuns[] = {
    {"output folder removed", RunFault::OutputFolderRemoved, {}},
    {"final name taken by a folder", RunFault::FinalNameTakenByAFolder, {"Part 01.ogg", "Part 02.ogg"}},
    {"source vanished", RunFault::SourceVanished, {}},
    // Found by the check before the run, which writes nothing.
    {"cut point past the audio", RunFault::CutPointPastTheAudio, {}},
};

void PrintTo(const FailedRunCase& run, std::ostream* out) { *out << run.label; }

class FailedSplitRun : public SplitRun, public ::testing::WithParamInterface<FailedRunCase> {};

TEST_P(FailedSplitRun, RaisesTheErrorAndCleansUp)
{
    const FailedRunCase& c = GetParam();
    JobList jobs = PlanJobs(Split({20000, 70000}), observer_);
    switch (c.fault) {
    case RunFault::OutputFolderRemoved:
        // As job 2 begins.
        observer_.onTotal = [&](const std::string& text) {
            if (text == "2 / 3")
                fs::remove_all(Out());
        };
        break;
    case RunFault::FinalNameTakenByAFolder:
        fs::create_directories(SectionName(2) + "/keep");
        break;
    case RunFault::SourceVanished:
        fs::remove(dir_.Path("song.ogg"));
        break;
    case RunFault::CutPointPastTheAudio:
        WriteBytes(dir_.Path("song.ogg"), MakeOggVorbis({.channels = kChannels, .seconds = 1.0}));
        break;
    }
    const std::size_t openBefore = OpenFileCount();
    EXPECT_THROW(RunJobs(jobs, control_, observer_), Error);
    EXPECT_EQ(OpenFileCount(), openBefore);
    EXPECT_EQ(fs::exists(Out()) ? FolderEntries(Out()) : std::set<std::string>{}, c.left);
}

INSTANTIATE_TEST_SUITE_P(SplitRun, FailedSplitRun, ::testing::ValuesIn(kFailedRuns),
                         [](const auto& info) { return TestName(info.param.label); });

// A file that another program puts at a section's name while the run cuts
// that section was not there to be replaced: the run stops there, naming
// it, and leaves it as it is.
TEST_F(SplitRun, AFileThatAppearsAtASectionsNameMeanwhileIsLeftAsItIs)
{
    JobList jobs = PlanJobs(Split({20000, 70000}), observer_);
    const Bytes stranger = {'m', 'i', 'n', 'e'};
    observer_.onTotal = [&](const std::string& text) {
        if (text == "2 / 3")
            WriteBytes(SectionName(2), stranger);
    };
    try {
        RunJobs(jobs, control_, observer_);
        ADD_FAILURE() << "the run replaced " << SectionName(2);
    } catch (const FileError& refusal) {
        EXPECT_EQ(refusal.Path(), SectionName(2));
        EXPECT_NE(std::string(refusal.what()).find("appeared while the output was written"), std::string::npos)
            << refusal.what();
    }
    EXPECT_TRUE(ReadBytes(SectionName(2)) == stranger);
    EXPECT_EQ(FolderEntries(Out()), (std::set<std::string>{"Part 01.ogg", "Part 02.ogg"}));
}

// A section that cannot be cut exactly refuses the whole run before any
// file is written, and the cut points the refusal names do work.
TEST_F(SplitRun, ARunWithAnImpossibleThirdSectionWritesNothingAndNamesCutPointsThatWork)
{
    JobList jobs = PlanJobs(Split({20000, 70001, 70002}), observer_);
    std::string message;
    try {
        RunJobs(jobs, control_, observer_);
    } catch (const RangeError& error) {
        message = error.what();
    }
    EXPECT_EQ(FolderEntries(Out()), std::set<std::string>{});
    std::smatch found;
    ASSERT_TRUE(std::regex_search(message, found,
                                  std::regex(R"(section 3 \(samples 70001 to 70002\) lies inside one audio packet .*)"
                                             R"(its start at sample (\d+) or earlier, or its end at sample (\d+) or later)")))
        << message;
    for (const std::vector<std::int64_t>& cuts : {std::vector<std::int64_t>{20000, std::stoll(found[1]), 70002},
                                                  std::vector<std::int64_t>{20000, 70001, std::stoll(found[2])}}) {
        SCOPED_TRACE(cuts[1]);
        JobList moved = PlanJobs(Split(cuts), observer_);
        EXPECT_EQ(RunJobs(moved, control_, observer_), RunResult::Finished);
        ExpectSection(3, cuts[1], cuts[2]);
        ExpectSection(4, cuts[2], PcmTotal());
    }
}

// The cut takes the pages the check before it verified without verifying
// them again, up to the first damage: a page that fails its checksum is
// skipped just as when the engine reads every page itself.
TEST_F(SplitRun, PagesAfterADamagedOneAreVerifiedAgain)
{
    MakeSource({.flushEveryPackets = 8});
    Bytes bytes = ReadBytes(dir_.Path("song.ogg"));
    const auto spans = PageSpans(bytes);
    const PageSpan& damaged = spans[spans.size() / 4]; // between the two cuts
    bytes[damaged.Offset + damaged.Size - 1] ^= 0x55;
    WriteBytes(dir_.Path("song.ogg"), bytes);
    const std::vector<std::int64_t> cuts{20000, 70000};
    JobList jobs = PlanJobs(Split(cuts), observer_);
    ASSERT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
    TempDir alone;
    const auto sections = CutSections(dir_.Path("song.ogg"), {.Cuts = cuts,
                                                               .OutputName = [&](std::size_t n) { return alone.Path(std::to_string(n)); },
                                                               .FirstSerial = kSourceSerial,
                                                               .Skipped = {}});
    for (int k = 1; k <= 3; ++k)
        EXPECT_TRUE(ReadBytes(SectionName(k)) == ReadBytes(sections[static_cast<std::size_t>(k - 1)])) << k;
}

class WavRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"a", "b", "c"}) {
            WriteBytes(dir_.Path(std::string(name) + ".ogg"), MakeOggVorbis({.channels = 1, .rate = 8000, .seconds = 0.5}));
            options_.Files.push_back(dir_.Path(std::string(name) + ".ogg"));
        }
    }

    TempDir dir_;
    WavOptions options_;
    JobControl control_;
    RecordingObserver observer_;
};

TEST_F(WavRun, ACancelledRunLeavesNoTemporaryFileOfJobsThatNeverRan)
{
    JobList jobs = PlanJobs(options_, observer_);
    observer_.onTotal = [&](const std::string& text) {
        if (text == "2 / 3")
            control_.RequestCancel();
    };
    EXPECT_EQ(RunJobs(jobs, control_, observer_), RunResult::Cancelled);
    EXPECT_EQ(FolderEntries(dir_.Root()), (std::set<std::string>{"a.ogg", "a.wav", "b.ogg", "c.ogg"}));
    EXPECT_EQ(fs::file_size(dir_.Path("a.wav")), 44 + 2 * DecodeSamples(dir_.Path("a.ogg")).size());
}

TEST_F(WavRun, ASourceThatIsNoLongerOggVorbisStopsTheRunWithoutAnEmptyWav)
{
    JobList jobs = PlanJobs(options_, observer_);
    WriteBytes(dir_.Path("b.ogg"), Bytes(500, 'x'));
    WriteBytes(dir_.Path("b.wav"), Bytes(60, 1));
    EXPECT_THROW(RunJobs(jobs, control_, observer_), FormatError);
    EXPECT_EQ(FolderEntries(dir_.Root()), (std::set<std::string>{"a.ogg", "a.wav", "b.ogg", "b.wav", "c.ogg"}));
    EXPECT_TRUE(ReadBytes(dir_.Path("b.wav")) == Bytes(60, 1));
}

class CatalogRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir_.Path("music"));
        const std::string text = "head\n<QRVLOOP>\n<QRV001>;<QRV004>\n<QRVEND>\ntail\n";
        WriteBytes(dir_.Path("t.qrv"), Bytes(text.begin(), text.end()));
    }
    CatalogOptions Options() const
    {
        return {.Mode = CatalogMode::Custom, .CustomTemplate = dir_.Path("t.qrv"), .Directory = dir_.Path("music"),
                .OutputFile = dir_.Path("list.txt"), .Filter = "*.Ogg", .IncludeSubFolders = true};
    }
    std::string Written() const
    {
        const Bytes bytes = ReadBytes(dir_.Path("list.txt"));
        return {bytes.begin(), bytes.end()};
    }

    TempDir dir_;
    JobControl control_;
    RecordingObserver observer_;
};

TEST_F(CatalogRun, ListsEveryOggFileBetweenHeadAndTail)
{
    WriteBytes(dir_.Path("music/one.ogg"), MakeOggVorbis({.channels = 1, .rate = 8000, .seconds = 0.3}));
    WriteBytes(dir_.Path("music/two.ogg"), MakeOggVorbis({.channels = 1, .rate = 8000, .seconds = 0.3}));
    WriteBytes(dir_.Path("music/bad.ogg"), Bytes(100, 'x'));
    JobList jobs = PlanJobs(Options(), control_, observer_);
    EXPECT_EQ(jobs.Count(), 3u);
    ASSERT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
    EXPECT_EQ(Written(), "head\none.ogg;1\ntwo.ogg;1\ntail\n");
    ASSERT_EQ(jobs.PassedOver().size(), 1u) << "the file named as Ogg that holds none is told";
    EXPECT_NE(jobs.PassedOver()[0].find("bad.ogg"), std::string::npos) << jobs.PassedOver()[0];
    EXPECT_EQ(FolderEntries(dir_.Root()), (std::set<std::string>{"list.txt", "music", "t.qrv"}));
}

TEST_F(CatalogRun, TheUsualFilterListsVorbisAndOpusFilesWithTheirCodecs)
{
    WriteBytes(dir_.Path("music/one.ogg"), MakeOggVorbis({.channels = 1, .rate = 8000, .seconds = 0.3}));
    WriteBytes(dir_.Path("music/two.opus"), MakeOggOpus({.channels = 2, .seconds = 0.3}));
    const std::string text = "<QRVLOOP>\n<QRV001>;<QRV011>;<QRV007>;<QRV010>\n<QRVEND>\n";
    WriteBytes(dir_.Path("t.qrv"), Bytes(text.begin(), text.end()));
    CatalogOptions options = Options();
    options.Filter = CatalogOptions{}.Filter;
    JobList jobs = PlanJobs(options, control_, observer_);
    ASSERT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
    // Vorbis's version is 0, OpusHead's 1.
    EXPECT_EQ(Written(), "one.ogg;Vorbis;0;Mono\ntwo.opus;Opus;1;Stereo\n");
}

TEST_F(CatalogRun, ASearchThatFindsNothingWritesHeadAndTail)
{
    JobList jobs = PlanJobs(Options(), control_, observer_);
    ASSERT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
    EXPECT_EQ(Written(), "head\ntail\n");
}

TEST_F(CatalogRun, ACancelledSearchPlansNothingAndWritesNothing)
{
    WriteBytes(dir_.Path("music/one.ogg"), Bytes(10, 1));
    control_.RequestCancel();
    JobList jobs = PlanJobs(Options(), control_, observer_);
    EXPECT_TRUE(jobs.Empty());
    EXPECT_EQ(RunJobs(jobs, control_, observer_), RunResult::Cancelled);
    EXPECT_EQ(FolderEntries(dir_.Root()), (std::set<std::string>{"music", "t.qrv"}));
}

} // namespace
} // namespace oq::test
