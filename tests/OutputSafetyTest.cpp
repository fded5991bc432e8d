// What no command may write over: its own inputs, links, pipes and devices;
// text inputs that never end; and the temporary file left by an interrupt.

#include "base/Error.h"
#include "base/OutputTarget.h"
#include "base/TextFile.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TestAudio.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace oq::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Long enough for a loaded machine to start the tool; a blocked open or an
// endless read never ends at all.
constexpr auto kPrompt = 60s;

// Every file below `folder`, by relative name: its bytes, or what it is.
std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        if (entry.is_symlink())
            files[name] = "link to " + fs::read_symlink(entry.path()).string();
        else if (entry.is_fifo())
            files[name] = "pipe";
        else if (entry.is_regular_file()) {
            const Bytes bytes = ReadBytes(entry.path().string());
            files[name].assign(bytes.begin(), bytes.end());
        }
    }
    return files;
}

void WriteText(const std::string& path, const std::string& text) { WriteBytes(path, Bytes(text.begin(), text.end())); }

class OutputSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        song_ = dir_.Path("song.ogg");
        other_ = dir_.Path("other.ogg");
        WriteBytes(song_, MakeOggVorbis({.seconds = 4, .signal = Signal::Mixed}));
        WriteBytes(other_, MakeOggVorbis({.seconds = 2, .seed = 5}));
        WriteText(dir_.Path("song.cue"), "FILE \"song.ogg\" OGG\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                         "  TRACK 02 AUDIO\n    INDEX 01 00:02:00\n");
        WriteText(dir_.Path("mine.qrv"), "head\n<QRVLOOP>\n<QRV001>\n<QRVEND>\ntail\n");
    }

    // Runs the tool, which must refuse within kPrompt with a message naming
    // `named`, leaving every file of the folder as it was and no other.
    void ExpectRefused(const std::vector<std::string>& arguments, const std::string& named)
    {
        const auto before = Snapshot(dir_.Root());
        CliProcess run(arguments);
        const std::optional<CliResult> result = run.WaitFor(kPrompt);
        ASSERT_TRUE(result) << "still running after " << kPrompt.count() << " s";
        EXPECT_NE(result->Status, 0);
        EXPECT_NE(result->Err.find(named), std::string::npos) << result->Err;
        EXPECT_EQ(Snapshot(dir_.Root()), before);
    }

    TempDir dir_;
    std::string song_;
    std::string other_;
};

TEST_F(OutputSafety, NoCommandWritesOverOneOfItsInputs)
{
    const std::string sheet = dir_.Path("song.cue");
    const std::string qrv = dir_.Path("mine.qrv");
    // A sheet with the name a split gives its first section.
    const std::string named = dir_.Path("song1.cue");
    WriteBytes(named, ReadBytes(sheet));
    // Another name of the same file: a hard link, and a path through "..".
    const std::string hard = dir_.Path("hard.ogg");
    ASSERT_EQ(link(song_.c_str(), hard.c_str()), 0);
    fs::create_directory(dir_.Path("sub"));
    const std::string roundabout = dir_.Path("sub/../song.ogg");

    const struct {
        std::vector<std::string> arguments;
        std::string named;
    } cases[] = {
        {{"catalog", dir_.Root(), "--out", song_, "--quiet"}, song_},
        {{"catalog", dir_.Root(), "--template", qrv, "--out", qrv, "--quiet"}, qrv},
        {{"markers", song_, "--count", "2", "--save-cue", song_}, song_},
        {{"markers", song_, "--count", "2", "--save-labels", roundabout}, roundabout},
        {{"markers", song_, "--cue", sheet, "--save-cue", sheet}, sheet},
        // Neither output is written when the second is refused.
        {{"markers", song_, "--count", "2", "--save-labels", dir_.Path("new.txt"), "--save-cue", hard}, hard},
        // Nor when both are one new file.
        {{"markers", song_, "--count", "2", "--save-labels", dir_.Path("new.txt"), "--save-cue",
          dir_.Path("sub/../new.txt")},
         "new.txt"},
        {{"join", "--out", song_, song_, other_, "--quiet"}, song_},
        {{"join", "--out", hard, other_, song_, "--quiet"}, hard},
        {{"split", song_, "--cue", named, "--pre", "song", "--post", ".cue", "--no-zeros", "--force", "--quiet"},
         named},
        {{"export", song_, "--count", "2", "--section", "1", "--to", roundabout, "--quiet"}, roundabout},
        {{"wav", other_, dir_.Path("sub/../other.wav")}, "other.wav"},
    };
    // The WAV case: an Ogg file that happens to end in ".wav" is an input.
    WriteBytes(dir_.Path("other.wav"), ReadBytes(other_));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0] + " " + c.arguments[1] + " ... " + c.named);
        ExpectRefused(c.arguments, c.named);
    }
}

TEST_F(OutputSafety, OnlyANewNameOrARegularFileIsAnOutput)
{
    const std::string pipe = dir_.Path("pipe.ogg");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // A link is refused even when it leads to a regular file.
    const std::string target = dir_.Path("kept.csv");
    WriteText(target, "an older catalog\n");
    const std::string link = dir_.Path("link.csv");
    fs::create_symlink(target, link);

    ExpectRefused({"export", song_, "--count", "2", "--section", "1", "--to", pipe, "--quiet"}, pipe);
    ExpectRefused({"catalog", dir_.Root(), "--out", link, "--quiet"}, link);
    ExpectRefused({"markers", song_, "--count", "2", "--save-labels", link}, link);
    ExpectRefused({"join", "--out", dir_.Path("missing/joined.ogg"), song_, other_, "--quiet"}, "missing");
    ExpectRefused({"split", song_, "--count", "2", "--out", dir_.Path("missing"), "--quiet"}, "missing");
}

TEST_F(OutputSafety, TextInputsThatNeverEndAreRefusedUnread)
{
    const std::string pipe = dir_.Path("pipe.qrv");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // Sparse: one byte over the limit costs no disk.
    const std::string huge = dir_.Path("huge.cue");
    WriteText(huge, "FILE \"song.ogg\" OGG\n");
    fs::resize_file(huge, static_cast<std::uintmax_t>(kMaxTextFileBytes) + 1);

    ExpectRefused({"split", song_, "--cue", "/dev/zero", "--out", dir_.Root(), "--quiet"}, "/dev/zero");
    ExpectRefused({"markers", song_, "--labels", pipe}, pipe);
    ExpectRefused({"catalog", dir_.Root(), "--template", pipe, "--out", dir_.Path("c.txt"), "--quiet"}, pipe);
    ExpectRefused({"export", song_, "--cue", huge, "--section", "1", "--to", dir_.Path("x.ogg"), "--quiet"},
                  "16 MiB");
}

// What another program puts at an output's name while the output is
// written stays: a new name must still be new at the rename, a replaced
// file still the one that was there. The refusal names the file; the
// temporary file is left to its owner.
TEST(MoveIntoPlace, LeavesWhatAppearedAtTheNameMeanwhile)
{
    TempDir dir;
    const std::string finished = dir.Path("finished.tmp");
    const std::string name = dir.Path("out.ogg");
    const std::string elsewhere = dir.Path("elsewhere");
    WriteText(elsewhere, "a stranger's file\n");
    const auto expectRefused = [&](const OutputTarget& target, const std::string& reason) {
        const auto before = Snapshot(dir.Root());
        try {
            MoveIntoPlace(finished, target);
            ADD_FAILURE() << "replaced " << name;
        } catch (const FileError& refusal) {
            EXPECT_EQ(refusal.Path(), name);
            EXPECT_NE(refusal.Reason().find(reason), std::string::npos) << refusal.what();
        }
        EXPECT_EQ(Snapshot(dir.Root()), before);
    };
    WriteText(finished, "the output\n");

    const std::vector<std::function<void()>> strangers = {
        [&] { WriteText(name, "written meanwhile\n"); },
        [&] { fs::create_symlink(elsewhere, name); },
        [&] { fs::create_directory(name); },
    };
    for (const auto& appear : strangers) {
        const OutputTarget fresh = RequireWritableOutput(name, {});
        appear();
        expectRefused(fresh, "appeared while the output was written");
        fs::remove(name);
    }

    WriteText(name, "the old output\n");
    const OutputTarget old = RequireWritableOutput(name, {});
    fs::rename(elsewhere, name); // another file now, by another inode
    expectRefused(old, "was replaced by another file");

    // One removed since counts as new, and the output takes the name.
    fs::remove(name);
    MoveIntoPlace(finished, old);
    EXPECT_EQ(Snapshot(dir.Root()), (std::map<std::string, std::string>{{"out.ogg", "the output\n"}}));
}

// A second interrupt may end the run at once, but never leaves its
// temporary file. The tool is stopped while it writes the file, and both
// signals are queued before it goes on, so they arrive one after the other
// before the first one's cancel can clean up: the second is handled while
// the temporary file still exists.
TEST_F(OutputSafety, ASecondInterruptRemovesTheTemporaryFile)
{
    const std::string longer = dir_.Path("longer.ogg");
    WriteBytes(longer, MakeOggVorbis({.channels = 2, .rate = 44100, .seconds = 60, .signal = Signal::Noise}));
    const std::string out = dir_.Path("wavs");
    fs::create_directory(out);
    const auto temporaries = [&] {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(out))
            count += entry.path().extension() == ".tmp";
        return count;
    };
    // Planning makes the file empty; a size shows the conversion writing it.
    const auto writing = [&] {
        return std::any_of(fs::directory_iterator(out), fs::directory_iterator(), [](const auto& entry) {
            std::error_code gone;
            return entry.path().extension() == ".tmp" && fs::file_size(entry.path(), gone) > 0 && !gone;
        });
    };
    CliProcess run({"wav", "--dir", out, longer, "--quiet"});
    for (int wait = 0; wait < 20000 && !writing(); ++wait)
        std::this_thread::sleep_for(1ms);
    run.Signal(SIGSTOP);
    ASSERT_EQ(temporaries(), 1) << "the conversion ended before it could be interrupted";
    // Two different signals: two of one kind pending together count once.
    run.Signal(SIGINT);
    run.Signal(SIGTERM);
    run.Signal(SIGCONT);
    const std::optional<CliResult> result = run.WaitFor(kPrompt);
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->Status == 128 + SIGINT || result->Status == 128 + SIGTERM) << result->Status << result->Err;
    EXPECT_EQ(temporaries(), 0);
    EXPECT_TRUE(fs::is_empty(out));
}

} // namespace
} // namespace oq::test
