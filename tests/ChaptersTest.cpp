#include "base/Error.h"
#include "jobs/ChapterCopy.h"
#include "media/FileLinks.h"
#include "model/Chapters.h"
#include "ogg/PageBuilder.h"
#include "tools/CommentCopy.h"
#include "tests/support/CliRunner.h"
#include "tests/support/OggCheck.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <gtest/gtest.h>
#include <memory>

namespace oq::test {
namespace {

using Comments = std::vector<std::pair<std::string, std::string>>;

constexpr std::int32_t kRate = 44100;
constexpr std::int32_t kOpusRate = 48000;

// `source` copied to `path` with `extra` comment fields after its own.
void WriteWithFields(const std::string& source, const std::string& path, const std::vector<std::string>& extra)
{
    CopyWithComments(source, path, [&](std::size_t, const std::vector<std::string>& fields) {
        std::vector<std::string> all = fields;
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    });
}

std::vector<std::string> FieldsOf(const std::string& path, std::size_t link = 0)
{
    const std::vector<FileLink> links = ReadFileLinks(path);
    std::vector<std::string> fields;
    for (const auto& [name, value] : links.at(link).Headers.Comments)
        fields.push_back(name + "=" + value);
    return fields;
}

bool Holds(const std::vector<std::string>& fields, const std::string& field)
{
    return std::ranges::find(fields, field) != fields.end();
}

TEST(ChapterFields, ReadExactSamplesTitlesAndEndsInNumberOrder)
{
    const Comments comments{{"TITLE", "book"},
                            {"chapter002name", "Two"},
                            {"CHAPTER002", "00:00:01.5 --> 00:00:02.000"},
                            {"CHAPTER001", "00:00:00.000"},
                            {"CHAPTER001NAME", "One"},
                            {"CHAPTER010", "01:02:03.004"},
                            {"CHAPTERS", "not a chapter field"},
                            {"CHAPTER003URL", "nor this"}};
    const std::vector<Chapter> chapters = ChapterFields::Parse(comments, kRate, 4000LL * kRate, "a.ogg");
    const std::vector<Chapter> expected{
        {0, "One"},
        {kRate * 3 / 2, "Two", 2 * kRate},
        // 0.004 s is 176.4 samples.
        {3723LL * kRate + 176, ""},
    };
    EXPECT_EQ(chapters, expected);
    EXPECT_EQ(ChapterFields::Time(3723LL * kRate + 176, kRate), "01:02:03.004");
    EXPECT_EQ(ChapterFields::Time(kRate * 101 * 3600LL, kRate), "101:00:00.000");
}

TEST(ChapterFields, BadFieldsAreNamed)
{
    const std::int64_t length = 60LL * kRate; // one minute
    struct Case {
        Comments Fields;
        std::string Named;
    };
    const Case cases[] = {
        {{{"CHAPTER001", "0:00:5"}}, "CHAPTER001=\"0:00:5\" holds no time"},
        {{{"CHAPTER001", "00:61:00.000"}}, "CHAPTER001=\"00:61:00.000\" holds no time"},
        {{{"CHAPTER001", "00:00:01.000 --> soon"}}, "CHAPTER001=\"00:00:01.000 --> soon\" holds no end time"},
        {{{"CHAPTER1000", "00:00:01.000"}}, "CHAPTER1000=\"00:00:01.000\" has a number past 999"},
        {{{"CHAPTER001", "00:00:01.000"}, {"chapter001", "00:00:02.000"}}, "chapter001=\"00:00:02.000\" gives the time"},
        {{{"CHAPTER002NAME", "Lost"}}, "CHAPTER002NAME=\"Lost\" names a chapter that has no time"},
        {{{"CHAPTER001", "00:01:00.000"}}, "CHAPTER001=\"00:01:00.000\" lies at or past the end of the audio, 00:01:00.000"},
        {{{"CHAPTER001", "00:00:30.000 --> 00:01:30.000"}}, "ends past the end of the audio"},
        {{{"CHAPTER001", "00:00:30.000 --> 00:00:10.000"}}, "ends before it starts"},
        {{{"CHAPTER001", "00:00:30.000"}, {"CHAPTER002", "00:00:30.000"}},
         "CHAPTER002=\"00:00:30.000\" does not follow CHAPTER001=\"00:00:30.000\""},
    };
    for (const Case& c : cases) {
        try {
            ChapterFields::Parse(c.Fields, kRate, length, "book.ogg");
            ADD_FAILURE() << "accepted: " << c.Named;
        } catch (const FormatError& error) {
            EXPECT_EQ(error.Path(), "book.ogg");
            EXPECT_NE(std::string(error.what()).find(c.Named), std::string::npos) << error.what();
        }
    }
}

// What ffprobe lists of a file's chapters: "start_time,title" a line.
std::optional<std::string> ProbedChapters(const std::string& path)
{
    if (std::system("command -v ffprobe >/dev/null 2>&1") != 0)
        return std::nullopt;
    const std::string command =
        "ffprobe -v error -show_entries chapter=start_time:chapter_tags=title -of csv=p=0 '" + path + "'";
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()))
        out += buffer;
    return out;
}

struct CodecCase {
    const char* Name;
    const char* Extension;
    std::int32_t Rate;
    std::function<Bytes()> Make;
    std::function<std::vector<std::int16_t>(const std::string&)> Decode;
};

class ChapterCopy : public ::testing::TestWithParam<CodecCase> {
protected:
    TempDir dir_;
};

// Chapters written over a file's old ones come back to the millisecond with
// their titles, every other comment stays, the audio decodes to the
// source's samples, and a reader nobody here wrote lists them too.
TEST_P(ChapterCopy, RoundTripKeepsAudioAndOtherComments)
{
    const CodecCase& codec = GetParam();
    const std::string plain = dir_.Path(std::string("plain") + codec.Extension);
    const std::string source = dir_.Path(std::string("book") + codec.Extension);
    const std::string out = dir_.Path(std::string("out") + codec.Extension);
    WriteBytes(plain, codec.Make());
    WriteWithFields(plain, source,
                    {"ARTIST=Reader", "CHAPTER001=00:00:00.000", "CHAPTER001NAME=Old", "CHAPTER005=00:00:02.000"});
    const Bytes sourceBytes = ReadBytes(source);

    const std::int32_t rate = codec.Rate;
    // Samples off the millisecond grid, a title with a '=' in it, and one
    // left to its number.
    const std::vector<Chapter> chapters{{0, "Opening"}, {rate + 17, ""}, {rate * 5 / 2 + 3, "Part = two"}};
    WriteChapterCopy(source, out, chapters);

    EXPECT_EQ(ReadBytes(source), sourceBytes);
    const std::vector<Chapter> read = ReadChapters(out);
    ASSERT_EQ(read.size(), chapters.size());
    const std::vector<std::string> titles{"Opening", "Chapter 2", "Part = two"};
    for (std::size_t k = 0; k < read.size(); ++k) {
        EXPECT_LE(std::abs(read[k].Sample - chapters[k].Sample), rate / 1000 / 2 + 1) << k;
        EXPECT_EQ(read[k].Title, titles[k]);
    }
    const std::vector<std::string> fields = FieldsOf(out);
    EXPECT_TRUE(Holds(fields, "ARTIST=Reader"));
    EXPECT_FALSE(Holds(fields, "CHAPTER005=00:00:02.000"));
    EXPECT_FALSE(Holds(fields, "CHAPTER001NAME=Old"));
    EXPECT_TRUE(Holds(fields, "CHAPTER002=00:00:01.000"));
    EXPECT_EQ(codec.Decode(out), codec.Decode(source));
    if (std::string(codec.Name) == "Vorbis") {
        EXPECT_EQ(ProblemWithStream(out, 0x5157), "");
    }

    const std::optional<std::string> probed = ProbedChapters(out);
    if (!probed)
        GTEST_SKIP() << "ffprobe is not installed";
    EXPECT_EQ(*probed, "0.000000,Opening\n1.000000,Chapter 2\n2.500000,Part = two\n");
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, ChapterCopy,
    ::testing::Values(
        CodecCase{"Vorbis", ".ogg", kRate, [] { return MakeOggVorbis({.seconds = 4, .signal = Signal::Mixed}); },
                  DecodeSamples},
        CodecCase{"Opus", ".opus", kOpusRate, [] { return MakeOggOpus({.seconds = 4}); }, DecodeOpusSamples}),
    [](const auto& info) { return std::string(info.param.Name); });

// The pages of stream `serial`, as the sync layer finds them.
std::vector<std::pair<std::int64_t, std::size_t>> PagesOf(const std::string& path, std::uint32_t serial)
{
    std::vector<std::pair<std::int64_t, std::size_t>> pages; // granule, bytes
    for (const PageInfo& page : ReadPages(path))
        if (page.Serial == serial)
            pages.emplace_back(page.Granule, page.Bytes);
    return pages;
}

// In a chain each link carries the chapters that begin in it, counted from
// its own start, and reading places them on the whole file's timeline. The
// second link holds another stream beside the audio, which passes unchanged.
TEST(ChapterChain, EachLinkCarriesItsOwnChapters)
{
    TempDir dir;
    constexpr std::uint32_t kOtherSerial = 9;
    const Bytes chain =
        Joined({MakeOggVorbis({.seconds = 3, .signal = Signal::Mixed, .seed = 1}),
                Multiplexed(MakeOggVorbis({.seconds = 3, .signal = Signal::Mixed, .seed = 2}, {.serial = 0x200}),
                            ForeignStreamPages("\x80theora", kOtherSerial, 6), true)});
    const std::string source = dir.Path("chain.ogg");
    const std::string out = dir.Path("out.ogg");
    WriteBytes(source, chain);
    const std::int64_t boundary = ReadFileLinks(source).at(1).FirstSample;

    const std::vector<Chapter> chapters{{0, "A"}, {boundary + kRate, "B"}, {boundary + 2 * kRate, "C"}};
    WriteChapterCopy(source, out, chapters);
    EXPECT_EQ(ReadChapters(out), chapters);
    EXPECT_TRUE(Holds(FieldsOf(out, 1), "CHAPTER001=00:00:01.000"));
    EXPECT_EQ(DecodeSamples(out), DecodeSamples(source));
    EXPECT_EQ(PagesOf(out, kOtherSerial), PagesOf(source, kOtherSerial));

    // A link given back whole keeps its own chapters.
    const CliResult split = RunCli({"split", out, "--links", "--out", dir.Root(), "--quiet"});
    ASSERT_EQ(split.Status, 0) << split.Err;
    const std::vector<Chapter> inSecond{{kRate, "B"}, {2 * kRate, "C"}};
    EXPECT_EQ(ReadChapters(dir.Path("Part 02 - out.ogg")), inSecond);
}

// A stream whose first audio packet shares a page with its headers cannot
// have them replaced without paging its audio anew: refused, nothing written.
TEST(ChapterCopyRefusal, AudioOnAHeaderPage)
{
    TempDir dir;
    const std::vector<EncodedPacket> packets = EncodePackets({.seconds = 2});
    PageBuilder pages(0x5157);
    Bytes file;
    for (std::size_t k = 0; k < packets.size(); ++k) {
        const EncodedPacket& packet = packets[k];
        pages.Add(packet.data.data(), packet.data.size(), k < 3 ? 0 : packet.granule, packet.endOfStream);
        // The identification header alone on the first page; the other two
        // and the first audio packet on the second.
        if (k == 0 || k == 3)
            while (pages.Flush(file)) {
            }
        else
            while (pages.PageOut(file)) {
            }
    }
    while (pages.Flush(file)) {
    }
    const std::string source = dir.Path("shared.ogg");
    const std::string out = dir.Path("out.ogg");
    WriteBytes(source, file);
    try {
        WriteChapterCopy(source, out, {{0, "One"}});
        ADD_FAILURE() << "a copy was written";
    } catch (const FormatError& error) {
        EXPECT_NE(std::string(error.what()).find("holds audio on the last header page"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(std::filesystem::directory_iterator(dir.Root())->path(), source);
}

class ChaptersCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        source_ = dir_.Path("book.ogg");
        WriteBytes(dir_.Path("plain.ogg"), MakeOggVorbis({.seconds = 6, .signal = Signal::Mixed}));
        WriteWithFields(dir_.Path("plain.ogg"), source_,
                        {"CHAPTER001=00:00:01.000", "CHAPTER001NAME=Intro", "CHAPTER002=00:00:03.500",
                         "CHAPTER002NAME=Main"});
    }

    TempDir dir_;
    std::string source_;
};

TEST_F(ChaptersCommand, ListsWritesAndSplitsAtChapters)
{
    const CliResult listed = RunCli({"chapters", source_});
    ASSERT_EQ(listed.Status, 0) << listed.Err;
    EXPECT_EQ(listed.Out, "1\t00:00:01.000\tIntro\t(sample 44100)\n2\t00:00:03.500\tMain\t(sample 154350)\n");
    const CliResult none = RunCli({"chapters", dir_.Path("plain.ogg")});
    EXPECT_EQ(none.Status, 0);
    EXPECT_NE(none.Out.find("holds no chapters"), std::string::npos);

    // A split at the chapters cuts at their exact samples and names the
    // sections after them; the part before the first has no title.
    const std::string parts = dir_.Path("parts");
    std::filesystem::create_directory(parts);
    const CliResult split =
        RunCli({"split", source_, "--chapters", "--names-from-titles", "--out", parts, "--quiet"});
    ASSERT_EQ(split.Status, 0) << split.Err;
    const std::vector<std::int16_t> whole = DecodeSamples(source_);
    const std::size_t values = whole.size();
    EXPECT_EQ(DecodeSamples(parts + "/02 - Intro.ogg").size(), 2 * (154350 - 44100u));
    EXPECT_EQ(DecodeSamples(parts + "/03 - Main.ogg").size(), values - 2 * 154350u);
    EXPECT_EQ(DecodeSamples(parts + "/Part 01 - book.ogg").size(), 2 * 44100u);
    // The book's chapter times would lie past a section's end: none stay.
    EXPECT_TRUE(ReadChapters(parts + "/02 - Intro.ogg").empty());
    EXPECT_TRUE(Holds(FieldsOf(parts + "/02 - Intro.ogg"), "TITLE=Intro"));

    // The markers of any method as chapters: a section's start each.
    const std::string out = dir_.Path("even.ogg");
    const CliResult written = RunCli({"chapters", source_, "--at", "2,4", "--to", out});
    ASSERT_EQ(written.Status, 0) << written.Err;
    const std::vector<Chapter> expected{{0, "Chapter 1"}, {2 * kRate, "Chapter 2"}, {4 * kRate, "Chapter 3"}};
    EXPECT_EQ(ReadChapters(out), expected);
}

TEST_F(ChaptersCommand, RefusesItsSourceAndBadChapters)
{
    const Bytes before = ReadBytes(source_);
    const CliResult same = RunCli({"chapters", source_, "--count", "2", "--to", source_});
    EXPECT_NE(same.Status, 0);
    EXPECT_NE(same.Err.find("book.ogg"), std::string::npos) << same.Err;
    EXPECT_EQ(ReadBytes(source_), before);

    const std::string bad = dir_.Path("bad.ogg");
    WriteWithFields(dir_.Path("plain.ogg"), bad, {"CHAPTER001=00:00:04.000", "CHAPTER002=00:00:02.000"});
    const std::string out = dir_.Path("out.ogg");
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"chapters", bad}, {"split", bad, "--chapters", "--out", dir_.Root(), "--quiet"},
          {"chapters", bad, "--chapters", "--to", out}}) {
        const CliResult result = RunCli(command);
        EXPECT_NE(result.Status, 0) << command[0];
        EXPECT_NE(result.Err.find("CHAPTER002=\"00:00:02.000\" does not follow"), std::string::npos) << result.Err;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

} // namespace
} // namespace oq::test
