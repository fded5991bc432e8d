#include "jobs/OutputNames.h"
#include "base/FolderCase.h"
#include "base/PathParts.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"
#include "tests/support/Utf8Check.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <set>
#include <sstream>
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

namespace oq::test {
namespace {

namespace fs = std::filesystem;

void Write(const std::string& path, const std::string& text) { WriteBytes(path, Bytes(text.begin(), text.end())); }

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

WantedOutput Section(const std::string& folder, const std::string& stem, std::int32_t number)
{
    return {.Folder = folder,
            .Name = {stem, ".ogg"},
            .Usual = {"Part 0" + std::to_string(number), ".ogg"},
            .Item = "section " + std::to_string(number),
            .Number = number};
}

// The first output wanting a name has it; a later one takes its number, and
// a suffixed name that another output wants as it is, or that one has
// taken, is passed over too. Folders count as the folders they are.
TEST(OutputNames, KeepsEveryOutputApartAndSaysWhy)
{
    TempDir dir;
    const std::string out = dir.Path("out");
    fs::create_directory(out);
    const OutputNames names({Section(out, "same", 1), Section(out, "same", 2), Section(out, "same (02)", 3),
                             Section(out + "/./", "same", 4), Section(out, "Same", 5)});
    const std::vector<std::string> expected = {"same.ogg", "same (02-2).ogg", "same (02).ogg", "same (04).ogg",
                                               "Same.ogg"};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(NameOf(names.Path(i)), expected[i]);
        EXPECT_TRUE(fs::equivalent(FolderOf(names.Path(i)), out)) << names.Path(i);
    }
    EXPECT_EQ(names.Note(0), "");
    EXPECT_EQ(names.Note(1), "section 2 is written as \"same (02-2).ogg\": \"same.ogg\" is section 1's name; "
                             "\"same (02).ogg\" is section 3's name");
    EXPECT_EQ(names.Note(3), "section 4 is written as \"same (04).ogg\": \"same.ogg\" is section 1's name");
    EXPECT_EQ(names.Note(4), "");
}

// In a folder that ignores case, names that differ only in case are one
// file and are kept apart as equal names are, suffixed ones too; the folder
// is asked once, and only when such names meet. Elsewhere they stay as
// wanted.
TEST(OutputNames, NamesOfAnotherCaseAreOneFileInAFolderThatIgnoresCase)
{
    TempDir dir;
    const std::string out = dir.Path("out");
    fs::create_directory(out);
    const std::vector<WantedOutput> wanted = {Section(out, "Track 1", 1), Section(out, "track 1", 2),
                                              Section(out, "same", 3), Section(out, "same", 4),
                                              Section(out, "SAME (04)", 5), Section(out, "Caf\u00e9", 6),
                                              Section(out, "CAF\u00c9", 7)};
    std::vector<std::string> asked;
    const auto answer = [&](bool ignores) {
        return [&asked, ignores](const std::string& folder) {
            asked.push_back(folder);
            return ignores;
        };
    };
    const OutputNames folded(wanted, answer(true));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(fs::equivalent(asked[0], out));
    const std::vector<std::string> expected = {"Track 1.ogg",   "track 1 (02).ogg", "same.ogg",
                                               "same (04-2).ogg", "SAME (04).ogg",   "Caf\u00e9.ogg",
                                               "CAF\u00c9 (07).ogg"};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(NameOf(folded.Path(i)), expected[i]);
    EXPECT_EQ(folded.Note(1), "section 2 is written as \"track 1 (02).ogg\": \"track 1.ogg\" is one file with "
                              "section 1's \"Track 1.ogg\" in a folder that ignores case");

    const OutputNames exact(wanted, answer(false));
    EXPECT_EQ(NameOf(exact.Path(1)), "track 1.ogg");
    EXPECT_EQ(NameOf(exact.Path(3)), "same (04).ogg");
    EXPECT_EQ(NameOf(exact.Path(6)), "CAF\u00c9.ogg");

    asked.clear();
    const OutputNames apart({Section(out, "a", 1), Section(out, "b", 2), Section(out, "b", 3)}, answer(true));
    EXPECT_TRUE(asked.empty());
}

// The real question, asked of a folder of this machine's usual file
// systems: they tell case apart, and the trial leaves nothing behind.
TEST(FolderCase, AnOrdinaryFolderTellsCaseApartAndKeepsNoTrace)
{
    TempDir dir;
    EXPECT_FALSE(FolderIgnoresCase(dir.Root()));
    EXPECT_TRUE(fs::is_empty(dir.Root()));
    EXPECT_FALSE(FolderIgnoresCase(dir.Path("missing")));
}

// Whatever the texts, each name is one visible, valid UTF-8 file name
// within the limit, in its folder, cut at a character boundary before the
// suffix and the extension; a blank one gives the usual name.
TEST(OutputNames, MakesEveryNameOneFileOfTheFolder)
{
    TempDir dir;
    const std::string folder = dir.Root();
    std::string wide = "x";
    for (int k = 0; k < 150; ++k)
        wide += "\xC3\xA9"; // "é": two bytes, so a cut at an even offset splits one
    const std::vector<WantedOutput> wanted = {
        Section(folder, "../escaped_01", 1),
        Section(folder, ".hidden", 2),
        Section(folder, "a/../../b\nc\x7F", 3),
        Section(folder, "", 4),
        Section(folder, " . ", 5),
        Section(folder, "Caf\xE9", 6), // Windows-1252
        Section(folder, "\xC0\xAF" "bad", 7), // an overlong "/"
        Section(folder, wide, 8),
        Section(folder, wide, 9),
        {.Folder = folder, .Name = {"t", "." + std::string(300, 'e')}, .Usual = {}, .Item = "file 10", .Number = 10},
    };
    const OutputNames names(wanted);
    std::set<std::string> seen;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const std::string name = NameOf(names.Path(i));
        EXPECT_EQ(FolderOf(names.Path(i)), folder);
        EXPECT_TRUE(seen.insert(name).second) << name;
        EXPECT_FALSE(name.empty() || name.starts_with('.') || name.find('/') != std::string::npos) << name;
        EXPECT_TRUE(std::ranges::none_of(name, [](char c) { return static_cast<unsigned char>(c) < ' '; })) << name;
        EXPECT_TRUE(ConvertsFromUtf8(name)) << name;
        EXPECT_LE(name.size(), std::size_t{NAME_MAX}) << name;
    }
    EXPECT_EQ(NameOf(names.Path(0)), "___escaped_01.ogg");
    EXPECT_EQ(NameOf(names.Path(3)), "Part 04.ogg");
    EXPECT_EQ(NameOf(names.Path(4)), "Part 05.ogg");
    EXPECT_EQ(names.Note(4), "section 5 is written as \"Part 05.ogg\": the name it was given is empty");
    EXPECT_EQ(NameOf(names.Path(5)), "Caf\u00e9.ogg");
    // 255 bytes less ".ogg" leave 251 for "x" and 125 "é"; less " (09)" as
    // well, 246, which would split the 123rd "é".
    EXPECT_EQ(NameOf(names.Path(7)), wide.substr(0, 251) + ".ogg");
    EXPECT_EQ(NameOf(names.Path(8)), wide.substr(0, 245) + " (09).ogg");
    EXPECT_NE(names.Note(7).find("has at most 255 bytes"), std::string::npos);
    EXPECT_NE(names.Note(2).find("holds no \"/\""), std::string::npos);
}

// What a run prints is what it wrote: every listed file exists, one per
// section, and every one lies in the output folder.
void ExpectListedFilesInside(const CliResult& result, const std::string& folder, std::size_t count)
{
    ASSERT_EQ(result.Status, 0) << result.Err;
    const std::vector<std::string> listed = Lines(result.Out);
    EXPECT_EQ(listed.size(), count) << result.Out;
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()).size(), listed.size());
    for (const std::string& name : listed) {
        EXPECT_TRUE(fs::is_regular_file(name)) << name;
        EXPECT_TRUE(fs::equivalent(FolderOf(name), folder)) << name;
    }
    std::size_t inside = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++inside;
    EXPECT_EQ(inside, count);
}

class SplitNames : public ::testing::Test {
protected:
    SplitNames()
    {
        WriteBytes(song_, LayPages(EncodePackets({.seconds = 4})));
        fs::create_directory(out_);
    }

    // Splits the song at the sheet's tracks into the output folder.
    CliResult SplitByCue(const std::string& sheet, std::vector<std::string> options)
    {
        Write(dir_.Path("song.cue"), sheet);
        std::vector<std::string> arguments = {"split", song_, "--cue", dir_.Path("song.cue"), "--out", out_, "--quiet"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return RunCli(arguments);
    }

    TempDir dir_;
    std::string song_ = dir_.Path("song.ogg");
    std::string out_ = dir_.Path("o");
};

TEST_F(SplitNames, PreAndPostTextsStayInsideTheFolder)
{
    const CliResult result =
        RunCli({"split", song_, "--count", "2", "--pre", "../escaped_", "--post", "/../../x", "--out", out_, "--quiet"});
    ASSERT_NO_FATAL_FAILURE(ExpectListedFilesInside(result, out_, 2));
    EXPECT_EQ(Lines(result.Out)[0], out_ + "/___escaped_01_.._.._x.ogg");
    std::set<std::string> beside;
    for (const auto& entry : fs::directory_iterator(dir_.Root()))
        beside.insert(entry.path().filename().string());
    EXPECT_EQ(beside, (std::set<std::string>{"song.ogg", "o"}));
    EXPECT_NE(result.Err.find("note: section 1 is written as \"___escaped_01_.._.._x.ogg\""), std::string::npos)
        << result.Err;
}

TEST_F(SplitNames, TracksOfOneNameWriteAFileEach)
{
    const std::string track = "TRACK 01 AUDIO\nTITLE \"%\"\nINDEX 01 00:0#:00\n";
    const auto sheet = [&](const std::vector<std::string>& titles) {
        std::string text;
        for (std::size_t k = 0; k < titles.size(); ++k) {
            std::string entry = track;
            entry.replace(entry.find('%'), 1, titles[k]);
            entry.replace(entry.find('#'), 1, std::to_string(k));
            text += entry;
        }
        return text;
    };
    CliResult result = SplitByCue(sheet({"same", "same", "same (03)"}), {"--name", "{title}"});
    ASSERT_NO_FATAL_FAILURE(ExpectListedFilesInside(result, out_, 3));
    EXPECT_NE(result.Err.find("\"same (02).ogg\": \"same.ogg\" is section 1's name"), std::string::npos) << result.Err;

    fs::remove_all(out_);
    fs::create_directory(out_);
    result = SplitByCue(sheet({"Intro", "Intro", "Intro"}), {"--names-from-titles"});
    ASSERT_NO_FATAL_FAILURE(ExpectListedFilesInside(result, out_, 3));
    EXPECT_EQ(NameOf(Lines(result.Out)[2]), "01 - Intro (03).ogg");
}

std::vector<std::string> CommentsOf(const std::string& path)
{
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0)
        throw std::runtime_error("cannot open " + path);
    const vorbis_comment* comment = ov_comment(&file, -1);
    std::vector<std::string> list;
    for (int k = 0; k < comment->comments; ++k)
        list.emplace_back(comment->user_comments[k], static_cast<std::size_t>(comment->comment_lengths[k]));
    ov_clear(&file);
    return list;
}

// A 300-byte title, an empty one, and a sheet marked as UTF-8 that holds
// Windows-1252 bytes: every section is written, under a valid name that
// fits, and every comment is UTF-8, --tag's too.
TEST_F(SplitNames, TitlesOfAnyLengthOrEncodingGiveValidNames)
{
    std::string wide = "x";
    for (int k = 0; k < 150; ++k)
        wide += "\xC3\xA9";
    const std::string sheet = "\xEF\xBB\xBF" "TRACK 01 AUDIO\nTITLE \"" + wide + "\"\nINDEX 01 00:00:00\n"
                              "TRACK 02 AUDIO\nTITLE \"\"\nINDEX 01 00:01:00\n"
                              "TRACK 03 AUDIO\nTITLE \"Caf\xE9\"\nINDEX 01 00:02:00\n";
    const CliResult result = SplitByCue(sheet, {"--name", "{title}", "--tag", "NOTE=d\xE9j\xE0 vu"});
    ASSERT_NO_FATAL_FAILURE(ExpectListedFilesInside(result, out_, 3));
    const std::vector<std::string> listed = Lines(result.Out);
    ASSERT_EQ(listed.size(), 3u);
    // Windows-1252 read the whole sheet, so its "é" pairs are "Ã©" now.
    EXPECT_LE(NameOf(listed[0]).size(), std::size_t{NAME_MAX});
    EXPECT_EQ(NameOf(listed[1]), "Part 02 - song.ogg");
    EXPECT_EQ(NameOf(listed[2]), "Caf\u00e9.ogg");
    for (const std::string& name : listed) {
        EXPECT_TRUE(ConvertsFromUtf8(name)) << name;
        for (const std::string& comment : CommentsOf(name))
            EXPECT_TRUE(ConvertsFromUtf8(comment)) << comment;
    }
    EXPECT_EQ(CommentsOf(listed[2]).back(), "NOTE=d\u00e9j\u00e0 vu");
}

// Two sources of one name give two WAV files, beside them and in one folder.
TEST(WavNames, SourcesOfOneNameWriteAFileEach)
{
    TempDir dir;
    WriteBytes(dir.Path("x.ogg"), MakeOggVorbis({.seconds = 0.5}));
    WriteBytes(dir.Path("x.opus"), MakeOggOpus({.seconds = 0.5}));
    const CliResult beside = RunCli({"wav", dir.Path("x.ogg"), dir.Path("x.opus"), "--quiet"});
    ASSERT_EQ(beside.Status, 0) << beside.Err;
    EXPECT_EQ(beside.Out, dir.Path("x.wav") + "\n" + dir.Path("x (02).wav") + "\n");
    EXPECT_NE(beside.Err.find("file 2 is written as \"x (02).wav\": \"x.wav\" is file 1's name"), std::string::npos);

    for (const char* folder : {"a", "b", "out"})
        fs::create_directory(dir.Path(folder));
    fs::copy_file(dir.Path("x.ogg"), dir.Path("a/x.ogg"));
    fs::copy_file(dir.Path("x.opus"), dir.Path("b/x.ogg"));
    const CliResult together = RunCli({"wav", "--dir", dir.Path("out"), dir.Path("a/x.ogg"), dir.Path("b/x.ogg"), "--quiet"});
    ASSERT_NO_FATAL_FAILURE(ExpectListedFilesInside(together, dir.Path("out"), 2));
    // Each file holds its own source's audio: the Opus one is decoded at 48 kHz.
    EXPECT_NE(ReadBytes(dir.Path("out/x.wav")), ReadBytes(dir.Path("out/x (02).wav")));
}

} // namespace
} // namespace oq::test
