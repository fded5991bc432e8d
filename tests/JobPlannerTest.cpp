#include "base/Error.h"
#include "base/JobControl.h"
#include "jobs/JobPlanner.h"
#include "jobs/JobRunner.h"
#include "base/TempFile.h"
#include "tests/support/JobTestSupport.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <sys/stat.h>

namespace oq::test {
namespace {

namespace fs = std::filesystem;

struct FileNameCase {
    std::string folder, pre, post;
    bool zeros;
    std::int32_t section;
    std::string expected;
};

void PrintTo(const FileNameCase& c, std::ostream* out) { *out << c.expected; }

const FileNameCase kJoinsFolderPreTextZeroNumberAndPostText[] = {
    {"/out", "Part ", "", true, 10, "/out/Part 10.ogg"}, // padded to two digits, not "010"
    {"/out", "Part ", "", false, 10, "/out/Part 10.ogg"},
    {"/out/", "Part ", " - song.ogg", true, 1, "/out/Part 01 - song.ogg"}, // its own extension kept
    {"/out", "", " - live", true, 3, "/out/03 - live.ogg"},
    {"/out", "", "", false, 1, "/out/1.ogg"},
    {"/my.music", "Part ", "", true, 2, "/my.music/Part 02.ogg"}, // a dot in the folder is no extension
    {"/out", "Track", ".mp3.OGG", false, 7, "/out/Track7.mp3.OGG"},
    {"", "Part ", "", true, 1, "Part 01.ogg"}, // no folder: the current one, never the root
};

class SectionFileNameParts : public ::testing::TestWithParam<FileNameCase> {};

TEST_P(SectionFileNameParts, JoinsFolderPreTextZeroNumberAndPostText)
{
    const FileNameCase& c = GetParam();
    SplitOptions options;
    options.OutputFolder = c.folder;
    options.PreText = c.pre;
    options.PostText = c.post;
    options.Zeros = c.zeros;
    options.Source.CutPoints.resize(static_cast<std::size_t>(c.section - 1));
    EXPECT_EQ(SectionFileNames(options).Path(static_cast<std::size_t>(c.section - 1)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(SectionFileName, SectionFileNameParts, ::testing::ValuesIn(kJoinsFolderPreTextZeroNumberAndPostText));

TEST(SectionFileName, TemplateNumbersHaveTwoDigitsOrMore)
{
    SplitOptions options;
    options.OutputFolder = "/out";
    options.NameTemplate = "{n} {title}";
    for (int k = 1; k <= 100; ++k) {
        options.Source.TrackNames.push_back("named");
        options.Source.Comments.push_back({.Set = {{"TITLE", "T" + std::to_string(k)}}});
    }
    options.Source.CutPoints.resize(99);
    const OutputNames names = SectionFileNames(options);
    EXPECT_EQ(names.Path(6), "/out/07 T7.ogg");
    EXPECT_EQ(names.Path(99), "/out/100 T100.ogg");
}

// With zeros the names sort in section order: every number of a run has
// the width of the section count, two digits at least.
TEST(SectionFileName, ZerosMakeNamesSortInSectionOrder)
{
    const auto namesOf = [](std::int32_t sections, bool zeros) {
        SplitOptions options;
        options.OutputFolder = "/out";
        options.Zeros = zeros;
        options.Source.CutPoints.resize(static_cast<std::size_t>(sections - 1));
        const OutputNames settled = SectionFileNames(options);
        std::vector<std::string> names;
        for (std::int32_t k = 0; k < sections; ++k)
            names.push_back(settled.Path(static_cast<std::size_t>(k)));
        return names;
    };
    const std::vector<std::string> twelve = namesOf(12, true);
    EXPECT_EQ(twelve.front(), "/out/Part 01.ogg");
    EXPECT_EQ(twelve[9], "/out/Part 10.ogg");
    EXPECT_EQ(twelve.back(), "/out/Part 12.ogg");
    EXPECT_TRUE(std::ranges::is_sorted(twelve));

    const std::vector<std::string> hundred = namesOf(100, true);
    EXPECT_EQ(hundred.front(), "/out/Part 001.ogg");
    EXPECT_EQ(hundred[98], "/out/Part 099.ogg");
    EXPECT_EQ(hundred.back(), "/out/Part 100.ogg");
    EXPECT_TRUE(std::ranges::is_sorted(hundred));

    const std::vector<std::string> plain = namesOf(100, false);
    EXPECT_EQ(plain.front(), "/out/Part 1.ogg");
    EXPECT_EQ(plain.back(), "/out/Part 100.ogg");
}

// Opus sections end in ".opus" whatever dots the texts hold.
TEST(SectionFileName, OpusSectionsEndInOpus)
{
    MPEGData file;
    file.FileName = "/in/live.opus";
    file.Codec = "Opus";
    SplitOptions options;
    options.OutputFolder = "/out";
    options.Source = SectionsAtSamples(file, {100});
    options.PreText = "Live 2.0 ";
    EXPECT_EQ(SectionFileNames(options).Path(0), "/out/Live 2.0 01.opus");
    options.PreText = "Part ";
    options.PostText = " - live.Opus";
    EXPECT_EQ(SectionFileNames(options).Path(1), "/out/Part 02 - live.Opus");
    options.PostText = " (v1.2)";
    EXPECT_EQ(SectionFileNames(options).Path(0), "/out/Part 01 (v1.2).opus");
    options.NamesFromTitles = true;
    options.Source.TrackNames = {"01 - Mr. Blue"};
    EXPECT_EQ(SectionFileNames(options).Path(0), "/out/01 - Mr. Blue.opus");
}

struct MarkerCuts {
    const char* label;
    std::vector<std::int32_t> markers;
    std::vector<std::int64_t> cuts;
};

void PrintTo(const MarkerCuts& c, std::ostream* out) { *out << c.label; }

const MarkerCuts kMarkerCuts[] = {
    {"one section, the whole file", {0, 100}, {}},
    {"no leading, no trailing section", {0, 30, 100}, {300}},
    {"leading section ends at the first marker", {20, 100}, {200}},
    {"trailing section after the last marker", {0, 40}, {400}},
    {"leading and trailing", {20, 50, 80}, {200, 500, 800}},
    {"one marker", {33}, {330}},
    {"a marker past the end counts as the end", {0, 101}, {}},
};

MPEGData HundredBlocks()
{
    MPEGData file;
    file.FileName = "/x/song.ogg";
    file.BlockCount = 100;
    file.PcmTotal = 1000;
    file.SerialNumber = 7;
    return file;
}

class SectionsFromMarkerList : public ::testing::TestWithParam<MarkerCuts> {};

TEST_P(SectionsFromMarkerList, CutsAtTheMarkersBetweenTheSectionsOnly)
{
    const SectionSource source = SectionsFromMarkers(HundredBlocks(), GetParam().markers);
    EXPECT_EQ(source.CutPoints, GetParam().cuts);
    EXPECT_EQ(source.SerialNumber, 7);
    EXPECT_EQ(source.PcmTotal, 1000);
}

INSTANTIATE_TEST_SUITE_P(SectionsFromMarkers, SectionsFromMarkerList, ::testing::ValuesIn(kMarkerCuts),
                         [](const auto& info) { return TestName(info.param.label); });

TEST(SectionsFromMarkers, RefusesNoMarkers)
{
    EXPECT_THROW(SectionsFromMarkers(HundredBlocks(), {}), RangeError);
}

// A split plan on a folder of its own, with a source file that is never read
// by the planner.
class SplitPlan : public ::testing::Test {
protected:
    SplitOptions Options(std::vector<std::int64_t> cuts)
    {
        WriteBytes(dir_.Path("song.ogg"), Bytes(10, 1));
        return {.Source = {.FileName = dir_.Path("song.ogg"), .SerialNumber = 1000, .PcmTotal = 100000, .CutPoints = std::move(cuts)},
                .OutputFolder = dir_.Root(), .Sections = SectionChoice::All, .PreText = "Part ", .PostText = " - song.ogg", .Zeros = true};
    }
    std::set<std::string> Entries() const { return FolderEntries(dir_.Root()); }

    TempDir dir_;
    JobControl control_;
    RecordingObserver observer_;
};

// The step flags that depend on a section's place, as letters.
std::string StepLetters(const JobStacker& job)
{
    std::string letters;
    for (const auto& [set, letter] : {std::pair{job.OpenSource, 'O'}, {job.CutFirst, 'F'}, {job.CutMiddle, 'M'}, {job.CutLast, 'L'},
                                      {job.ReleasePackets, 'R'}, {job.CloseSource, 'C'}, {job.FinishOutput, 'W'}})
        if (set)
            letters += letter;
    return letters;
}

TEST_F(SplitPlan, SetsTheStepsByPositionAndChainsTheSections)
{
    SplitOptions options = Options({100, 2000, 30000});
    options.Source.SerialNumber = -2; // serial numbers wrap instead of overflowing
    const JobList jobs = PlanJobs(options, observer_);
    ASSERT_EQ(jobs.Count(), 4u);
    const std::vector<std::string> steps = {"OFW", "MW", "MW", "LRCW"};
    const std::vector<std::pair<std::int64_t, std::int64_t>> ranges = {{0, 100}, {100, 2000}, {2000, 30000}, {30000, 0}};
    for (std::size_t i = 0; i < jobs.Count(); ++i) {
        EXPECT_EQ(StepLetters(jobs[i]), steps[i]);
        EXPECT_EQ(jobs[i].StartGranule, ranges[i].first);
        EXPECT_EQ(jobs[i].EndGranule, ranges[i].second);
        EXPECT_EQ(jobs[i].StreamSerial, std::uint32_t(0xFFFFFFFEu + i)); // consecutive from the source's own
        EXPECT_TRUE(jobs[i].BeginStream && jobs[i].ClearStream && jobs[i].CloseOutput);
        EXPECT_EQ(jobs[i].OutputName, jobs[0].OutputName); // one temporary name for all
        EXPECT_EQ(jobs[i].FinalName, dir_.Path("Part 0" + std::to_string(i + 1) + " - song.ogg"));
    }
    EXPECT_EQ(observer_.Totals(), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(observer_.Currents().back(), "song.ogg");
    EXPECT_EQ(Entries().size(), 2u); // the source and the one temporary file
}

TEST_F(SplitPlan, AsksBeforeReplacingNonEmptyFilesAndCancelLeavesNothing)
{
    const SplitOptions options = Options({10});
    WriteBytes(dir_.Path("Part 01 - song.ogg"), {});
    EXPECT_FALSE(PlanJobs(options, observer_).WillOverwrite()); // empty files do not count
    WriteBytes(dir_.Path("Part 01 - song.ogg"), Bytes(3, 7));
    const auto before = Entries();
    JobList jobs = PlanJobs(options, observer_);
    ASSERT_TRUE(jobs.WillOverwrite());
    jobs.Clear(); // the Cancel answer
    EXPECT_EQ(Entries(), before);
    EXPECT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
    EXPECT_EQ(Entries(), before);
    EXPECT_TRUE(ReadBytes(dir_.Path("Part 01 - song.ogg")) == Bytes(3, 7));
}

TEST_F(SplitPlan, RefusesCutPointsOutOfOrderOrOutsideTheAudio)
{
    for (const std::vector<std::int64_t>& cuts : {std::vector<std::int64_t>{20, 10}, {-5}, {100001}}) {
        EXPECT_THROW(PlanJobs(Options(cuts), observer_), RangeError);
        EXPECT_EQ(Entries().size(), 1u); // no temporary file left
    }
}

// Two markers at one place make an empty section: it gets no job, the
// others keep their numbers, and the pass still opens, cuts to the end and
// closes once.
struct EmptySectionCase {
    const char* label;
    std::vector<std::int64_t> cuts;
    std::vector<std::string> steps;
    std::vector<std::string> names;
};

void PrintTo(const EmptySectionCase& c, std::ostream* out) { *out << c.label; }

const EmptySectionCase kEmptySections[] = {
    {"empty middle section", {10, 10}, {"OFW", "LRCW"}, {"Part 01", "Part 03"}},
    {"empty first section", {0, 500}, {"OFW", "LRCW"}, {"Part 02", "Part 03"}},
    {"empty last section", {500, 100000}, {"OFW", "LRCW"}, {"Part 01", "Part 02"}},
    {"one section left: cut as the last", {0, 100000}, {"OLRCW"}, {"Part 02"}},
};

class EmptySectionPlan : public SplitPlan, public ::testing::WithParamInterface<EmptySectionCase> {};

TEST_P(EmptySectionPlan, SkipsTheEmptySections)
{
    const EmptySectionCase& c = GetParam();
    const JobList jobs = PlanJobs(Options(c.cuts), observer_);
    ASSERT_EQ(jobs.Count(), c.steps.size());
    for (std::size_t i = 0; i < jobs.Count(); ++i) {
        EXPECT_EQ(StepLetters(jobs[i]), c.steps[i]);
        EXPECT_EQ(jobs[i].FinalName, dir_.Path(c.names[i] + " - song.ogg"));
    }
}

INSTANTIATE_TEST_SUITE_P(SplitPlan, EmptySectionPlan, ::testing::ValuesIn(kEmptySections),
                         [](const auto& info) { return TestName(info.param.label); });

// The kept sections of a cut share one output, which opens with the first
// written and closes, finished, with the last; the others are cut unwritten.
TEST_F(SplitPlan, CutKeepsOneOutputOpenFromTheFirstKeptSectionToTheLast)
{
    const CutOptions cut{.Source = Options({100, 2000, 30000}).Source,
                         .Kept = {true, false, true, false},
                         .Titles = {"a", "b", "c", "d"},
                         .FileName = dir_.Path("cut.ogg")};
    const JobList jobs = PlanJobs(cut, observer_);
    ASSERT_EQ(jobs.Count(), 4u);
    const std::vector<std::string> steps = {"OF", "M", "MW", "LRC"};
    for (std::size_t i = 0; i < jobs.Count(); ++i) {
        EXPECT_EQ(StepLetters(jobs[i]), steps[i]);
        EXPECT_EQ(jobs[i].SkipOutput, i % 2 == 1);
        EXPECT_EQ(jobs[i].CloseOutput, i == 2);
        EXPECT_EQ(jobs[i].OutputName, jobs[0].OutputName);
        EXPECT_EQ(jobs[i].SectionTitle, cut.Titles[i]);
    }
    EXPECT_EQ(jobs.FinalNames(), std::vector<std::string>{dir_.Path("cut.ogg")});

    CutOptions nothing = cut;
    nothing.Kept = {false, false, false, true};
    nothing.Source.CutPoints = {100, 2000, 100000}; // the one kept section is empty
    const auto before = Entries();
    EXPECT_THROW(PlanJobs(nothing, observer_), RangeError);
    EXPECT_EQ(Entries(), before);
}

TEST_F(SplitPlan, ExportRefusesAnEmptySection)
{
    const SectionSource source = Options({10, 10}).Source;
    EXPECT_THROW(PlanJobs(ExportOptions{.Source = source, .FileName = dir_.Path("x.ogg"), .Section = 2}, observer_), RangeError);
    EXPECT_EQ(PlanJobs(ExportOptions{.Source = source, .FileName = dir_.Path("x.ogg"), .Section = 3}, observer_).Count(), 2u);
}

// Writing a section over the file being cut would destroy it; the plan is
// refused before anything is created, however the name reaches the source.
TEST_F(SplitPlan, RefusesASectionNameThatIsTheSource)
{
    SplitOptions options = Options({10});
    fs::rename(dir_.Path("song.ogg"), dir_.Path("Part 02.ogg"));
    options.Source.FileName = dir_.Path("Part 02.ogg");
    options.PostText = "";
    EXPECT_THROW(PlanJobs(options, observer_), FileError);

    fs::create_directory(dir_.Path("sub"));
    fs::rename(dir_.Path("Part 02.ogg"), dir_.Path("sub/real.ogg"));
    fs::create_symlink(dir_.Path("sub/real.ogg"), dir_.Path("Part 02.ogg")); // a link to it
    options.Source.FileName = dir_.Path("sub/real.ogg");
    EXPECT_THROW(PlanJobs(options, observer_), FileError);

    options.Sections = SectionChoice::Odd; // section 2 is not written: no harm
    EXPECT_NO_THROW(PlanJobs(options, observer_));
    EXPECT_EQ(Entries(), (std::set<std::string>{"Part 02.ogg", "sub"}));
}

TEST_F(SplitPlan, ExportRefusesAMissingSectionOrTheSourceAsItsFile)
{
    const SectionSource source = Options({10, 20, 30}).Source;
    for (const std::int32_t wrong : {0, 5})
        EXPECT_THROW(PlanJobs(ExportOptions{.Source = source, .FileName = dir_.Path("x.ogg"), .Section = wrong}, observer_), RangeError);
    EXPECT_THROW(PlanJobs(ExportOptions{.Source = source, .FileName = source.FileName, .Section = 1}, observer_), FileError);
    EXPECT_EQ(Entries().size(), 1u);
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
        EXPECT_EQ(FolderEntries(dir.Path("in.d")).size(), 2u);
    }
    EXPECT_TRUE(FolderEntries(dir.Path("in.d")).empty()); // an unrun plan leaves nothing
    const JobList together = PlanJobs(WavOptions{.Files = files, .OneDirectory = true, .OutputFolder = dir.Path("out")}, observer);
    EXPECT_EQ(together[0].FinalName, dir.Path("out/one.wav"));
    EXPECT_EQ(together[1].FinalName, dir.Path("out/two.wav"));
    EXPECT_EQ(FolderEntries(dir.Path("out")).size(), 2u);

    WriteBytes(dir.Path("in.d/odd.wav"), Bytes(4, 0)); // an Ogg file named .wav would be replaced
    EXPECT_THROW(PlanJobs(WavOptions{.Files = {dir.Path("in.d/odd.wav")}, .OneDirectory = false, .OutputFolder = {}}, observer), FileError);
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
    // The finished output keeps these permissions: those of any new file.
    const mode_t mask = umask(022);
    umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(a).permissions()), 0666 & ~mask);
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
