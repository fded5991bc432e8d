#include "base/Error.h"
#include "base/JobControl.h"
#include "jobs/JobPlanner.h"
#include "jobs/JobRunner.h"
#include "tools/Joiner.h"
#include "tests/support/JobTestSupport.h"
#include "tests/support/TestAudio.h"

#include <gtest/gtest.h>
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
TEST(Joiner, AFailedJoinReportsTheFileAndLeavesTheFolderAsItWas)
{
    struct Case {
        const char* label;
        std::function<void(JoinFolder&)> prepare;
        const char* culprit;
    };
    const std::vector<Case> cases = {
        {"input shrank since it was listed",
         [](JoinFolder& f) { f.Add("short.ogg", Pattern(3000, 2), 3001); }, "short.ogg"},
        {"input became a folder",
         [](JoinFolder& f) {
             f.Add("gone.ogg", {}, 10);
             std::filesystem::remove(f.Dir().Path("gone.ogg"));
             std::filesystem::create_directory(f.Dir().Path("gone.ogg"));
         },
         "gone.ogg"},
        {"input vanished",
         [](JoinFolder& f) {
             f.Add("vanished.ogg", Pattern(10, 1), 10);
             std::filesystem::remove(f.Dir().Path("vanished.ogg"));
         },
         "vanished.ogg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        JoinFolder folder;
        folder.Add("a.ogg", Pattern(5000, 1), 5000);
        c.prepare(folder);
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
            EXPECT_EQ(error.Path(), folder.Dir().Path(c.culprit));
        }
        EXPECT_EQ(FolderEntries(folder.Dir().Root()), before);
        EXPECT_TRUE(ReadBytes(folder.Dir().Path("joined.ogg")) == Pattern(100, 8));
    }
}

// Paused from the running thread as the second job begins, the run waits
// with the old output intact until another thread resumes or cancels it.
TEST(Joiner, PauseHoldsTheRunUntilResumedOrCancelled)
{
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "resumed");
        JoinFolder folder;
        folder.Add("a.ogg", Pattern(50000, 1), 50000);
        folder.Add("b.ogg", Pattern(50000, 2), 50000);
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
        EXPECT_EQ(ReadBytes(folder.Dir().Path("joined.ogg")).size(), cancel ? 10u : 100000u);
    }
}

} // namespace
} // namespace oq::test
