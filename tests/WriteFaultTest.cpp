// Faults while the tools write: a cancel, the output folder removed, the
// source shortened or removed, at every report of a run; a disk that fills
// up (a file size limit, and a small filesystem of its own where the test
// may mount one); a read-only output folder. Whatever happens, the run
// reports it, every file it opened is closed, no temporary file stays, and
// each final name holds either its old file untouched or a whole new one.

#include "base/Error.h"
#include "base/JobControl.h"
#include "jobs/JobPlanner.h"
#include "jobs/JobRunner.h"
#include "tests/support/JobTestSupport.h"
#include "tests/support/OggCheck.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/OutputCheck.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <tuple>
#include <sys/mount.h>
#include <sys/resource.h>

namespace oq::test {
namespace {

namespace fs = std::filesystem;

const Bytes kOldFile(77, 'o'); // what every final name holds before a run

struct Sources {
    Bytes song; // stereo, 1.5 s: three sections, a WAV file of some reads
    Bytes two;  // mono, 0.5 s, another serial number
    static const Sources& Get()
    {
        static const Sources sources{MakeOggVorbis({.channels = 2, .rate = 11025, .seconds = 1.5, .signal = Signal::Mixed},
                                                   {.flushEveryPackets = 6}),
                                     MakeOggVorbis({.channels = 1, .rate = 11025, .seconds = 0.5}, {.serial = 0x77})};
        return sources;
    }
};

constexpr char kTemplate[] = "head\n<QRVLOOP>\n<QRV001>,<QRV003>,<QRV008>\n<QRVEND>\ntail\n";

// A folder of sources ("in") and one for the outputs ("out"), made afresh
// for every run.
class Folders {
public:
    std::string In(const std::string& name = {}) const { return dir_.Path("in") + (name.empty() ? "" : "/" + name); }
    std::string Out(const std::string& name = {}) const { return out_ + (name.empty() ? "" : "/" + name); }
    void UseOutput(std::string folder) { out_ = std::move(folder); }

    void Fresh(const std::vector<std::string>& finals) const
    {
        fs::remove_all(In());
        fs::create_directories(In());
        fs::create_directories(Out());
        for (const auto& entry : fs::directory_iterator(Out()))
            fs::remove_all(entry.path());
        WriteBytes(In("song.ogg"), Sources::Get().song);
        WriteBytes(In("two.ogg"), Sources::Get().two);
        WriteBytes(In("t.qrv"), Bytes(std::begin(kTemplate), std::end(kTemplate) - 1));
        for (const std::string& name : finals)
            WriteBytes(Out(name), kOldFile);
    }

private:
    TempDir dir_;
    std::string out_ = dir_.Path("out");
};

struct Tool {
    const char* Name;
    std::vector<std::string> Finals; // in the output folder
    std::function<JobList(const Folders&, const JobControl&, JobObserver&)> Plan;
};

std::int64_t Samples(const Bytes& ogg)
{
    const auto pages = PageSpans(ogg);
    std::int64_t granule = 0;
    for (int i = 7; i >= 0; --i)
        granule = (granule << 8) | ogg[pages.back().Offset + 6 + static_cast<std::size_t>(i)];
    return granule;
}

const std::vector<Tool>& Tools()
{
    static const std::vector<Tool> tools = {
        {"split", {"Part 01.ogg", "Part 02.ogg", "Part 03.ogg"},
         [](const Folders& f, const JobControl&, JobObserver& observer) {
             const std::int64_t total = Samples(Sources::Get().song);
             return PlanJobs(SplitOptions{.Source = {.FileName = f.In("song.ogg"), .SerialNumber = 0x5157, .PcmTotal = total,
                                                     .CutPoints = {total / 3, total * 2 / 3}},
                                          .OutputFolder = f.Out(), .PreText = "Part ", .PostText = "", .Zeros = true},
                             observer);
         }},
        {"export", {"second.ogg"},
         [](const Folders& f, const JobControl&, JobObserver& observer) {
             const std::int64_t total = Samples(Sources::Get().song);
             return PlanJobs(ExportOptions{.Source = {.FileName = f.In("song.ogg"), .SerialNumber = 0x5157, .PcmTotal = total,
                                                      .CutPoints = {total / 3, total * 2 / 3}},
                                           .FileName = f.Out("second.ogg"), .Section = 2},
                             observer);
         }},
        {"export to WAV", {"second.wav"},
         [](const Folders& f, const JobControl&, JobObserver& observer) {
             const std::int64_t total = Samples(Sources::Get().song);
             return PlanJobs(ExportOptions{.Source = {.FileName = f.In("song.ogg"), .SerialNumber = 0x5157, .PcmTotal = total,
                                                      .CutPoints = {total / 3, total * 2 / 3}},
                                           .FileName = f.Out("second.wav"), .Section = 2, .Wav = true},
                             observer);
         }},
        {"cut", {"cut.ogg"},
         [](const Folders& f, const JobControl&, JobObserver& observer) {
             const std::int64_t total = Samples(Sources::Get().song);
             return PlanJobs(CutOptions{.Source = {.FileName = f.In("song.ogg"), .SerialNumber = 0x5157, .PcmTotal = total,
                                                   .CutPoints = {total / 4, total / 2, total * 3 / 4}},
                                        .Kept = {true, false, true, false}, .FileName = f.Out("cut.ogg")},
                             observer);
         }},
        {"cut as one stream", {"one.ogg"},
         [](const Folders& f, const JobControl&, JobObserver& observer) {
             const std::int64_t total = Samples(Sources::Get().song);
             return PlanJobs(CutOptions{.Source = {.FileName = f.In("song.ogg"), .SerialNumber = 0x5157, .PcmTotal = total,
                                                   .Rate = 11025, .CutPoints = {total / 4, total / 2, total * 3 / 4}},
                                        .Kept = {true, false, true, false}, .FileName = f.Out("one.ogg"),
                                        .OneStream = true, .Chapters = true},
                             observer);
         }},
        {"join", {"joined.ogg"},
         [](const Folders& f, const JobControl&, JobObserver& observer) {
             JoinOptions join{.Files = {}, .OutputFile = f.Out("joined.ogg")};
             for (const char* name : {"song.ogg", "two.ogg"}) {
                 join.Files.emplace_back();
                 join.Files.back().FileName = f.In(name);
                 join.Files.back().FileSize = static_cast<std::int64_t>(fs::file_size(f.In(name)));
             }
             return PlanJobs(join, observer);
         }},
        {"WAV", {"song.wav", "two.wav"},
         [](const Folders& f, const JobControl&, JobObserver& observer) {
             return PlanJobs(WavOptions{.Files = {f.In("song.ogg"), f.In("two.ogg")}, .OneDirectory = true, .OutputFolder = f.Out()},
                             observer);
         }},
        {"catalog", {"list.csv"},
         [](const Folders& f, const JobControl& control, JobObserver& observer) {
             return PlanJobs(CatalogOptions{.Mode = CatalogMode::Custom, .CustomTemplate = f.In("t.qrv"), .Directory = f.In(),
                                            .OutputFile = f.Out("list.csv"), .Filter = "*.ogg", .IncludeSubFolders = false},
                             control, observer);
         }},
    };
    return tools;
}

// Every final name holds its old file or a whole new one, and nothing else
// is in the output folder.
void ExpectOldOrWhole(const Folders& folders, const Tool& tool)
{
    if (!fs::exists(folders.Out()))
        return;
    for (const std::string& name : FolderEntries(folders.Out())) {
        SCOPED_TRACE(name);
        ASSERT_NE(std::find(tool.Finals.begin(), tool.Finals.end(), name), tool.Finals.end()) << "left behind";
        const Bytes bytes = ReadBytes(folders.Out(name));
        if (bytes == kOldFile)
            continue;
        if (name == "joined.ogg") {
            EXPECT_TRUE(bytes == Joined({Sources::Get().song, Sources::Get().two}));
        } else if (name == "list.csv") {
            const std::string text(bytes.begin(), bytes.end());
            EXPECT_TRUE(text.starts_with("head\n") && text.ends_with("tail\n")) << text;
        } else {
            EXPECT_EQ(ProblemWithOutput(folders.Out(name)), "");
        }
    }
}

// Acts once, at a given report of the run (planning included): the n-th
// call of any of the observer's methods.
class ActAtReport : public JobObserver {
public:
    ActAtReport(int at, std::function<void()> act) : at_(at), act_(std::move(act)) {}
    void CurrentFile(const std::string&) override { Count(); }
    void TotalText(const std::string&) override { Count(); }
    void ProcessText(const std::string&) override { Count(); }
    void Progress(std::int64_t, std::int64_t) override { Count(); }
    bool Acted() const { return acted_; }

private:
    void Count()
    {
        if (seen_++ == at_) {
            acted_ = true;
            act_();
        }
    }
    int at_;
    int seen_ = 0;
    bool acted_ = false;
    std::function<void()> act_;
};

struct Fault {
    const char* Name;
    std::function<void(const Folders&, JobControl&)> Act;
};

const std::vector<Fault>& Faults()
{
    static const std::vector<Fault> faults = {
        {"cancel", [](const Folders&, JobControl& control) { control.RequestCancel(); }},
        {"output folder removed", [](const Folders& f, JobControl&) { fs::remove_all(f.Out()); }},
        {"source shortened", [](const Folders& f, JobControl&) { fs::resize_file(f.In("song.ogg"), Sources::Get().song.size() / 2); }},
        {"source removed", [](const Folders& f, JobControl&) { fs::remove(f.In("song.ogg")); }},
    };
    return faults;
}

// A tool by its place in Tools().
class ToolFault : public ::testing::TestWithParam<std::size_t> {};
// A tool and a fault by their places in Tools() and Faults().
class ToolAndFault : public ::testing::TestWithParam<std::tuple<std::size_t, std::size_t>> {};

std::string ToolName(const ::testing::TestParamInfo<std::size_t>& info)
{
    return TestName(Tools()[info.param].Name);
}

std::string ToolAndFaultName(const ::testing::TestParamInfo<std::tuple<std::size_t, std::size_t>>& info)
{
    return TestName(Tools()[std::get<0>(info.param)].Name) + "_" + TestName(Faults()[std::get<1>(info.param)].Name);
}

// The fault, for the tool, at every report of the run in turn, until the
// run ends before the report comes.
TEST_P(ToolAndFault, AtEveryReportTheRunEndsCleanly)
{
    const Tool& tool = Tools()[std::get<0>(GetParam())];
    const Fault& fault = Faults()[std::get<1>(GetParam())];
    Folders folders;
    int runs = 0;
    for (int at = 0;; ++at) {
        SCOPED_TRACE("at report " + std::to_string(at));
        folders.Fresh(tool.Finals);
        JobControl control;
        ActAtReport observer(at, [&] { fault.Act(folders, control); });
        const std::size_t openBefore = OpenFileCount();
        try {
            JobList jobs = tool.Plan(folders, control, observer);
            const RunResult result = RunJobs(jobs, control, observer);
            EXPECT_TRUE(result == RunResult::Finished || control.Cancelled());
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()), "");
        }
        ++runs;
        EXPECT_EQ(OpenFileCount(), openBefore);
        ExpectOldOrWhole(folders, tool);
        for (const std::string& name : FolderEntries(folders.In()))
            EXPECT_FALSE(name.ends_with(".tmp")) << name;
        if (!observer.Acted())
            break;
    }
    RecordProperty("runs", runs);
}

INSTANTIATE_TEST_SUITE_P(WriteFaults, ToolAndFault,
                         ::testing::Combine(::testing::Range<std::size_t>(0, Tools().size()),
                                            ::testing::Range<std::size_t>(0, Faults().size())),
                         ToolAndFaultName);

// Writes beyond a size limit fail with EFBIG (the signal that would end the
// program is ignored meanwhile), the way a full disk fails them.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

// Runs the tool and expects it to fail with `code` or, when everything fit,
// to finish; either way cleanly. Tells whether it failed.
bool ExpectFullDiskHandled(const Folders& folders, const Tool& tool, int code, const std::function<void()>& limitOn,
                           const std::function<void()>& limitOff)
{
    bool failed = false;
    folders.Fresh(tool.Finals);
    JobControl control;
    JobObserver quiet;
    const std::size_t openBefore = OpenFileCount();
    try {
        JobList jobs = tool.Plan(folders, control, quiet);
        limitOn();
        const RunResult result = RunJobs(jobs, control, quiet);
        limitOff();
        EXPECT_EQ(result, RunResult::Finished);
    } catch (const IoError& error) {
        limitOff();
        failed = true;
        EXPECT_EQ(error.Code(), code) << error.what();
    }
    EXPECT_EQ(OpenFileCount(), openBefore);
    ExpectOldOrWhole(folders, tool);
    return failed;
}

TEST_P(ToolFault, AFileSizeLimitFailsTheRunAndKeepsTheOldFiles)
{
    const Tool& tool = Tools()[GetParam()];
    Folders folders;
    // Inside the first page, inside the headers, beyond them.
    for (const rlim_t limit : {rlim_t{40}, rlim_t{3000}, rlim_t{9000}}) {
        SCOPED_TRACE(std::to_string(limit) + " bytes");
        std::unique_ptr<FileSizeLimit> active;
        const bool failed = ExpectFullDiskHandled(
            folders, tool, EFBIG, [&] { active = std::make_unique<FileSizeLimit>(limit); }, [&] { active.reset(); });
        EXPECT_TRUE(failed || limit > 40) << "nothing fits in 40 bytes";
    }
}

// A filesystem of its own mounted for the test, released however the test
// ends. Mounting needs the right to (root in the CI); without it the tests
// that need one are skipped.
class TestMount {
public:
    TestMount(const std::string& at, const std::string& options, unsigned long flags = 0) : at_(at)
    {
        fs::create_directories(at);
        mounted_ = mount("oqtest", at.c_str(), "tmpfs", flags, options.c_str()) == 0;
        error_ = mounted_ ? 0 : errno;
    }
    TestMount(const TestMount&) = delete;
    TestMount& operator=(const TestMount&) = delete;
    ~TestMount()
    {
        if (mounted_)
            umount2(at_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    std::string Why() const { return "cannot mount a filesystem for the test: " + std::string(std::strerror(error_)); }

private:
    std::string at_;
    bool mounted_ = false;
    int error_ = 0;
};

// The tools whose output outgrows a small filesystem (a catalog's few lines
// fit in any room).
std::vector<std::size_t> ToolsOfLargeOutput()
{
    std::vector<std::size_t> tools;
    for (std::size_t k = 0; k < Tools().size(); ++k)
        if (std::string(Tools()[k].Name) != "catalog")
            tools.push_back(k);
    return tools;
}

class LargeOutputFault : public ToolFault {};

TEST_P(LargeOutputFault, AFullFilesystemFailsTheRunAndKeepsTheOldFiles)
{
    constexpr std::size_t kPageBytes = 4096; // the smallest room a file takes there
    const Tool& tool = Tools()[GetParam()];
    TempDir place;
    Folders folders;
    folders.UseOutput(place.Path("small"));
    // Room for the old files and one page more, less than any output.
    const std::size_t room = kPageBytes * (tool.Finals.size() + 1);
    TestMount full(place.Path("small"), "size=" + std::to_string(room) + ",mode=0755");
    if (!full.Mounted())
        GTEST_SKIP() << full.Why();
    EXPECT_TRUE(ExpectFullDiskHandled(folders, tool, ENOSPC, [] {}, [] {})) << "the output does not fit";
}

TEST_P(ToolFault, AReadOnlyOutputFolderIsRefusedBeforeAnythingIsWritten)
{
    const Tool& tool = Tools()[GetParam()];
    TempDir place;
    TestMount readOnly(place.Path("locked"), "size=64k", MS_RDONLY);
    if (!readOnly.Mounted())
        GTEST_SKIP() << readOnly.Why();
    Folders folders;
    folders.UseOutput(place.Path("locked"));
    fs::create_directories(folders.In());
    WriteBytes(folders.In("song.ogg"), Sources::Get().song);
    WriteBytes(folders.In("two.ogg"), Sources::Get().two);
    WriteBytes(folders.In("t.qrv"), Bytes(std::begin(kTemplate), std::end(kTemplate) - 1));
    JobControl control;
    JobObserver quiet;
    try {
        JobList jobs = tool.Plan(folders, control, quiet);
        RunJobs(jobs, control, quiet);
        ADD_FAILURE() << "the run did not fail";
    } catch (const IoError& error) {
        EXPECT_EQ(error.Code(), EROFS) << error.what();
        EXPECT_NE(std::string(error.what()).find(place.Path("locked")), std::string::npos) << error.what();
    }
    EXPECT_TRUE(FolderEntries(place.Path("locked")).empty());
}

INSTANTIATE_TEST_SUITE_P(WriteFaults, ToolFault, ::testing::Range<std::size_t>(0, Tools().size()), ToolName);
INSTANTIATE_TEST_SUITE_P(WriteFaults, LargeOutputFault, ::testing::ValuesIn(ToolsOfLargeOutput()), ToolName);

} // namespace
} // namespace oq::test
