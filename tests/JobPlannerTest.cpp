#include "engine/Error.h"
#include "engine/JobControl.h"
#include "engine/JobPlanner.h"
#include "engine/JobRunner.h"
#include "engine/TempFile.h"
#include "tests/support/JobTestSupport.h"
#include "tests/support/TestAudio.h"

#include <gtest/gtest.h>

namespace oq::test {
namespace {

namespace fs = std::filesystem;

TEST(SectionFileName, JoinsFolderPreTextZeroNumberAndPostText)
{
    struct Case {
        std::string folder, pre, post;
        bool zeros;
        std::int32_t section;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"/out", "Part ", "", true, 10, "/out/Part 010.ogg"}, // one "0", whatever the digits
        {"/out", "Part ", "", false, 10, "/out/Part 10.ogg"},
        {"/out/", "Part ", " - song.ogg", true, 1, "/out/Part 01 - song.ogg"}, // its own extension kept
        {"/out", "", " - live", true, 3, "/out/03 - live.ogg"},
        {"/out", "", "", false, 1, "/out/1.ogg"},
        {"/my.music", "Part ", "", true, 2, "/my.music/Part 02.ogg"}, // a dot in the folder is no extension
        {"/out", "Track", ".mp3.OGG", false, 7, "/out/Track7.mp3.OGG"},
        {"", "Part ", "", true, 1, "Part 01.ogg"}, // no folder: the current one, never the root
    };
    for (const Case& c : cases) {
        SplitOptions options;
        options.OutputFolder = c.folder;
        options.PreText = c.pre;
        options.PostText = c.post;
        options.Zeros = c.zeros;
        EXPECT_EQ(SectionFileName(options, c.section), c.expected);
    }
}

TEST(SectionsFromMarkers, CutsAtTheMarkersBetweenTheSectionsOnly)
{
    MPEGData file;
    file.FileName = "/x/song.ogg";
    file.BlockCount = 100;
    file.PcmTotal = 1000;
    file.SerialNumber = 7;
    struct Case {
        std::vector<std::int32_t> markers;
        std::vector<std::int64_t> cuts;
    };
    const std::vector<Case> cases = {
        {{0, 100}, {}},               // one section, the whole file
        {{0, 30, 100}, {300}},        // no leading, no trailing section
        {{20, 100}, {200}},           // leading section ends at the first marker
        {{0, 40}, {400}},             // trailing section after the last marker
        {{20, 50, 80}, {200, 500, 800}}, // leading and trailing
        {{33}, {330}},
        {{0, 101}, {}},               // a marker past the end counts as the end
    };
    for (const Case& c : cases) {
        const SectionSource source = SectionsFromMarkers(file, c.markers);
        EXPECT_EQ(source.CutPoints, c.cuts);
        EXPECT_EQ(source.SerialNumber, 7);
        EXPECT_EQ(source.PcmTotal, 1000);
    }
    EXPECT_THROW(SectionsFromMarkers(file, {}), RangeError);
}

// A split plan on a folder of its own, with a source file that is never read
// by the planner.
class SplitPlan : public ::testing::Test {
protected:
    SplitOptions Options(std::vector<std::int64_t> cuts, SectionChoice choice = SectionChoice::All)
    {
        WriteBytes(dir_.Path("song.ogg"), Bytes(10, 1));
        return SplitOptions{.Source = {.FileName = dir_.Path("song.ogg"), .SerialNumber = 1000, .PcmTotal = 100000, .CutPoints = std::move(cuts)},
                            .OutputFolder = dir_.Root(),
                            .Sections = choice,
                            .PreText = "Part ",
                            .PostText = " - song.ogg",
                            .Zeros = true};
    }
    std::set<std::string> Entries() const { return FolderEntries(dir_.Root()); }

    TempDir dir_;
    JobControl control_;
    RecordingObserver observer_;
};

struct Steps {
    bool open, first, middle, last, release, closeSource, finish, skip;
    bool operator==(const Steps&) const = default;
};

Steps StepsOf(const JobStacker& job)
{
    return {job.OpenSource, job.CutFirst, job.CutMiddle, job.CutLast, job.ReleasePackets, job.CloseSource, job.FinishOutput, job.SkipOutput};
}

TEST_F(SplitPlan, SetsTheStepsByPositionAndChainsTheSections)
{
    const JobList jobs = PlanJobs(Options({100, 2000, 30000}), observer_);
    ASSERT_EQ(jobs.Count(), 4u);
    EXPECT_EQ(StepsOf(jobs[0]), (Steps{true, true, false, false, false, false, true, false}));
    EXPECT_EQ(StepsOf(jobs[1]), (Steps{false, false, true, false, false, false, true, false}));
    EXPECT_EQ(StepsOf(jobs[2]), (Steps{false, false, true, false, false, false, true, false}));
    EXPECT_EQ(StepsOf(jobs[3]), (Steps{false, false, false, true, true, true, true, false}));
    const std::vector<std::pair<std::int64_t, std::int64_t>> ranges = {{0, 100}, {100, 2000}, {2000, 30000}, {30000, 0}};
    for (std::size_t i = 0; i < jobs.Count(); ++i) {
        EXPECT_EQ(jobs[i].StartGranule, ranges[i].first);
        EXPECT_EQ(jobs[i].EndGranule, ranges[i].second);
        EXPECT_EQ(jobs[i].StreamSerial, 1000u + i); // consecutive from the source's own
        EXPECT_TRUE(jobs[i].BeginStream && jobs[i].ClearStream && jobs[i].CloseOutput);
        EXPECT_EQ(jobs[i].OutputName, jobs[0].OutputName); // one temporary name for all
        EXPECT_EQ(jobs[i].FinalName, dir_.Path("Part 0" + std::to_string(i + 1) + " - song.ogg"));
    }
    EXPECT_EQ(observer_.Totals(), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(observer_.Currents().back(), "song.ogg");
    EXPECT_EQ(Entries().size(), 2u); // the source and the one temporary file
}

TEST_F(SplitPlan, OneSectionRunsToTheEndAndReleasesEverything)
{
    const JobList jobs = PlanJobs(Options({}), observer_);
    ASSERT_EQ(jobs.Count(), 1u);
    EXPECT_EQ(StepsOf(jobs[0]), (Steps{true, false, false, true, true, true, true, false}));
}

TEST_F(SplitPlan, SerialNumbersWrapInsteadOfOverflowing)
{
    SplitOptions options = Options({10, 20});
    options.Source.SerialNumber = -1;
    const JobList jobs = PlanJobs(options, observer_);
    EXPECT_EQ(jobs[0].StreamSerial, 0xFFFFFFFFu);
    EXPECT_EQ(jobs[1].StreamSerial, 0u);
    EXPECT_EQ(jobs[2].StreamSerial, 1u);
}

TEST_F(SplitPlan, OddAndEvenChoicesCutEverySectionButWriteOnlyTheirOwn)
{
    for (const auto choice : {SectionChoice::Odd, SectionChoice::Even}) {
        const JobList jobs = PlanJobs(Options({10, 20, 30, 40}, choice), observer_);
        ASSERT_EQ(jobs.Count(), 5u);
        for (std::size_t i = 0; i < jobs.Count(); ++i) {
            const bool odd = i % 2 == 0;
            const bool written = choice == SectionChoice::Odd ? odd : !odd;
            EXPECT_EQ(jobs[i].SkipOutput, !written);
            EXPECT_EQ(jobs[i].FinishOutput, written);
        }
    }
}

TEST_F(SplitPlan, AsksOnlyWhenANonEmptyFileHasASectionName)
{
    EXPECT_FALSE(PlanJobs(Options({10}), observer_).WillOverwrite());
    WriteBytes(dir_.Path("Part 02 - song.ogg"), {});
    EXPECT_FALSE(PlanJobs(Options({10}), observer_).WillOverwrite()); // empty files do not count
    WriteBytes(dir_.Path("Part 02 - song.ogg"), Bytes(3, 0));
    EXPECT_TRUE(PlanJobs(Options({10}), observer_).WillOverwrite());
}

TEST_F(SplitPlan, DecliningToOverwriteLeavesNoTemporaryFileAndWritesNothing)
{
    const SplitOptions options = Options({10});
    WriteBytes(dir_.Path("Part 01 - song.ogg"), Bytes(3, 7));
    const auto before = Entries();
    JobList jobs = PlanJobs(options, observer_);
    ASSERT_TRUE(jobs.WillOverwrite());
    EXPECT_EQ(Entries().size(), before.size() + 1);
    jobs.Clear(); // the Cancel answer
    EXPECT_EQ(Entries(), before);
    EXPECT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
    EXPECT_EQ(Entries(), before);
    EXPECT_TRUE(ReadBytes(dir_.Path("Part 01 - song.ogg")) == Bytes(3, 7));
}

TEST_F(SplitPlan, RefusesCutPointsThatWouldMakeAnEmptySection)
{
    for (const std::vector<std::int64_t>& cuts :
         {std::vector<std::int64_t>{0}, {10, 10}, {20, 10}, {100000}, {-5}, {100001}}) {
        EXPECT_THROW(PlanJobs(Options(cuts), observer_), RangeError);
        EXPECT_EQ(Entries().size(), 1u); // no temporary file left
    }
}

// Writing a section over the file being cut would destroy it; the plan is
// refused before anything is created, however the name reaches the source.
TEST_F(SplitPlan, RefusesASectionNameThatIsTheSource)
{
    SplitOptions options = Options({10});
    fs::rename(dir_.Path("song.ogg"), dir_.Path("Part 02.ogg"));
    options.Source.FileName = dir_.Path("Part 02.ogg");
    options.PostText = "";
    EXPECT_THROW(PlanJobs(options, observer_), IoError);

    fs::create_directory(dir_.Path("sub"));
    options.Source.FileName = dir_.Path("sub/../Part 02.ogg"); // another spelling
    EXPECT_THROW(PlanJobs(options, observer_), IoError);

    fs::rename(dir_.Path("Part 02.ogg"), dir_.Path("sub/real.ogg"));
    fs::create_symlink(dir_.Path("sub/real.ogg"), dir_.Path("Part 02.ogg")); // a link to it
    options.Source.FileName = dir_.Path("sub/real.ogg");
    EXPECT_THROW(PlanJobs(options, observer_), IoError);

    options.Sections = SectionChoice::Odd; // section 2 is not written: no harm
    EXPECT_NO_THROW(PlanJobs(options, observer_));
    EXPECT_EQ(Entries(), (std::set<std::string>{"Part 02.ogg", "sub"}));
}

TEST_F(SplitPlan, ExportWritesOnlyTheChosenSectionToTheChosenFile)
{
    const SplitOptions split = Options({10, 20, 30});
    WriteBytes(dir_.Path("mine.ogg"), Bytes(5, 5));
    const ExportOptions options{.Source = split.Source, .FileName = dir_.Path("mine.ogg"), .Section = 3};
    const JobList jobs = PlanJobs(options, observer_);
    ASSERT_EQ(jobs.Count(), 4u);
    EXPECT_FALSE(jobs.WillOverwrite()); // the save dialog asked already
    for (std::size_t i = 0; i < jobs.Count(); ++i) {
        EXPECT_EQ(jobs[i].FinishOutput, i == 2);
        EXPECT_EQ(jobs[i].SkipOutput, i != 2);
        EXPECT_EQ(jobs[i].FinalName, dir_.Path("mine.ogg"));
    }
    for (const std::int32_t wrong : {0, 5})
        EXPECT_THROW(PlanJobs(ExportOptions{.Source = split.Source, .FileName = dir_.Path("x.ogg"), .Section = wrong}, observer_),
                     RangeError);
    EXPECT_THROW(PlanJobs(ExportOptions{.Source = split.Source, .FileName = split.Source.FileName, .Section = 1}, observer_),
                 IoError);
}

TEST(JoinPlan, CopiesEachListedFileThenFinishesOnce)
{
    TempDir dir;
    std::vector<MPEGData> files(2);
    files[0].FileName = dir.Path("a.ogg");
    files[0].FileSize = 5'000'000'000; // sizes past 4 GiB survive planning
    files[1].FileName = dir.Path("b.ogg");
    files[1].FileSize = 20;
    RecordingObserver observer;
    const JobList jobs = PlanJobs(JoinOptions{.Files = files, .OutputFile = dir.Path("out.ogg")}, observer);
    ASSERT_EQ(jobs.Count(), 3u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(jobs[i].CopyBytes && jobs[i].CloseSource && !jobs[i].CloseOutput && !jobs[i].FinishOutput);
        EXPECT_EQ(jobs[i].SourceName, files[i].FileName);
        EXPECT_EQ(jobs[i].CopyOffset, 0);
        EXPECT_EQ(jobs[i].CopyLength, files[i].FileSize);
    }
    EXPECT_TRUE(!jobs[2].CopyBytes && jobs[2].CloseOutput && jobs[2].FinishOutput);
    EXPECT_EQ(jobs[2].FinalName, dir.Path("out.ogg"));
    EXPECT_EQ(jobs[2].OutputName, jobs[0].OutputName);
    EXPECT_EQ(fs::path(jobs[0].OutputName).parent_path(), fs::path(dir.Root()));
    EXPECT_THROW(PlanJobs(JoinOptions{.Files = {}, .OutputFile = dir.Path("out.ogg")}, observer), RangeError);
}

TEST(WavPlan, NamesEachWavFileBesideItsSourceOrInTheChosenFolder)
{
    TempDir dir;
    fs::create_directories(dir.Path("in.d"));
    fs::create_directories(dir.Path("out"));
    const std::vector<std::string> files = {dir.Path("in.d/one.ogg"), dir.Path("in.d/two")};
    RecordingObserver observer;
    {
        const JobList beside = PlanJobs(WavOptions{.Files = files, .OneDirectory = false, .OutputFolder = {}}, observer);
        ASSERT_EQ(beside.Count(), 2u);
        EXPECT_EQ(beside[0].FinalName, dir.Path("in.d/one.wav"));
        EXPECT_EQ(beside[1].FinalName, dir.Path("in.d/two.wav"));
        EXPECT_NE(beside[0].OutputName, beside[1].OutputName); // each job its own temporary file
        EXPECT_TRUE(beside[0].MakeWav && beside[0].FinishOutput);
        EXPECT_EQ(FolderEntries(dir.Path("in.d")).size(), 2u);
    }
    EXPECT_TRUE(FolderEntries(dir.Path("in.d")).empty()); // an unrun plan leaves nothing
    const JobList together = PlanJobs(WavOptions{.Files = files, .OneDirectory = true, .OutputFolder = dir.Path("out")}, observer);
    EXPECT_EQ(together[0].FinalName, dir.Path("out/one.wav"));
    EXPECT_EQ(together[1].FinalName, dir.Path("out/two.wav"));
    EXPECT_EQ(FolderEntries(dir.Path("out")).size(), 2u);

    WriteBytes(dir.Path("in.d/odd.wav"), Bytes(4, 0)); // an Ogg file named .wav would be replaced
    EXPECT_THROW(PlanJobs(WavOptions{.Files = {dir.Path("in.d/odd.wav")}, .OneDirectory = false, .OutputFolder = {}}, observer), IoError);
}

TEST(TempFile, MakesNewEmptyFilesAndRemovesThemUnlessReleased)
{
    TempDir dir;
    const std::string a = MakeTempName(dir.Root(), "Ogg");
    const std::string b = MakeTempName(dir.Root() + "/", "Ogg");
    EXPECT_NE(a, b);
    EXPECT_EQ(fs::path(a).parent_path(), fs::path(dir.Root()));
    EXPECT_EQ(fs::path(a).filename().string().rfind("Ogg", 0), 0u);
    EXPECT_EQ(fs::file_size(a), 0u);
    {
        TempFile kept(a);
        TempFile dropped(b);
        kept.Release();
    }
    EXPECT_TRUE(fs::exists(a));
    EXPECT_FALSE(fs::exists(b));
    EXPECT_THROW(MakeTempName(dir.Path("missing"), "wav"), IoError);
    EXPECT_THROW(MakeTempName(a, "cat"), IoError); // a file is no folder
}

} // namespace
} // namespace oq::test
