#include "tests/support/CliRunner.h"
#include "tests/support/TestAudio.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <vorbis/vorbisfile.h>

namespace oq::test {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kRate = 44100;
constexpr std::int64_t kChannels = 2;
constexpr std::int64_t kSamplesPerFrame = kRate / 75; // a cue sheet's 1/75 s

void Write(const std::string& path, const std::string& text) { WriteBytes(path, Bytes(text.begin(), text.end())); }

std::string Read(const std::string& path)
{
    const Bytes bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

std::set<std::string> FilesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string Comment(const std::string& path, const char* name)
{
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0)
        return "(unreadable)";
    const char* value = vorbis_comment_query(ov_comment(&file, 0), name, 0);
    std::string text = value ? value : "(none)";
    ov_clear(&file);
    return text;
}

class ExactCuts : public ::testing::Test {
protected:
    void SetUp() override
    {
        song_ = dir_.Path("song.ogg");
        WriteBytes(song_, MakeOggVorbis({.seconds = 12, .signal = Signal::Mixed}));
        source_ = DecodeSamples(song_);
        fs::create_directory(Out());
    }

    std::string Out() const { return dir_.Path("out"); }

    // Section `name` holds exactly the source's samples from `start` to
    // `end` (sample frames); an empty text when it does.
    std::string ProblemWithSection(const std::string& name, std::int64_t start, std::int64_t end) const
    {
        const auto samples = DecodeSamples(Out() + "/" + name);
        if (static_cast<std::int64_t>(samples.size()) != (end - start) * kChannels)
            return name + " holds " + std::to_string(samples.size() / kChannels) + " samples, not " +
                   std::to_string(end - start);
        if (!std::equal(samples.begin(), samples.end(), source_.begin() + start * kChannels))
            return name + " does not start at sample " + std::to_string(start);
        return {};
    }

    std::int64_t Total() const { return static_cast<std::int64_t>(source_.size()) / kChannels; }

    TempDir dir_;
    std::string song_;
    std::vector<std::int16_t> source_;
};

// Each track starts at its INDEX 01 to the frame, however many frames past
// the second; a pregap (INDEX 00) is the end of the track before. A sheet
// the markers are saved as gives the same INDEX 01 times back.
TEST_F(ExactCuts, ACueSheetCutsEveryTrackAtItsIndexOneToTheSample)
{
    const std::string sheet = dir_.Path("album.cue");
    Write(sheet, "FILE \"song.ogg\" WAVE\n"
                 "  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n"
                 "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    INDEX 00 00:02:10\n    INDEX 01 00:03:37\n"
                 "  TRACK 03 AUDIO\n    TITLE \"Three\"\n    INDEX 00 00:06:00\n    INDEX 01 00:06:74\n"
                 "  TRACK 04 AUDIO\n    TITLE \"Four\"\n    INDEX 00 00:09:01\n");
    const CliResult result = RunCli({"split", song_, "--cue", sheet, "--out", Out(), "--names-from-titles", "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    const std::int64_t starts[] = {0, (3 * 75 + 37) * kSamplesPerFrame, (6 * 75 + 74) * kSamplesPerFrame,
                                   (9 * 75 + 1) * kSamplesPerFrame, Total()};
    const char* names[] = {"01 - One.ogg", "02 - Two.ogg", "03 - Three.ogg", "04 - Four.ogg"};
    EXPECT_EQ(FilesIn(Out()), std::set<std::string>(std::begin(names), std::end(names)));
    for (std::size_t k = 0; k < std::size(names); ++k)
        EXPECT_EQ(ProblemWithSection(names[k], starts[k], starts[k + 1]), "");

    const std::string saved = dir_.Path("saved.cue");
    const CliResult markers = RunCli({"markers", song_, "--cue", sheet, "--save-cue", saved});
    ASSERT_EQ(markers.Status, 0) << markers.Err;
    const std::string text = Read(saved);
    for (const char* index : {"INDEX 01 00:00:00\n", "INDEX 01 00:03:37\n", "INDEX 01 00:06:74\n", "INDEX 01 00:09:01\n"})
        EXPECT_NE(text.find(index), std::string::npos) << index << " in\n" << text;
    EXPECT_NE(text.find("TITLE \"Three\""), std::string::npos) << text;
    EXPECT_NE(markers.Out.find("sample " + std::to_string(starts[2]) + ", \"Three\")"), std::string::npos)
        << markers.Out;
}

// Labels cut at their nearest samples and title their sections, in the
// names and the TITLE comments, beside the user's tags; saved again they
// give the same samples and texts.
TEST_F(ExactCuts, LabelsCutToTheSampleAndTitleTheirSections)
{
    const std::string labels = dir_.Path("labels.txt");
    // 1.234567 s is 54,444.4 samples, 5.5 s exactly 242,550.
    Write(labels, "1.234567\t1.234567\tIntro\n5.5\t7\tVerse/One\n");
    const CliResult result = RunCli({"split", song_, "--labels", labels, "--out", Out(), "--names-from-titles",
                                     "--tag", "ALBUM=Tape {n}/{total}", "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(FilesIn(Out()), (std::set<std::string>{"Part 01 - song.ogg", "02 - Intro.ogg", "03 - Verse_One.ogg"}));
    EXPECT_EQ(ProblemWithSection("Part 01 - song.ogg", 0, 54444), "");
    EXPECT_EQ(ProblemWithSection("02 - Intro.ogg", 54444, 242550), "");
    EXPECT_EQ(ProblemWithSection("03 - Verse_One.ogg", 242550, Total()), "");
    EXPECT_EQ(Comment(Out() + "/Part 01 - song.ogg", "TITLE"), "test audio");
    EXPECT_EQ(Comment(Out() + "/03 - Verse_One.ogg", "TITLE"), "Verse/One");
    EXPECT_EQ(Comment(Out() + "/03 - Verse_One.ogg", "ALBUM"), "Tape 3/3");

    // A template names the titled sections; the others keep the usual name.
    fs::remove_all(Out());
    fs::create_directory(Out());
    ASSERT_EQ(RunCli({"split", song_, "--labels", labels, "--out", Out(), "--name", "{n} {title}", "--quiet"}).Status, 0);
    EXPECT_EQ(FilesIn(Out()), (std::set<std::string>{"Part 01 - song.ogg", "02 Intro.ogg", "03 Verse_One.ogg"}));

    const std::string saved = dir_.Path("saved.txt");
    ASSERT_EQ(RunCli({"markers", song_, "--labels", labels, "--save-labels", saved}).Status, 0);
    const std::string again = dir_.Path("again.txt");
    const CliResult back = RunCli({"markers", song_, "--labels", saved, "--save-labels", again});
    ASSERT_EQ(back.Status, 0) << back.Err;
    EXPECT_EQ(Read(again), Read(saved));
    EXPECT_NE(Read(saved).find("1.234558\t1.234558\tIntro\n"), std::string::npos) << Read(saved);
    EXPECT_NE(back.Out.find("sample 54444, \"Intro\")"), std::string::npos) << back.Out;
}

// A naming option without titles to name by, and times out of order, are
// refused before anything is written; "-" counts back from the end.
TEST_F(ExactCuts, NamesNeedTitlesAndTimesCountFromEitherEnd)
{
    const CliResult untitled = RunCli({"split", song_, "--count", "2", "--out", Out(), "--names-from-titles"});
    EXPECT_EQ(untitled.Status, 2);
    EXPECT_NE(untitled.Err.find("--names-from-titles"), std::string::npos) << untitled.Err;
    const CliResult disordered = RunCli({"split", song_, "--at", "5,-8", "--out", Out()});
    EXPECT_EQ(disordered.Status, 2);
    EXPECT_NE(disordered.Err.find("--at -8 follows 5"), std::string::npos) << disordered.Err;
    EXPECT_TRUE(FilesIn(Out()).empty());

    ASSERT_EQ(RunCli({"split", song_, "--at", "-0:02.5", "--out", Out(), "--quiet"}).Status, 0);
    EXPECT_EQ(ProblemWithSection("Part 02 - song.ogg", Total() - 110250, Total()), "");
}

} // namespace
} // namespace oq::test
