#include "media/OggFileInfo.h"
#include "model/MarkerList.h"
#include "model/SplitCalculator.h"
#include "tests/support/CliRunner.h"
#include "tests/support/OggCheck.h"
#include "tests/support/PausedRecording.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <csignal>
#include <chrono>
#include <vorbis/vorbisfile.h>

namespace oq::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kSourceSerial = 0x5157;

std::set<std::string> FilesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::int16_t> Joined(const std::vector<std::string>& paths)
{
    std::vector<std::int16_t> samples;
    for (const std::string& path : paths) {
        const auto part = DecodeSamples(path);
        samples.insert(samples.end(), part.begin(), part.end());
    }
    return samples;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        song_ = dir_.Path("song.ogg");
        WriteBytes(song_, MakeOggVorbis({.seconds = 12, .signal = Signal::Mixed}));
    }

    // A cue sheet for song.ogg whose tracks start at `starts` (MM:SS:FF).
    std::string CueSheet(const std::vector<std::string>& starts) const
    {
        std::string text = "FILE \"song.ogg\" OGG\r\n";
        for (std::size_t k = 0; k < starts.size(); ++k)
            text += "  TRACK 0" + std::to_string(k + 1) + " AUDIO\r\n    INDEX 01 " + starts[k] + "\r\n";
        const std::string sheet = dir_.Path("song.cue");
        WriteBytes(sheet, Bytes(text.begin(), text.end()));
        return sheet;
    }

    TempDir dir_;
    std::string song_;
};

TEST_F(Cli, SplitsByCountIntoExactConsecutivelyNumberedStreams)
{
    const CliResult result = RunCli({"split", song_, "--count", "3", "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    std::vector<std::string> parts;
    for (int k = 1; k <= 3; ++k) {
        parts.push_back(dir_.Path("Part 0" + std::to_string(k) + " - song.ogg"));
        EXPECT_EQ(ProblemWithStream(parts.back(), kSourceSerial + static_cast<std::uint32_t>(k) - 1), "");
    }
    EXPECT_EQ(Lines(result.Out), parts);
    EXPECT_TRUE(Joined(parts) == DecodeSamples(song_));
    EXPECT_EQ(FilesIn(dir_.Root()).size(), 4u) << "no temporary file may stay";
}

TEST_F(Cli, SplitNamesAndChoosesSectionsAsAsked)
{
    const std::string out = dir_.Path("out");
    fs::create_directory(out);
    const CliResult result = RunCli({"split", song_, "--at", "1,2.5,00:04,5.25", "--out", out, "--sections", "odd",
                                     "--pre", "Track ", "--post", " of song", "--no-zeros"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(FilesIn(out), (std::set<std::string>{"Track 1 of song.ogg", "Track 3 of song.ogg", "Track 5 of song.ogg"}));
    // Section 3 runs from 2.5 s to 4 s: 66150 to 176400 samples.
    EXPECT_EQ(DecodeSamples(out + "/Track 3 of song.ogg").size(), (176400u - 110250u) * 2);
}

TEST_F(Cli, SplitAsksBeforeReplacingAndWritesNothingWhenItCannotAsk)
{
    WriteBytes(dir_.Path("Part 02 - song.ogg"), Bytes(10, 'x'));
    const auto before = FilesIn(dir_.Root());
    const CliResult refused = RunCli({"split", song_, "--count", "3", "--quiet"});
    EXPECT_NE(refused.Status, 0);
    EXPECT_NE(refused.Err.find("--force"), std::string::npos) << refused.Err;
    EXPECT_EQ(FilesIn(dir_.Root()), before);
    EXPECT_EQ(ReadBytes(dir_.Path("Part 02 - song.ogg")).size(), 10u);

    const CliResult forced = RunCli({"split", song_, "--count", "3", "--quiet", "--force"});
    EXPECT_EQ(forced.Status, 0) << forced.Err;
    EXPECT_EQ(ProblemWithStream(dir_.Path("Part 02 - song.ogg"), kSourceSerial + 1), "");
}

// A refused command line: "SONG" stands for the test song, "DIR/" for its
// folder, "END" for the song's length in samples.
struct RefusedCommand {
    std::vector<std::string> arguments;
    const char* message;
    const char* label;
};

void PrintTo(const RefusedCommand& c, std::ostream* out) { *out << c.label; }

const RefusedCommand kRefusedCommands[] = {
    {{"split", "DIR/missing.ogg", "--count", "2"}, "missing.ogg", "missing source"},
    {{"split", "DIR/text.ogg", "--count", "2"}, "not an Ogg Vorbis or Opus file", "text source"},
    {{"split", "SONG", "--at-samples", "5000,END"}, "outside the audio", "cut at the end"},
    {{"split", "SONG", "--at-samples", "9000,5000"}, "must rise", "falling cut points"},
    // Found before the first section is written.
    {{"split", "SONG", "--at-samples", "20000,70001,70002"}, "section 3 (samples 70001 to 70002) lies inside one audio packet",
     "third section inside one packet"},
    {{"export", "SONG", "--at-samples", "20000,70001,70002", "--section", "3", "--to", "DIR/x.ogg"}, "section 3",
     "export of a section inside one packet"},
    {{"split", "SONG", "--at", "1:75"}, "not a time", "not a time"},
    {{"split", "SONG", "--count", "2", "--out", "DIR/no/such/folder"}, "no/such/folder", "missing output folder"},
    {{"split", "SONG"}, "choose the cut points", "no cut points"},
    {{"split", "SONG", "--count", "2", "--size", "10"}, "only one", "two methods"},
    {{"export", "SONG", "--count", "3", "--section", "4", "--to", "DIR/x.ogg"}, "3 sections", "no such section"},
    {{"export", "SONG", "--count", "3", "--section", "1", "--to", "SONG"}, "song.ogg", "export over the source"},
    {{"join", "--out", "DIR/j.ogg", "SONG", "DIR/text.ogg"}, "Not a Valid Ogg File.", "join of a text file"},
    {{"cut", "SONG", "--remove", "5,12.01", "--to", "DIR/x.ogg"}, "--remove 5,12.01: \"12.01\" lies past the end of the audio", "cut past the end"},
    {{"cut", "SONG", "--remove", "5,4", "--to", "DIR/x.ogg"}, "--remove 5,4 is reversed", "reversed stretch"},
    {{"cut", "SONG", "--keep", "0:05.5,5.5", "--to", "DIR/x.ogg"}, "is empty", "empty stretch"},
    {{"cut", "SONG", "--remove", "3,end", "--remove", "0,4", "--to", "DIR/x.ogg"}, "nothing is kept", "cut of everything"},
    {{"cut", "SONG", "--remove", "1,2", "--keep", "3,4", "--to", "DIR/x.ogg"}, "not both", "remove and keep"},
    {{"cut", "SONG", "--remove", "1,2", "--to", "SONG"}, "song.ogg", "cut over the source"},
    // Named as written, found before the output is made.
    {{"cut", "SONG", "--keep", "1.587324263,1.587347", "--to", "DIR/x.ogg"},
     "--keep 1.587324263,1.587347 (samples 70001 to 70002) lies inside one audio packet", "kept stretch inside one packet"},
    {{"frobnicate"}, "unknown command", "unknown command"},
};

class CliRefusal : public Cli, public ::testing::WithParamInterface<RefusedCommand> {};

TEST_P(CliRefusal, RefusesBadInputWithAClearMessageAndNoFiles)
{
    WriteBytes(dir_.Path("text.ogg"), Bytes(3000, 'x'));
    std::vector<std::string> arguments;
    for (std::string argument : GetParam().arguments) {
        if (argument == "SONG")
            argument = song_;
        else if (argument.starts_with("DIR/"))
            argument = dir_.Path(argument.substr(4));
        else if (argument == "5000,END")
            argument = "5000," + std::to_string(12 * 44100);
        arguments.push_back(argument);
    }
    const auto before = FilesIn(dir_.Root());
    const auto sourceBytes = ReadBytes(song_);
    const CliResult result = RunCli(arguments);
    EXPECT_NE(result.Status, 0);
    EXPECT_NE(result.Err.find(GetParam().message), std::string::npos) << result.Err;
    EXPECT_EQ(FilesIn(dir_.Root()), before);
    EXPECT_TRUE(ReadBytes(song_) == sourceBytes);
}

INSTANTIATE_TEST_SUITE_P(Cli, CliRefusal, ::testing::ValuesIn(kRefusedCommands),
                         [](const auto& info) { return TestName(info.param.label); });

// Every command that reads a file says so when there is none, in the
// system's words, instead of calling it no Ogg Vorbis file.
TEST_F(Cli, AMissingFileIsReportedAsMissing)
{
    const std::string missing = dir_.Path("missing.ogg");
    const std::vector<std::vector<std::string>> commands{
        {"split", missing, "--count", "2"},
        {"info", missing},
        {"export", missing, "--count", "2", "--section", "1", "--to", dir_.Path("x.ogg")},
        {"wav", missing},
    };
    for (const auto& arguments : commands) {
        SCOPED_TRACE(arguments[0]);
        const CliResult result = RunCli(arguments);
        EXPECT_EQ(result.Status, 1);
        EXPECT_NE(result.Err.find("cannot open \"" + missing + "\": No such file or directory"), std::string::npos)
            << result.Err;
        EXPECT_EQ(result.Err.find("Ogg Vorbis"), std::string::npos) << result.Err;
    }
    EXPECT_EQ(FilesIn(dir_.Root()), (std::set<std::string>{"song.ogg"}));
}

// The split wizard makes one section of a count of 0; on the command line
// it is a mistake, answered like the other mistakes of the command line.
TEST_F(Cli, ASplitIntoNoSectionsIsAUsageError)
{
    const CliResult result = RunCli({"split", song_, "--count", "0"});
    EXPECT_EQ(result.Status, 2);
    EXPECT_NE(result.Err.find("--count takes a section count from 1 on"), std::string::npos) << result.Err;
    EXPECT_NE(result.Err.find("Usage: oggquorvel-cli split"), std::string::npos) << result.Err;
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(FilesIn(dir_.Root()), (std::set<std::string>{"song.ogg"}));
}

TEST(CliVersion, NamesTheVersionAndTheLicence)
{
    const CliResult result = RunCli({"--version"});
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Out.rfind("oggquorvel-cli 0.", 0), 0u) << result.Out;
    EXPECT_NE(result.Out.find("GNU GPL version 3 or later"), std::string::npos) << result.Out;
    EXPECT_EQ(result.Err, "");
}

TEST_F(Cli, ExportWritesOnlyTheChosenSectionExactly)
{
    const std::string target = dir_.Path("chosen.ogg");
    const CliResult result =
        RunCli({"export", song_, "--at-samples", "100000,300000", "--section", "2", "--to", target, "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    const auto source = DecodeSamples(song_);
    const std::vector<std::int16_t> expected(source.begin() + 200000, source.begin() + 600000);
    EXPECT_TRUE(DecodeSamples(target) == expected);
    EXPECT_EQ(FilesIn(dir_.Root()), (std::set<std::string>{"song.ogg", "chosen.ogg"}));
}

TEST_F(Cli, MarkersShowWhatTheWizardLays)
{
    const CliResult result = RunCli({"markers", song_, "--count", "4"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    const auto lines = Lines(result.Out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Blocks: 129"); // 529200 stereo frames, 4096 to a block
    EXPECT_EQ(lines.back(), "Sections: 4");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l.rfind("Marker ", 0) == 0; }), 5);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l.rfind("Section ", 0) == 0; }), 4);

    // Each numeric method gives the blocks the wizard's OK lays for the same
    // number typed into its field.
    struct Typed {
        SplitMethod method;
        std::string option, value, field;
    };
    for (const Typed& typed : {Typed{SplitMethod::SectionCount, "--count", "4", "4"},
                               Typed{SplitMethod::SectionLength, "--length", "00:00:06", "00:00:06:00"},
                               Typed{SplitMethod::SectionSize, "--size", "15", "15"}}) {
        const CliResult shown = RunCli({"markers", song_, typed.option, typed.value});
        ASSERT_EQ(shown.Status, 0) << shown.Err;
        std::vector<std::int32_t> blocks;
        for (const std::string& line : Lines(shown.Out))
            if (const auto at = line.find("(block "); line.starts_with("Marker ") && at != std::string::npos)
                blocks.push_back(std::stoi(line.substr(at + 7)));

        MPEGData file = ReadOggFileInfo(song_);
        file.BlockCount = 129;
        MarkerList laid(file);
        SplitCalculator wizard;
        wizard.FormActivate(file);
        wizard.SelectMethod(typed.method);
        if (typed.method == SplitMethod::SectionCount)
            wizard.SplitSectionTotalChange(typed.field);
        else if (typed.method == SplitMethod::SectionLength)
            wizard.SplitSectionLengthChange(typed.field);
        else
            wizard.SplitSectionSizeChange(typed.field);
        wizard.ApplyOkay(laid);
        EXPECT_EQ(blocks, laid.Positions()) << typed.option;
    }

    // Its help offers only the methods that lay markers, and it ends its last line.
    const CliResult help = RunCli({"markers", "--help"});
    EXPECT_EQ(help.Out.find("--at"), std::string::npos) << help.Out;
    EXPECT_NE(help.Out.find("--cue"), std::string::npos) << help.Out;
    EXPECT_EQ(help.Out.back(), '\n');
    EXPECT_EQ(RunCli({"markers", song_, "--at", "1"}).Status, 2);
}

// Markers in the pauses go out to a label file and a cue sheet and come
// back from the label file onto the same blocks; --snap draws a counted
// marker into the pause near it.
// Each link of a chained file, whatever its rate and channels, becomes a
// section of its own samples and comments; the markers of --links stand for
// the boundaries themselves, so their labels give the boundaries' times
// (positions count samples of all links, times each link at its own rate).
TEST_F(Cli, SplitsAChainedFileIntoItsLinks)
{
    const std::vector<AudioSpec> specs{{.channels = 2, .rate = 44100, .seconds = 2, .title = "first"},
                                       {.channels = 1, .rate = 22050, .seconds = 3, .signal = Signal::Noise, .title = "second"},
                                       {.channels = 2, .rate = 48000, .seconds = 1.5, .title = "third"}};
    Bytes chain;
    std::vector<std::string> links;
    for (std::size_t k = 0; k < specs.size(); ++k) {
        const Bytes link = MakeOggVorbis(specs[k], {.serial = 0x100u + static_cast<std::uint32_t>(k)});
        links.push_back(dir_.Path("link" + std::to_string(k) + ".ogg"));
        WriteBytes(links.back(), link);
        chain.insert(chain.end(), link.begin(), link.end());
    }
    const std::string source = dir_.Path("chain.ogg");
    WriteBytes(source, chain);
    fs::create_directory(dir_.Path("out"));

    const CliResult result = RunCli({"split", source, "--links", "--out", dir_.Path("out"), "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    const std::vector<std::string> written = Lines(result.Out);
    ASSERT_EQ(written.size(), links.size());
    for (std::size_t k = 0; k < links.size(); ++k) {
        SCOPED_TRACE(written[k]);
        EXPECT_TRUE(DecodeSamples(written[k]) == DecodeSamples(links[k]));
        OggVorbis_File file;
        ASSERT_EQ(ov_fopen(written[k].c_str(), &file), 0);
        EXPECT_EQ(ov_streams(&file), 1);
        EXPECT_STREQ(vorbis_comment_query(ov_comment(&file, 0), "TITLE", 0), specs[k].title.c_str());
        ov_clear(&file);
    }

    // export takes the same methods as split, --links among them.
    const std::string second = dir_.Path("second.ogg");
    const CliResult exported = RunCli({"export", source, "--links", "--section", "2", "--to", second, "--quiet"});
    ASSERT_EQ(exported.Status, 0) << exported.Err;
    EXPECT_TRUE(DecodeSamples(second) == DecodeSamples(links[1]));

    const std::string labels = dir_.Path("links.txt");
    const CliResult markers = RunCli({"markers", source, "--links", "--save-labels", labels});
    ASSERT_EQ(markers.Status, 0) << markers.Err;
    const Bytes text = ReadBytes(labels);
    // A marker at the start of each link, titled with its title, and at the end.
    EXPECT_EQ(std::string(text.begin(), text.end()), "0.000000\t0.000000\tfirst\n2.000000\t2.000000\tsecond\n"
                                                     "5.000000\t5.000000\tthird\n6.500000\t6.500000\tMarker 4\n");
}

TEST_F(Cli, CutsAtPausesAndCarriesMarkersThroughLabelFiles)
{
    const std::string paused = dir_.Path("paused.ogg");
    WriteBytes(paused, MakeOggVorbis(PausedRecording(2, 44100)));
    const std::string labels = dir_.Path("paused.txt");
    const std::string sheet = dir_.Path("paused.cue");
    const CliResult found =
        RunCli({"markers", paused, "--silence", "-50:1", "--save-labels", labels, "--save-cue", sheet, "--quiet"});
    ASSERT_EQ(found.Status, 0) << found.Err;
    const auto lines = Lines(found.Out);
    EXPECT_EQ(lines.back(), "Sections: 4");
    const Bytes labelBytes = ReadBytes(labels);
    EXPECT_EQ(Lines(std::string(labelBytes.begin(), labelBytes.end())).size(), 5u);
    const Bytes cueBytes = ReadBytes(sheet);
    const std::string cue(cueBytes.begin(), cueBytes.end());
    EXPECT_NE(cue.find("TRACK 04 AUDIO\n    TITLE \"Section 4\"\n"), std::string::npos) << cue;

    // The labels come back on the same blocks, exact at their samples.
    const CliResult back = RunCli({"markers", paused, "--labels", labels});
    ASSERT_EQ(back.Status, 0) << back.Err;
    EXPECT_EQ(std::regex_replace(back.Out, std::regex(", sample [0-9]+, \"Marker [0-9]\""), ""), found.Out);

    // Two sections of 13.25 s: the middle marker moves 0.25 s into the
    // hiss's pause, the third marker of the pauses.
    const CliResult snapped = RunCli({"markers", paused, "--count", "2", "--snap", "1", "--quiet"});
    ASSERT_EQ(snapped.Status, 0) << snapped.Err;
    const std::string middle = Lines(snapped.Out).at(2);
    EXPECT_EQ(middle.substr(middle.find('(')), lines.at(3).substr(lines.at(3).find('('))) << snapped.Out << found.Out;

    const CliResult split = RunCli({"split", paused, "--labels", labels, "--quiet"});
    ASSERT_EQ(split.Status, 0) << split.Err;
    EXPECT_TRUE(Joined(Lines(split.Out)) == DecodeSamples(paused));
    EXPECT_EQ(Lines(split.Out).size(), 4u);

    EXPECT_EQ(RunCli({"markers", paused, "--silence", "50"}).Status, 2);
    EXPECT_EQ(RunCli({"markers", paused, "--cue", sheet, "--snap", "1"}).Status, 2);
}

TEST_F(Cli, SplitsAtTheTracksOfACueSheet)
{
    const CliResult result = RunCli({"split", song_, "--cue", CueSheet({"00:00:00", "00:04:00", "00:09:37"}), "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    const auto parts = Lines(result.Out);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_TRUE(Joined(parts) == DecodeSamples(song_));
}

// Two tracks that start on the same frame cut at one sample: the section
// between them is empty, gets no file, and is not listed as written.
TEST_F(Cli, SplitListsExactlyTheSectionsItWrote)
{
    const CliResult result = RunCli({"split", song_, "--cue", CueSheet({"00:00:00", "00:04:40", "00:04:40"}), "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    const std::vector<std::string> parts{dir_.Path("Part 01 - song.ogg"), dir_.Path("Part 03 - song.ogg")};
    EXPECT_EQ(Lines(result.Out), parts);
    EXPECT_FALSE(fs::exists(dir_.Path("Part 02 - song.ogg")));
    EXPECT_TRUE(Joined(parts) == DecodeSamples(song_));
}

// The sections of a bare file name are written beside it, in the current
// folder, and listed as bare names like the one given.
TEST_F(Cli, SplitOfABareNameWritesBareNames)
{
    const fs::path before = fs::current_path();
    fs::current_path(dir_.Root());
    const CliResult result = RunCli({"split", "song.ogg", "--count", "2", "--quiet"});
    fs::current_path(before);
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(Lines(result.Out), (std::vector<std::string>{"Part 01 - song.ogg", "Part 02 - song.ogg"}));
    EXPECT_EQ(FilesIn(dir_.Root()), (std::set<std::string>{"song.ogg", "Part 01 - song.ogg", "Part 02 - song.ogg"}));
}

TEST_F(Cli, JoinsConvertsCataloguesAndProfiles)
{
    const std::string second = dir_.Path("sub/second.OGG");
    fs::create_directory(dir_.Path("sub"));
    WriteBytes(second, MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 2}, {.serial = 77}));

    const std::string joined = dir_.Path("joined.ogg");
    CliResult result = RunCli({"join", "--out", joined, song_, second, "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    Bytes expected = ReadBytes(song_);
    const Bytes tail = ReadBytes(second);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_TRUE(ReadBytes(joined) == expected);

    const std::string wavs = dir_.Path("wavs");
    fs::create_directory(wavs);
    result = RunCli({"wav", "--dir", wavs, song_, second, "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    const Bytes wav = ReadBytes(wavs + "/second.wav");
    const auto decoded = DecodeSamples(second);
    ASSERT_EQ(wav.size(), 44 + decoded.size() * 2);
    EXPECT_EQ(std::memcmp(wav.data() + 44, decoded.data(), decoded.size() * 2), 0);
    EXPECT_TRUE(fs::exists(wavs + "/song.wav"));

    const std::string catalog = dir_.Path("list.csv");
    result = RunCli({"catalog", dir_.Root(), "--out", catalog, "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    const Bytes csv = ReadBytes(catalog);
    const std::string csvText(csv.begin(), csv.end());
    for (const char* name : {"song.ogg", "joined.ogg", "second.OGG"})
        EXPECT_NE(csvText.find(name), std::string::npos) << name << " missing from\n" << csvText;
    EXPECT_EQ(csvText.find("song.cue"), std::string::npos);

    result = RunCli({"profile", second, "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    // 44100 mono samples are 88200 bytes: five whole blocks and a part.
    EXPECT_EQ(Lines(result.Out).size(), 6u);
}

TEST_F(Cli, InterruptCancelsLikeTheCancelButton)
{
    const std::string longer = dir_.Path("longer.ogg");
    WriteBytes(longer, MakeOggVorbis({.channels = 2, .rate = 44100, .seconds = 90, .signal = Signal::Noise}));
    const std::string out = dir_.Path("wavs");
    fs::create_directory(out);
    CliProcess run({"wav", "--dir", out, song_, longer});
    // Interrupt once the second conversion is under way: the first is done.
    const auto converting = [&] {
        return fs::exists(out + "/song.wav") &&
               std::any_of(fs::directory_iterator(out), fs::directory_iterator(), [](const auto& entry) {
                   return entry.path().extension() == ".tmp" && fs::file_size(entry.path()) > 0;
               });
    };
    for (int wait = 0; wait < 2000 && !converting(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(converting()) << "the conversion ended before it could be interrupted";
    run.Signal(SIGINT);
    const CliResult result = run.Wait();
    EXPECT_EQ(result.Status, 130) << result.Err;
    EXPECT_EQ(FilesIn(out), std::set<std::string>{"song.wav"});
}

} // namespace
} // namespace oq::test
