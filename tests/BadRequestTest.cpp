// Requests the command-line tool must not carry out in part: more markers
// than the editor holds, numbers that wrap or are missing. Each is refused
// before a byte is written, with a failure status and a message naming
// what was asked, and the source stays as it was. Beside them, a catalog
// over files it can only partly read, and the messages that must say what
// is wrong with a file.

#include "tests/support/CliRunner.h"
#include "tests/support/JobTestSupport.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/TestAudio.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace oq::test {
namespace {

namespace fs = std::filesystem;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A cue sheet of `tracks` tracks, a second apart at most: many share a
// second, and each still asks for a marker of its own.
std::string CueSheetOf(int tracks)
{
    std::string text = "FILE \"song.ogg\" OGG\n";
    for (int k = 0; k < tracks; ++k)
        text += "  TRACK " + std::to_string(k + 1) + " AUDIO\n    INDEX 01 00:0" + std::to_string(k % 10) + ":00\n";
    return text;
}

// "SONG" stands for the song, "DIR/" for its folder, "CUE" for a cue sheet
// of 2000 tracks beside it.
struct Refusal {
    const char* Label;
    std::vector<std::string> Arguments;
    const char* Message; // a regular expression the error must hold
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.Label; }

const Refusal kRefusals[] = {
    // The thousands may be grouped by the locale.
    {"CueSheetOfMoreTracksThanMarkers", {"split", "SONG", "--cue", "CUE"},
     R"(the cue sheet ".*many.cue" has 2,?000 tracks; at most 1,?000 can be cut: the editor holds 1,?000 markers)"},
    {"CountOfMoreSectionsThanMarkers", {"split", "SONG", "--count", "5000"},
     R"(--count 5000 asks for 5,?000 sections; at most 999 can be cut)"},
    {"TimeWhoseSamplesWrap", {"export", "SONG", "--at", "2305843009213694", "--section", "1", "--to", "DIR/x.ogg"},
     R"(--at "2305843009213694" lies past the end of any audio)"},
    {"TimePastEveryFile", {"split", "SONG", "--at", "4109733798734610992"},
     R"(--at "4109733798734610992" lies past the end of any audio)"},
    {"EmptyTimeList", {"export", "SONG", "--at", "", "--section", "1", "--to", "DIR/x.ogg"},
     R"(--at "" holds an empty item)"},
    {"TimeListOfCommasOnly", {"export", "SONG", "--at", ",,,", "--section", "1", "--to", "DIR/x.ogg"},
     R"(--at ",,," holds an empty item)"},
};

class BadRequest : public ::testing::TestWithParam<Refusal> {
protected:
    void SetUp() override
    {
        song_ = dir_.Path("song.ogg");
        WriteBytes(song_, MakeOggVorbis({.seconds = 12}));
        WriteBytes(dir_.Path("many.cue"), Text(CueSheetOf(2000)));
    }

    TempDir dir_;
    std::string song_;
};

TEST_P(BadRequest, IsRefusedWholeNamingWhatWasAsked)
{
    std::vector<std::string> arguments;
    for (const std::string& argument : GetParam().Arguments) {
        if (argument == "SONG")
            arguments.push_back(song_);
        else if (argument == "CUE")
            arguments.push_back(dir_.Path("many.cue"));
        else if (argument.starts_with("DIR/"))
            arguments.push_back(dir_.Path(argument.substr(4)));
        else
            arguments.push_back(argument);
    }
    const auto before = FolderEntries(dir_.Root());
    const Bytes source = ReadBytes(song_);
    const CliResult result = RunCli(arguments);
    EXPECT_NE(result.Status, 0);
    EXPECT_TRUE(std::regex_search(result.Err, std::regex(GetParam().Message))) << result.Err;
    EXPECT_EQ(FolderEntries(dir_.Root()), before) << "nothing may be written";
    EXPECT_TRUE(ReadBytes(song_) == source);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, BadRequest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.Label); });

// A catalog lists every file it can read, names on standard error those it
// cannot, and fails.
class CatalogOfUnreadableFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        const Bytes good = MakeOggVorbis({.channels = 1, .rate = 8000, .seconds = 0.5});
        fs::create_directories(dir_.Path("music"));
        WriteBytes(dir_.Path("music/good.ogg"), good);
        WriteBytes(dir_.Path("music/garbage.ogg"), Bytes(3000, 'x'));
        WriteBytes(dir_.Path("music/cut.ogg"), Bytes(good.begin(), good.begin() + 20));
    }
    CliResult Run() const { return RunCli({"catalog", dir_.Path("music"), "--out", Output(), "--quiet"}); }
    std::string Output() const { return dir_.Path("list.csv"); }
    std::string Written() const
    {
        const Bytes bytes = ReadBytes(Output());
        return {bytes.begin(), bytes.end()};
    }

    TempDir dir_;
};

TEST_F(CatalogOfUnreadableFiles, DamagedFilesAreNamedAndTheOthersListed)
{
    const CliResult result = Run();
    EXPECT_EQ(result.Status, 1) << result.Err;
    EXPECT_NE(result.Err.find("garbage.ogg"), std::string::npos) << result.Err;
    EXPECT_NE(result.Err.find("cut.ogg"), std::string::npos) << result.Err;
    EXPECT_NE(Written().find("good.ogg"), std::string::npos) << Written();
    EXPECT_EQ(Written().find("garbage.ogg"), std::string::npos) << Written();
}

TEST_F(CatalogOfUnreadableFiles, LockedFilesAndFoldersAreNamedAndTheOthersListed)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "runs as root, who reads files and folders of mode 000 all the same";
    fs::create_directories(dir_.Path("music/locked"));
    WriteBytes(dir_.Path("music/locked/inner.ogg"), ReadBytes(dir_.Path("music/good.ogg")));
    WriteBytes(dir_.Path("music/sealed.ogg"), ReadBytes(dir_.Path("music/good.ogg")));
    chmod(dir_.Path("music/sealed.ogg").c_str(), 0);
    chmod(dir_.Path("music/locked").c_str(), 0);
    const CliResult result = Run();
    chmod(dir_.Path("music/locked").c_str(), 0700); // for the folder's removal
    EXPECT_EQ(result.Status, 1) << result.Err;
    EXPECT_NE(result.Err.find("music/locked"), std::string::npos) << result.Err;
    EXPECT_NE(result.Err.find("sealed.ogg"), std::string::npos) << result.Err;
    EXPECT_NE(Written().find("good.ogg"), std::string::npos) << Written();
}

// What is wrong with a file, said where the command used to give only a
// verdict, or failed to read what it could.
class FileMessage : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& bytes) const
    {
        WriteBytes(dir_.Path(name), bytes);
        return dir_.Path(name);
    }

    TempDir dir_;
};

TEST_F(FileMessage, WavAndJoinSayWhyAFileIsNoOggFile)
{
    const std::string song = Write("song.ogg", MakeOggVorbis({.seconds = 1}));
    const std::string empty = Write("empty.ogg", {});
    const CliResult wav = RunCli({"wav", empty, "--quiet"});
    EXPECT_NE(wav.Status, 0);
    EXPECT_NE(wav.Err.find("\"" + empty + "\": is empty"), std::string::npos) << wav.Err;
    const CliResult join = RunCli({"join", "--out", dir_.Path("j.ogg"), song, empty, "--quiet"});
    EXPECT_NE(join.Status, 0);
    EXPECT_NE(join.Err.find("\"" + empty + "\": is empty"), std::string::npos) << join.Err;
    EXPECT_EQ(FolderEntries(dir_.Root()), (std::set<std::string>{"empty.ogg", "song.ogg"}));
}

TEST_F(FileMessage, AFileWithoutCountedSamplesSaysSo)
{
    Bytes file = MakeOggVorbis({.seconds = 2});
    SetGranule(file, PageSpans(file).back(), -5);
    const std::string path = Write("negative.ogg", file);
    const CliResult result = RunCli({"split", path, "--at", "1"});
    EXPECT_NE(result.Status, 0);
    EXPECT_NE(result.Err.find("\"" + path + "\": has no audio to cut: its granule positions count no samples"),
              std::string::npos)
        << result.Err;
}

TEST_F(FileMessage, CueSheetsInUtf16WithoutAMarkAndLabelFilesWithOneAreRead)
{
    const std::string song = Write("song.ogg", MakeOggVorbis({.seconds = 12}));
    const std::string sheet = "FILE \"song.ogg\" OGG\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                              "  TRACK 02 AUDIO\r\n    INDEX 01 00:05:00\r\n";
    for (const bool bigEndian : {false, true}) {
        Bytes wide;
        for (const char c : sheet) {
            wide.push_back(bigEndian ? 0 : static_cast<std::uint8_t>(c));
            wide.push_back(bigEndian ? static_cast<std::uint8_t>(c) : 0);
        }
        const CliResult result = RunCli({"markers", song, "--cue", Write("wide.cue", wide)});
        EXPECT_EQ(result.Status, 0) << result.Err;
        EXPECT_NE(result.Out.find("Sections: 2\n"), std::string::npos) << result.Out;
    }
    const CliResult labels =
        RunCli({"markers", song, "--labels", Write("marks.txt", Text("\xEF\xBB\xBF" "2.0\t2.0\tA\n4.0\t4.0\tB\n"))});
    EXPECT_EQ(labels.Status, 0) << labels.Err;
    EXPECT_NE(labels.Out.find("Sections: 3\n"), std::string::npos) << labels.Out;
}

} // namespace
} // namespace oq::test
