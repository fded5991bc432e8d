#include "tests/support/CliRunner.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"

#include <chrono>
#include <csignal>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pty.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace oq::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr long kRate = 44100;
constexpr int kChannels = 2;

std::int64_t DecodedFrames(const std::string& path)
{
    return static_cast<std::int64_t>(DecodeSamples(path).size()) / kChannels;
}

// The document a run printed; fails the test when standard output is not
// exactly one JSON document.
json Document(const CliResult& result)
{
    json document;
    EXPECT_NO_THROW(document = json::parse(result.Out)) << result.Out;
    return document;
}

// Every entry of "files" covers its samples with a decodable file of that
// length, the ranges following one another from 0 to `total`.
void ExpectSectionsCover(const json& files, std::int64_t total)
{
    std::int64_t next = 0;
    for (const json& file : files) {
        EXPECT_EQ(file["first_sample"].get<std::int64_t>(), next);
        const auto samples = file["samples"].get<std::int64_t>();
        EXPECT_EQ(file["end_sample"].get<std::int64_t>() - next, samples);
        EXPECT_DOUBLE_EQ(file["seconds"].get<double>(), static_cast<double>(samples) / kRate);
        EXPECT_EQ(DecodedFrames(file["file"].get<std::string>()), samples) << file;
        next += samples;
    }
    EXPECT_EQ(next, total);
}

// The tool run with a terminal on its standard input, so that it asks before
// replacing files: `meanwhile` runs while the question waits, then "ok" is
// typed.
CliResult RunAnsweringCli(const std::vector<std::string>& arguments, const std::function<void()>& meanwhile)
{
    int terminal = -1;
    int input = -1;
    if (openpty(&terminal, &input, nullptr, nullptr, nullptr) != 0)
        return {};
    CliProcess run(arguments, input);
    close(input);
    for (int wait = 0; wait < 20000 && run.ErrorsSoFar().find("[OK/Cancel]") == std::string::npos; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    meanwhile();
    EXPECT_EQ(write(terminal, "ok\n", 3), 3);
    CliResult result = run.Wait();
    close(terminal);
    return result;
}

class BatchJson : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.ogg", "b.ogg"})
            WriteBytes(dir_.Path(name), MakeOggVorbis({.seconds = 4, .signal = Signal::Mixed}));
        total_ = DecodedFrames(dir_.Path("a.ogg"));
    }

    std::set<std::string> FilesIn(const std::string& folder) const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    // A chain of 2 s of mono at 22.05 kHz, then 1 s at 44.1 kHz: its path,
    // the sample where the second link begins and the samples in all, as
    // `info` gives them.
    struct MixedRateChain {
        std::string Path;
        std::int64_t Boundary = 0;
        std::int64_t Total = 0;
    };
    MixedRateChain WriteMixedRateChain()
    {
        const std::string chain = dir_.Path("rates.ogg");
        Bytes chained = MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 2});
        const Bytes second = MakeOggVorbis({.channels = 1, .rate = 44100, .seconds = 1}, {.serial = 77});
        chained.insert(chained.end(), second.begin(), second.end());
        WriteBytes(chain, chained);
        const json info = Document(RunCli({"info", "--json", chain}));
        return {chain, info[0]["links"][0]["end_sample"].get<std::int64_t>(), info[0]["samples"].get<std::int64_t>()};
    }

    TempDir dir_;
    std::int64_t total_ = 0;
};

TEST_F(BatchJson, AnUnreadableFileIsNamedAndPassedOverWhileTheOthersAreWritten)
{
    // Two at a time, the long first input finishes after those behind it:
    // what is printed still follows the order of the inputs.
    const std::string longer = dir_.Path("long.ogg");
    WriteBytes(longer, MakeOggVorbis({.seconds = 12, .signal = Signal::Mixed}));
    const std::string bad = dir_.Path("bad.ogg");
    WriteBytes(bad, Bytes(5000, 'x'));
    std::vector<std::string> split{"split", longer, dir_.Path("a.ogg"), bad, dir_.Path("b.ogg")};
    split.insert(split.end(), {"--count", "2", "--quiet", "--jobs", "2"});
    const CliResult text = RunCli(split);
    EXPECT_EQ(text.Status, 1);
    EXPECT_NE(text.Err.find("3 of 4 files done; not done: \"" + bad + "\""), std::string::npos) << text.Err;
    std::string sections;
    for (const char* name : {"long.ogg", "a.ogg", "b.ogg"})
        for (const char* part : {"Part 01 - ", "Part 02 - "})
            sections += dir_.Path(part + std::string(name)) + "\n";
    EXPECT_EQ(text.Out, sections);

    split.insert(split.end(), {"--json", "--force"});
    const CliResult run = RunCli(split);
    EXPECT_EQ(run.Status, 1);
    const json document = Document(run);
    ASSERT_EQ(document.size(), 4u) << document;
    EXPECT_EQ(document[2]["source"], bad);
    EXPECT_NE(document[2]["error"].get<std::string>().find(bad), std::string::npos);
    for (const int k : {0, 1, 3}) {
        EXPECT_EQ(document[k]["source"], split[static_cast<std::size_t>(k) + 1]);
        EXPECT_FALSE(document[k].contains("error")) << document[k];
        ASSERT_EQ(document[k]["files"].size(), 2u);
        ExpectSectionsCover(document[k]["files"], k == 0 ? DecodedFrames(longer) : total_);
    }
    EXPECT_EQ(FilesIn(dir_.Root()).size(), 10u) << "four sources and six sections, no temporary file";
}

TEST_F(BatchJson, OutputsThatMeetAcrossTheBatchRefuseTheRunBeforeAnythingIsWritten)
{
    // Two recordings of one name from two folders, split into one folder.
    fs::create_directory(dir_.Path("other"));
    fs::create_directory(dir_.Path("out"));
    fs::copy_file(dir_.Path("b.ogg"), dir_.Path("other/a.ogg"));
    const CliResult run = RunCli({"split", dir_.Path("a.ogg"), dir_.Path("other/a.ogg"), "--count", "2", "--out",
                                  dir_.Path("out"), "--quiet"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("is an output of both"), std::string::npos) << run.Err;
    EXPECT_TRUE(FilesIn(dir_.Path("out")).empty());
    EXPECT_EQ(run.Out, "");
}

TEST_F(BatchJson, AFileReplacedAfterItWasReadIsNotCutByItsOldPlan)
{
    const std::string a = dir_.Path("a.ogg");
    const std::vector<std::string> split{"split", a, dir_.Path("b.ogg"), "--count", "2", "--quiet"};
    ASSERT_EQ(RunCli(split).Status, 0);
    const Bytes before = ReadBytes(dir_.Path("Part 01 - a.ogg"));
    // The sections exist, so the second run asks; while it waits, a.ogg
    // becomes a longer recording, which the plan made for the old one would
    // cut without a complaint.
    const CliResult run = RunAnsweringCli(split, [&] {
        WriteBytes(dir_.Path("new.ogg"), MakeOggVorbis({.seconds = 8}));
        fs::rename(dir_.Path("new.ogg"), a);
    });
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_NE(run.Err.find("\"" + a + "\" was replaced or changed since it was read"), std::string::npos) << run.Err;
    EXPECT_TRUE(ReadBytes(dir_.Path("Part 01 - a.ogg")) == before);
    EXPECT_EQ(run.Out, dir_.Path("Part 01 - b.ogg") + "\n" + dir_.Path("Part 02 - b.ogg") + "\n");
}

// The quoted names in `text` after each occurrence of `after`, to the end of
// its line.
std::set<std::string> QuotedNamesAfter(const std::string& text, const std::string& after)
{
    std::set<std::string> names;
    for (std::size_t at = text.find(after); at != std::string::npos; at = text.find(after, at)) {
        const std::size_t end = text.find('\n', at);
        for (at = text.find('"', at); at < end; at = text.find('"', at)) {
            const std::size_t close = text.find('"', at + 1);
            if (close == std::string::npos)
                return names;
            names.insert(fs::path(text.substr(at + 1, close - at - 1)).filename().string());
            at = close + 1;
        }
    }
    return names;
}

TEST_F(BatchJson, AnInterruptLeavesNoTemporaryFileAndNamesEverySectionThatStays)
{
    // Every input's temporary file is made when the run is planned, before
    // the first is cut: an interrupt while two inputs are cut must take away
    // theirs and those of the inputs not reached.
    std::vector<std::string> split{"split"};
    WriteBytes(dir_.Path("in1.ogg"), MakeOggVorbis({.seconds = 20, .signal = Signal::Mixed}));
    split.push_back(dir_.Path("in1.ogg"));
    for (int k = 2; k <= 6; ++k) {
        split.push_back(dir_.Path("in" + std::to_string(k) + ".ogg"));
        fs::copy_file(dir_.Path("in1.ogg"), split.back());
    }
    const std::string out = dir_.Path("out");
    split.insert(split.end(), {"--count", "40", "--out", out, "--quiet", "--jobs", "2"});
    const auto interrupted = [&](const std::vector<std::string>& arguments) {
        fs::remove_all(out);
        fs::create_directory(out);
        CliProcess run(arguments);
        const auto cutting = [&] { return fs::exists(out + "/Part 01 - in1.ogg"); };
        for (int wait = 0; wait < 20000 && !cutting(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        run.Signal(SIGSTOP);
        EXPECT_FALSE(fs::exists(out + "/Part 40 - in6.ogg")) << "the run ended before it could be interrupted";
        run.Signal(SIGINT);
        run.Signal(SIGCONT);
        const std::optional<CliResult> result = run.WaitFor(std::chrono::seconds(60));
        EXPECT_TRUE(result);
        EXPECT_EQ(result.value_or(CliResult{}).Status, 130) << result.value_or(CliResult{}).Err;
        return result.value_or(CliResult{});
    };

    // Standard output lists the inputs finished whole; the summary names the
    // finished sections of those stopped part way. Together they are every
    // file that stays, and nothing else does.
    const CliResult text = interrupted(split);
    std::set<std::string> printed;
    for (std::size_t at = 0, end; (end = text.Out.find('\n', at)) != std::string::npos; at = end + 1)
        printed.insert(fs::path(text.Out.substr(at, end - at)).filename().string());
    EXPECT_EQ(printed.size() % 40, 0u) << "only whole inputs are listed";
    std::set<std::string> mentioned = QuotedNamesAfter(text.Err, "finished before the cancel and stay:");
    mentioned.insert(printed.begin(), printed.end());
    EXPECT_EQ(FilesIn(out), mentioned) << text.Err;

    // The document holds every input, in order, with what of it stays.
    split.push_back("--json");
    const CliResult run = interrupted(split);
    const json document = Document(run);
    ASSERT_EQ(document.size(), 6u) << document;
    std::set<std::string> listed;
    bool someCancelled = false;
    for (std::size_t k = 0; k < document.size(); ++k) {
        EXPECT_EQ(document[k]["source"], split[k + 1]);
        const bool cancelled = document[k].value("cancelled", false);
        someCancelled = someCancelled || cancelled;
        EXPECT_TRUE(cancelled || document[k]["files"].size() == 40u) << document[k];
        for (const json& file : document[k]["files"])
            listed.insert(fs::path(file["file"].get<std::string>()).filename().string());
    }
    EXPECT_TRUE(someCancelled);
    EXPECT_EQ(FilesIn(out), listed);
}

// A file that fails part way (here: a size limit on the files the tool may
// write, met by the second section) leaves its finished sections, and they
// are named in the text and in the document as well as the failure.
TEST_F(BatchJson, AFileThatFailsPartWayNamesTheSectionsThatStay)
{
    const std::string source = dir_.Path("long.ogg");
    WriteBytes(source, MakeOggVorbis({.seconds = 20}));
    const std::string out = dir_.Path("out");
    fs::create_directory(out);
    const auto limited = [&](std::vector<std::string> arguments) {
        // The child inherits the limit, and SIGXFSZ ignored makes a write
        // past it fail with EFBIG instead of ending the tool.
        rlimit was{};
        getrlimit(RLIMIT_FSIZE, &was);
        rlimit limit = was;
        limit.rlim_cur = static_cast<rlim_t>(fs::file_size(source) / 2);
        setrlimit(RLIMIT_FSIZE, &limit);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        CliProcess run(arguments);
        std::signal(SIGXFSZ, handler);
        setrlimit(RLIMIT_FSIZE, &was);
        return run.Wait();
    };
    const CliResult text = limited({"split", source, "--at", "1", "--out", out, "--quiet"});
    EXPECT_EQ(text.Status, 1) << text.Err;
    EXPECT_EQ(FilesIn(out), (std::set<std::string>{"Part 01 - long.ogg"}));
    EXPECT_EQ(QuotedNamesAfter(text.Err, "finished before it failed and stay:"),
              (std::set<std::string>{"Part 01 - long.ogg"}))
        << text.Err;

    fs::remove(out + "/Part 01 - long.ogg");
    const json document = Document(limited({"split", source, "--at", "1", "--out", out, "--json"}));
    ASSERT_EQ(document.size(), 1u) << document;
    EXPECT_TRUE(document[0].contains("error")) << document;
    ASSERT_EQ(document[0]["files"].size(), 1u) << document;
    EXPECT_EQ(document[0]["files"][0]["end_sample"], 44100);
}

TEST_F(BatchJson, OptionsThatNameOneFileAreRefusedWithSeveral)
{
    const std::string a = dir_.Path("a.ogg");
    const std::string b = dir_.Path("b.ogg");
    WriteBytes(dir_.Path("a.cue"), Bytes{'F'});
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"split", a, b, "--cue", dir_.Path("a.cue")},
          {"export", a, b, "--count", "2", "--section", "1", "--to", dir_.Path("x.ogg")},
          {"export", a, "--count", "2", "--section", "1", "--to", dir_.Path("x.ogg"), "--dir", dir_.Root()},
          {"markers", a, b, "--count", "2", "--save-labels", dir_.Path("x.txt")},
          {"chapters", a, b, "--count", "2", "--to", dir_.Path("x.ogg")}}) {
        const CliResult run = RunCli(arguments);
        EXPECT_EQ(run.Status, 2) << arguments[0] << ": " << run.Err;
    }
    EXPECT_EQ(FilesIn(dir_.Root()), (std::set<std::string>{"a.ogg", "b.ogg", "a.cue"}));
}

TEST_F(BatchJson, ExportIntoAFolderNamesEachSectionAfterItsSourceAndPassesOverOneWithoutIt)
{
    const std::string out = dir_.Path("out");
    fs::create_directory(out);
    // Cuts at 1 s and 2 s: the shorter file ends before the second.
    const std::string shorter = dir_.Path("short.ogg");
    WriteBytes(shorter, MakeOggVorbis({.seconds = 1.5}));
    const std::vector<std::string> export3{"export", dir_.Path("a.ogg"), shorter, dir_.Path("b.ogg"), "--at", "1,2",
                                           "--section", "3", "--dir", out, "--quiet"};
    std::vector<std::string> asJson = export3;
    asJson.push_back("--json");
    const CliResult run = RunCli(asJson);
    EXPECT_EQ(run.Status, 1) << run.Err;
    const json document = Document(run);
    ASSERT_EQ(document.size(), 3u);
    EXPECT_NE(document[1]["error"].get<std::string>().find(shorter), std::string::npos) << document[1];
    for (const int k : {0, 2}) {
        const json& file = document[k]["files"].at(0);
        EXPECT_EQ(file["file"], out + "/Part 03 - " + (k == 0 ? "a.ogg" : "b.ogg"));
        EXPECT_EQ(file["section"], 3);
        EXPECT_EQ(DecodedFrames(file["file"]), file["samples"].get<std::int64_t>());
    }
    // The same sections again would replace them: asked, and refused
    // without a terminal.
    const CliResult again = RunCli(export3);
    EXPECT_NE(again.Err.find("--force"), std::string::npos) << again.Err;
}

TEST_F(BatchJson, EveryCommandPrintsOneDocumentOfWhatItDid)
{
    const std::string a = dir_.Path("a.ogg");
    // A chain of two links: a's stream followed by another.
    const std::string chain = dir_.Path("chain.ogg");
    Bytes chained = MakeOggVorbis({.seconds = 4, .signal = Signal::Mixed});
    const Bytes second = MakeOggVorbis({.seconds = 2, .title = "second"}, {.serial = 77});
    chained.insert(chained.end(), second.begin(), second.end());
    WriteBytes(chain, chained);

    const json info = Document(RunCli({"info", "--json", a, chain}));
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(info[0]["samples"], total_);
    EXPECT_EQ(info[0]["links"].size(), 1u);
    const json& links = info[1]["links"];
    ASSERT_EQ(links.size(), 2u) << info[1];
    EXPECT_EQ(links[0]["first_sample"], 0);
    EXPECT_EQ(links[1]["first_sample"], links[0]["end_sample"]);
    EXPECT_EQ(links[1]["end_sample"], info[1]["samples"]);
    EXPECT_EQ(links[1]["first_byte"], links[0]["end_byte"]);
    EXPECT_EQ(links[1]["serial"], 77);
    EXPECT_EQ(links[1]["comments"][0], (json{{"name", "TITLE"}, {"value", "second"}})) << links[1];

    const json markers = Document(RunCli({"markers", a, "--count", "3", "--json"}));
    ASSERT_EQ(markers.size(), 1u);
    const json& sections = markers[0]["sections"];
    ASSERT_EQ(sections.size(), 3u) << markers;
    EXPECT_EQ(sections[2]["end_sample"], total_);
    for (const json& marker : markers[0]["markers"]) {
        const auto sample = marker["sample"].get<std::int64_t>();
        EXPECT_DOUBLE_EQ(marker["seconds"].get<double>(), static_cast<double>(sample) / kRate);
    }

    const CliResult split = RunCli({"split", a, "--count", "3", "--json", "--quiet"});
    ASSERT_EQ(split.Status, 0) << split.Err;
    const json written = Document(split);
    ASSERT_EQ(written[0]["files"].size(), 3u);
    ExpectSectionsCover(written[0]["files"], total_);
    // The sections cut are those the markers showed.
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(written[0]["files"][k]["first_sample"], sections[k]["first_sample"]);

    const json exported =
        Document(RunCli({"export", a, "--count", "3", "--section", "3", "--to", dir_.Path("x.ogg"), "--json"}));
    EXPECT_EQ(exported[0]["files"][0]["first_sample"], sections[2]["first_sample"]);
    EXPECT_EQ(exported[0]["files"][0]["file"], dir_.Path("x.ogg"));
    // A section decoded to WAV is told as the same section.
    const TempDir elsewhere;
    const json decoded =
        Document(RunCli({"export", a, "--count", "3", "--section", "3", "--to", elsewhere.Path("x.wav"), "--json"}));
    EXPECT_EQ(decoded[0]["files"][0]["section"], 3);
    EXPECT_EQ(decoded[0]["files"][0]["first_sample"], sections[2]["first_sample"]);
    EXPECT_EQ(decoded[0]["files"][0]["end_sample"], total_);

    const json wav = Document(RunCli({"wav", a, "--json", "--quiet"}));
    EXPECT_EQ(wav[0]["files"][0]["file"], dir_.Path("a.wav"));
    EXPECT_EQ(wav[0]["files"][0]["samples"], total_);

    const std::string list = dir_.Path("list.csv");
    const CliResult catalog = RunCli({"catalog", dir_.Root(), "--out", list, "--json", "--quiet"});
    ASSERT_EQ(catalog.Status, 0) << catalog.Err;
    // a, b, chain, x and the three sections.
    EXPECT_EQ(Document(catalog),
              (json{{"source", dir_.Root()}, {"file", list}, {"entries", 7}, {"left_out", json::array()}}));

    // Two stretches kept around the one removed, one after the other in
    // the output; as one stream their ends move to packet boundaries.
    const std::string cut = dir_.Path("cut.ogg");
    const json chain2 = Document(RunCli({"cut", a, "--remove", "1,2", "--to", cut, "--json", "--quiet"}));
    ASSERT_EQ(chain2.size(), 1u);
    EXPECT_EQ(chain2[0]["file"], cut);
    const json& kept = chain2[0]["stretches"];
    ASSERT_EQ(kept.size(), 2u) << chain2;
    EXPECT_EQ(kept[0]["end_sample"], kRate);
    EXPECT_EQ(kept[1]["first_sample"], 2 * kRate);
    EXPECT_EQ(kept[1]["end_sample"], total_);
    EXPECT_EQ(kept[1]["output_first_sample"], kept[0]["output_end_sample"]);
    EXPECT_EQ(kept[1]["output_end_sample"].get<std::int64_t>(), DecodedFrames(cut));
    EXPECT_FALSE(kept[0].contains("start_moved"));
    const json stream = Document(RunCli({"cut", a, "--keep", "0.5,1.5", "--keep", "2,3", "--one-stream", "--to",
                                         cut, "--json", "--force", "--quiet"}));
    const json& placed = stream[0]["stretches"];
    ASSERT_EQ(placed.size(), 2u) << stream;
    EXPECT_EQ(placed[1]["first_sample"].get<std::int64_t>() - placed[1]["start_moved"].get<std::int64_t>(),
              2 * kRate);
    EXPECT_EQ(placed[1]["end_sample"].get<std::int64_t>() - placed[1]["end_moved"].get<std::int64_t>(), 3 * kRate);
    EXPECT_EQ(placed[1]["output_first_sample"], placed[0]["output_end_sample"]);
    EXPECT_EQ(placed[1]["output_end_sample"].get<std::int64_t>(), DecodedFrames(cut));

    // Chapters written are listed as the copy holds them; the listing of
    // the copy says the same.
    const std::string withChapters = dir_.Path("chapters.ogg");
    const json wrote = Document(RunCli({"chapters", a, "--count", "3", "--to", withChapters, "--json"}));
    ASSERT_EQ(wrote.size(), 1u);
    EXPECT_EQ(wrote[0]["file"], withChapters);
    ASSERT_EQ(wrote[0]["chapters"].size(), 3u) << wrote;
    const json listed = Document(RunCli({"chapters", withChapters, a, "--json"}));
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0]["chapters"], wrote[0]["chapters"]);
    EXPECT_EQ(listed[1]["chapters"], json::array());
    for (const json& chapter : listed[0]["chapters"]) {
        // Each begins within a millisecond of the section it marks.
        const auto k = chapter["chapter"].get<std::size_t>() - 1;
        EXPECT_NEAR(chapter["sample"].get<double>(), sections[k]["first_sample"].get<double>(), kRate / 1000.0);
        EXPECT_DOUBLE_EQ(chapter["seconds"].get<double>(), chapter["sample"].get<double>() / kRate);
    }
}

// In a chain of links at different rates every figure's seconds count each
// link's samples at that link's rate, after the whole links before it.
TEST_F(BatchJson, SecondsInAChainCountEachLinkAtItsOwnRate)
{
    constexpr double kFirstRate = 22050;
    constexpr double kSecondRate = 44100;
    const MixedRateChain made = WriteMixedRateChain();
    const std::string chain = made.Path;
    const std::int64_t boundary = made.Boundary, total = made.Total;
    const json info = Document(RunCli({"info", "--json", chain}));
    const auto secondsAt = [boundary](std::int64_t sample) {
        return sample <= boundary ? static_cast<double>(sample) / kFirstRate
                                  : static_cast<double>(boundary) / kFirstRate +
                                        static_cast<double>(sample - boundary) / kSecondRate;
    };
    const auto expectRangeSeconds = [&](const json& range) {
        EXPECT_NEAR(range["seconds"].get<double>(),
                    secondsAt(range["end_sample"].get<std::int64_t>()) -
                        secondsAt(range["first_sample"].get<std::int64_t>()),
                    1e-9)
            << range;
    };
    EXPECT_NEAR(info[0]["seconds"].get<double>(), secondsAt(total), 1e-9);

    const json markers = Document(RunCli({"markers", chain, "--links", "--json"}))[0];
    ASSERT_EQ(markers["markers"].size(), 3u) << markers;
    EXPECT_EQ(markers["markers"][2]["sample"], total);
    for (const json& marker : markers["markers"])
        EXPECT_NEAR(marker["seconds"].get<double>(), secondsAt(marker["sample"].get<std::int64_t>()), 1e-9);
    for (const json& section : markers["sections"])
        expectRangeSeconds(section);
    // The text says the same: the end is at 3 s, not at the first link's 4,
    // and the first link lasts 2 s of the 3.
    const CliResult text = RunCli({"markers", chain, "--links"});
    for (const char* line : {"Marker 3 - 00:00:03", "Section 1 - 00:00:02", "Section 2 - 00:00:01"})
        EXPECT_NE(text.Out.find(line), std::string::npos) << line << " in\n" << text.Out;
    // A marker on the block at the boundary cuts there, at 2 s.
    const CliResult halves = RunCli({"markers", chain, "--count", "2"});
    EXPECT_NE(halves.Out.find("Marker 2 - 00:00:02 (block 5)"), std::string::npos) << halves.Out;

    const CliResult split = RunCli({"split", chain, "--links", "--json", "--quiet"});
    ASSERT_EQ(split.Status, 0) << split.Err;
    const json files = Document(split)[0]["files"];
    ASSERT_EQ(files.size(), 2u) << files;
    for (const json& file : files)
        expectRangeSeconds(file);
    EXPECT_NEAR(files[1]["seconds"].get<double>(),
                static_cast<double>(DecodeSamples(files[1]["file"].get<std::string>()).size()) / kSecondRate, 1e-9);
}

// The other way round: a time typed or read from a marker file lands where
// the seconds printed for it say, in whichever link it falls.
TEST_F(BatchJson, TimesTypedOrReadInAChainCountEachLinkAtItsOwnRate)
{
    const MixedRateChain made = WriteMixedRateChain();
    const std::string chain = made.Path;
    const std::int64_t boundary = made.Boundary, total = made.Total;

    // 2.5 s is half a second, 22050 samples at 44.1 kHz, into the second
    // link; a second before the end lies at the boundary.
    const CliResult split =
        RunCli({"split", chain, "--at", "-1,2.5", "--json", "--quiet"});
    ASSERT_EQ(split.Status, 0) << split.Err;
    const json files = Document(split)[0]["files"];
    ASSERT_EQ(files.size(), 3u) << files;
    EXPECT_EQ(files[0]["end_sample"], boundary);
    EXPECT_EQ(files[1]["end_sample"], boundary + 22050);
    EXPECT_EQ(files[2]["end_sample"], total);

    // Labels in both links read where their times fall, are saved with the
    // times printed for them and read back to the same samples; so does a
    // cue sheet, 2.48 s being a whole frame into the second link.
    const std::string typed = dir_.Path("typed.txt");
    const std::string labels = dir_.Path("rates.txt");
    const std::string sheet = dir_.Path("rates.cue");
    const std::string typedText = "1.000000\t1.000000\tA\n2.480000\t2.480000\tB\n";
    WriteBytes(typed, Bytes(typedText.begin(), typedText.end()));
    const json laid = Document(RunCli({"markers", chain, "--labels", typed, "--json", "--save-labels", labels,
                                       "--save-cue", sheet}))[0]["markers"];
    ASSERT_EQ(laid.size(), 2u) << laid;
    EXPECT_EQ(laid[0]["sample"], 22050);
    EXPECT_EQ(laid[1]["sample"], boundary + 21168);
    EXPECT_EQ(laid[1]["seconds"], 2.48);
    const Bytes text = ReadBytes(labels);
    EXPECT_EQ(std::string(text.begin(), text.end()), typedText);
    const json fromLabels = Document(RunCli({"markers", chain, "--labels", labels, "--json"}))[0]["markers"];
    const json fromSheet = Document(RunCli({"markers", chain, "--cue", sheet, "--json"}))[0]["markers"];
    for (const json& read : {fromLabels, fromSheet}) {
        std::vector<std::int64_t> samples;
        for (const json& marker : read)
            samples.push_back(marker["sample"].get<std::int64_t>());
        EXPECT_NE(std::ranges::find(samples, boundary + 21168), samples.end()) << read;
    }
    EXPECT_EQ(fromLabels, laid);
}

TEST_F(BatchJson, ChaptersListsEveryReadableFileAndNamesTheOneItCannotRead)
{
    const std::string bad = dir_.Path("bad.ogg");
    WriteBytes(bad, Bytes(5000, 'x'));
    const std::string a = dir_.Path("a.ogg");
    const std::string b = dir_.Path("b.ogg");
    const CliResult run = RunCli({"chapters", a, bad, b});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "FileName: " + a + "\n\"" + a + "\" holds no chapters.\n\nFileName: " + b + "\n\"" + b +
                           "\" holds no chapters.\n");
    EXPECT_NE(run.Err.find(bad), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("2 of 3 files done"), std::string::npos) << run.Err;
}

} // namespace
} // namespace oq::test
