#include "media/MPEGData.h"
#include "tools/CatalogEscaping.h"
#include "tools/CatalogSearch.h"
#include "tools/CatalogTemplate.h"
#include "tools/CatalogWriter.h"
#include "base/Error.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "base/ProgramDirectory.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sys/stat.h>
#include <tuple>

namespace oq::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Past 2 GiB (the record holds 64-bit sizes), a negative serial number.
const MPEGData kRecord{.FileName = "/music/live/set one.ogg", .FileSize = 3'500'123'456, .BitRate = "128",
                       .PlayLength = "01:02:03", .Streams = 3, .SerialNumber = -5, .Rate = 48000, .Channels = 2};

struct TemplateSplit {
    const char* what;
    std::string text;
    Lines head, body, tail;
};

void PrintTo(const TemplateSplit& c, std::ostream* out) { *out << c.what; }

const TemplateSplit kSplitsIntoHeadBodyAndTail[] = {
    {"the usual layout; marker lines are never written, empty body lines are dropped",
     "H1\n\nH3\nbefore <QRVLOOP> after\nB <QRV001>\n\n<QRV000><QRV000>\nignored <QRVEND> ignored\n\nT <QRV001>\n",
     {"H1", "", "H3"}, {"B set one.ogg"}, {"", "T <QRV001>"}},
    {"no loop marker: all is head, and the lines after an end marker come once more as tail",
     "A\nB <QRVEND>\nC\n", {"A", "B <QRVEND>", "C"}, {}, {"C"}},
    {"no end marker: every line after the loop marker is body, and there is no tail",
     "H\n<QRVLOOP>\n<QRV009>\nlast\n", {"H"}, {"48000", "last"}, {}},
    {"the tail follows the first end marker of the whole template",
     "x<QRVEND>\n<QRVLOOP>\n<QRV004>\n<QRVEND>\nT\n", {"x<QRVEND>"}, {"3"}, {"<QRVLOOP>", "<QRV004>", "<QRVEND>", "T"}},
    {"lines ended by CR LF, and a last line without a line end",
     "H\r\n<QRVLOOP>\r\n<QRV008>\r\n<QRVEND>\r\nT", {"H"}, {"01:02:03"}, {"T"}},
    {"note lines are left out, markers inside them do not count",
     "<QRV: <QRVLOOP> and <QRVEND> in a note>\nH\n<QRVLOOP>\n<QRV: between body lines>\n<QRV007>\n<QRVEND>\n",
     {"H"}, {"0"}, {}},
};

class CatalogTemplateSplit : public ::testing::TestWithParam<TemplateSplit> {};

TEST_P(CatalogTemplateSplit, SplitsIntoHeadBodyAndTail)
{
    const TemplateSplit& c = GetParam();
    const CatalogTemplate t = CatalogTemplate::Parse(c.text, "t.qrv");
    EXPECT_EQ(t.Head(), c.head) << c.what;
    EXPECT_EQ(t.ExpandBody(kRecord), c.body) << c.what;
    EXPECT_EQ(t.Tail(), c.tail) << c.what;
}

INSTANTIATE_TEST_SUITE_P(CatalogTemplate, CatalogTemplateSplit, ::testing::ValuesIn(kSplitsIntoHeadBodyAndTail),
                         [](const auto& info) { return TestName(info.param.what); });

TEST(CatalogTemplate, EveryTagExpandsToItsField)
{
    const CatalogTemplate t = CatalogTemplate::Parse(
        "<QRVLOOP>\n1=<QRV001>|2=<QRV002>|3=<QRV003>|4=<QRV004>|5=<QRV005>\n"
        "6=<QRV006>|7=<QRV007>|8=<QRV008>|9=<QRV009>|10=<QRV010>|0=<QRV000>|11=<QRV011>|999=<QRV999>\n"
        "<QRV001]closing character skipped, values not searched again\n<QRVEND>\n",
        "tags.qrv");
    MPEGData file = kRecord;
    file.FileName = "/music/<QRV003>.ogg";
    file.Codec = "Vorbis";
    EXPECT_EQ(t.ExpandBody(file), (Lines{"1=<QRV003>.ogg|2=/music/|3=3500123456|4=3|5=-5",
                                         "6=128|7=0|8=01:02:03|9=48000|10=Stereo|0=|11=Vorbis|999=",
                                         "<QRV003>.oggclosing character skipped, values not searched again"}));
    const CatalogTemplate mode = CatalogTemplate::Parse("<QRVLOOP>\n<QRV010>\n", "mode.qrv");
    for (const auto& [channels, placed, text] :
         {std::tuple{1, true, "Mono"}, {6, true, "5.1"}, {6, false, "6 channels"}, {9, true, "9 channels"}}) {
        file.Channels = channels;
        file.PlacedChannels = placed;
        EXPECT_EQ(mode.ExpandBody(file), Lines{text}) << "the information window's channel mode";
    }
}

struct BadTemplate {
    std::string text, expected;
};

void PrintTo(const BadTemplate& c, std::ostream* out) { *out << ::testing::PrintToString(c.text); }

const BadTemplate kBadTagsAndNotesNameTheTemplateAndLine[] = {
    {"head <QRVxyz> is not checked\n<QRVLOOP>\nok <QRV001>\nbad <QRV0a1>\n", "line 4: the tag \"<QRV0a1>\""},
    {"<QRVLOOP>\n\ncut short <QRV12", "line 3: the tag \"<QRV12\""},
    {"<QRVLOOP>\n<QRV-01>\n", "line 2"},
    {"<QRV:ESCAPE XML>\n", "line 1: unknown escaping \"XML\""},
};

class CatalogTemplateBadTag : public ::testing::TestWithParam<BadTemplate> {};

TEST_P(CatalogTemplateBadTag, BadTagsAndNotesNameTheTemplateAndLine)
{
    const BadTemplate& c = GetParam();
    try {
        CatalogTemplate::Parse(c.text, "/home/me/mine.qrv");
        ADD_FAILURE() << "accepted: " << c.text;
    } catch (const FormatError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("/home/me/mine.qrv"), std::string::npos) << message;
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(CatalogTemplate, CatalogTemplateBadTag, ::testing::ValuesIn(kBadTagsAndNotesNameTheTemplateAndLine));

struct EscapedValue {
    const char* what;
    std::string value, html, csv;
};

void PrintTo(const EscapedValue& c, std::ostream* out) { *out << c.what; }

const EscapedValue kValuesStayWholeInTheirFormat[] = {
    {"markup and quotes", "a, \"b\" <c> & 'd'", "a, &quot;b&quot; &lt;c&gt; &amp; &#39;d&#39;", "\"a, \"\"b\"\" <c> & 'd'\""},
    {"a line feed and a control character", "two\nlines; bell\x07", "two\nlines; bell\xEF\xBF\xBD", "\"two\nlines; bell\x07\""},
    {"UTF-8 beyond ASCII", "na\xC3\xAFve \xF0\x9F\x8E\xB5", "na\xC3\xAFve \xF0\x9F\x8E\xB5", "na\xC3\xAFve \xF0\x9F\x8E\xB5"},
    // Latin-1, an overlong '/', a surrogate and a cut sequence are no UTF-8.
    {"bytes that are no UTF-8", "caf\xE9 \xC0\xAF\xED\xA0\x80\xE2\x82", "caf\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
     "caf\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"a leading blank", " padded", " padded", "\" padded\""},
};

class CatalogEscapingValue : public ::testing::TestWithParam<EscapedValue> {};

TEST_P(CatalogEscapingValue, ValuesStayWholeInTheirFormat)
{
    const EscapedValue& c = GetParam();
    EXPECT_EQ(EscapeTagValue(c.value, TagEscaping::Html), c.html) << c.value;
    EXPECT_EQ(EscapeTagValue(c.value, TagEscaping::Csv), c.csv) << c.value;
    EXPECT_EQ(EscapeTagValue(c.value, TagEscaping::None), c.value);
}

INSTANTIATE_TEST_SUITE_P(CatalogEscaping, CatalogEscapingValue, ::testing::ValuesIn(kValuesStayWholeInTheirFormat),
                         [](const auto& info) { return TestName(info.param.what); });

struct FilterMatch {
    const char *name, *filter;
    bool matches;
};

void PrintTo(const FilterMatch& c, std::ostream* out) { *out << c.name << " against " << c.filter; }

const FilterMatch kFilterMatchesLikeTheFileDialogs[] = {
    {"a.ogg", "*.Ogg", true},  {"B.OGG", "*.Ogg", true},   {"x.ogg.txt", "*.Ogg", false}, {"ogg", "*.Ogg", false},
    {"README", "*.*", true},   {"x1.ogg", "x?.ogg", true}, {"x12.ogg", "x?.ogg", false},  {"aXbYb", "a*b", true},
    {"aXbYc", "a*b", false},
    // The usual filter: Vorbis and Opus names in any case, nothing else.
    {"a.OPUS", kOggAudioFilter, true}, {"b.oga", kOggAudioFilter, true}, {"c.Ogg", kOggAudioFilter, true},
    {"d.opus.txt", kOggAudioFilter, false}, {"opus", kOggAudioFilter, false}, {"e.wav", kOggAudioFilter, false},
};

class CatalogSearchFilter : public ::testing::TestWithParam<FilterMatch> {};

TEST_P(CatalogSearchFilter, FilterMatchesLikeTheFileDialogs)
{
    const FilterMatch& c = GetParam();
    EXPECT_EQ(MatchesFileFilter(c.name, c.filter), c.matches) << c.name << " / " << c.filter;
}

INSTANTIATE_TEST_SUITE_P(CatalogSearch, CatalogSearchFilter, ::testing::ValuesIn(kFilterMatchesLikeTheFileDialogs));

struct Counter : JobObserver {
    void CurrentFile(const std::string& name) override { names.push_back(name); }
    void TotalText(const std::string& text) override { totals.push_back(text); }
    Lines names, totals;
};

class CatalogFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"b.OGG", "a.ogg", "C.Ogg", "notes.txt", "Sub2/deep/z.ogg", "Sub2/m.ogg", "sub1/y.ogg",
                                 "dir.ogg/x.ogg"}) {
            fs::create_directories(fs::path(Root() + "/" + name).parent_path());
            WriteBytes(Root() + "/" + name, Bytes{1});
        }
        // A link back to the top must not send the search round in circles.
        fs::create_directory_symlink(Root(), Root() + "/sub1/loop");
        mkfifo((Root() + "/pipe.ogg").c_str(), 0600);
    }
    std::string Root() const { return dir_.Root(); }
    Lines Relative(const Lines& paths) const
    {
        Lines relative;
        for (const std::string& path : paths)
            relative.push_back(path.substr(Root().size() + 1));
        return relative;
    }

    TempDir dir_;
    JobControl control_;
    Counter counter_;
    Lines unreadable_;
};

TEST_F(CatalogFiles, FolderFirstThenSubFoldersDepthFirstInNameOrder)
{
    const Lines found = CollectCatalogFiles(Root(), "*.Ogg", true, control_, counter_, unreadable_);
    EXPECT_EQ(Relative(found), (Lines{"a.ogg", "b.OGG", "C.Ogg", "dir.ogg/x.ogg", "sub1/y.ogg", "Sub2/m.ogg", "Sub2/deep/z.ogg"}))
        << "folders and pipes matching the filter are no files; the loop is searched once";
    EXPECT_EQ(counter_.names, (Lines{"a.ogg", "b.OGG", "C.Ogg", "x.ogg", "y.ogg", "m.ogg", "z.ogg"}));
    EXPECT_EQ(counter_.totals.back(), "7");
    EXPECT_EQ(unreadable_, Lines{});
}

TEST_F(CatalogFiles, WithoutSubFoldersWithEveryNameCancelledAndMissing)
{
    EXPECT_EQ(Relative(CollectCatalogFiles(Root() + "/", "*.Ogg", false, control_, counter_, unreadable_)), (Lines{"a.ogg", "b.OGG", "C.Ogg"}));
    EXPECT_EQ(Relative(CollectCatalogFiles(Root(), "*.*", false, control_, counter_, unreadable_)), (Lines{"a.ogg", "b.OGG", "C.Ogg", "notes.txt"}));
    EXPECT_THROW(CollectCatalogFiles(Root() + "/nowhere", "*.Ogg", true, control_, counter_, unreadable_), IoError);
    control_.RequestCancel();
    EXPECT_TRUE(CollectCatalogFiles(Root(), "*.Ogg", true, control_, counter_, unreadable_).empty());
}

// Writes real Ogg files with awkward names, in a folder with an awkward
// name, and returns their paths.
Lines MakeAwkwardFiles(const TempDir& dir)
{
    const std::string folder = dir.Path("live, \"best\" <of> & r\xC3\xA9sum\xC3\xA9\nvol. 2");
    fs::create_directory(folder);
    const Lines names = {"a, \"quoted\" <tag> & co.ogg", "na\xC3\xAFve \xE2\x82\xAC.ogg", "two\nlines.ogg", "caf\xE9.ogg"};
    Lines paths;
    const Bytes audio = MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 1.0}, {.serial = 0x80000001u});
    for (const std::string& name : names) {
        paths.push_back(folder + "/" + name);
        WriteBytes(paths.back(), audio);
    }
    return paths;
}

std::string FolderOf(const std::string& path) { return fs::path(path).parent_path().string() + "/"; }

std::string RunCatalog(CatalogMode mode, const Lines& files, const std::string& output)
{
    CatalogWriter writer(CatalogTemplate::Load(CatalogTemplatePath(mode)), output);
    writer.Start();
    for (const std::string& file : files)
        writer.AddEntry(*DescribeCatalogEntry(file));
    writer.Finish();
    return Text(ReadBytes(output));
}

// RFC 4180, with '\n' as the line end.
std::vector<Lines> ParseCsv(const std::string& text)
{
    std::vector<Lines> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            field += text[++i];
        } else if (c == '"' && (quoted || field.empty())) {
            quoted = !quoted;
        } else if (!quoted && (c == ',' || c == '\n')) {
            rows.back().push_back(std::exchange(field, {}));
            if (c == '\n')
                rows.emplace_back();
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(field.empty() && rows.back().empty()) << "the last row ends with a line end";
    rows.pop_back();
    return rows;
}

TEST(CatalogShippedTemplates, CsvHasAHeaderRowAndOneWholeRowPerFile)
{
    EXPECT_EQ(CatalogTemplatePath(CatalogMode::Html), ProgramDirectory() + "/html.qrv");
    EXPECT_EQ(CatalogTemplatePath(CatalogMode::Custom), ProgramDirectory() + "/csv.qrv") << "no file chosen";
    EXPECT_EQ(CatalogTemplatePath(CatalogMode::Custom, "/my/own.qrv"), "/my/own.qrv");
    TempDir dir;
    const Lines files = MakeAwkwardFiles(dir);
    const auto rows = ParseCsv(RunCatalog(CatalogMode::Csv, files, dir.Path("catalog.csv")));
    ASSERT_EQ(rows.size(), files.size() + 1);
    EXPECT_EQ(rows[0][0], "File Name");
    for (std::size_t i = 0; i < files.size(); ++i) {
        const Lines& row = rows[i + 1];
        ASSERT_EQ(row.size(), rows[0].size()) << files[i];
        EXPECT_EQ(row[0], ValidUtf8(fs::path(files[i]).filename().string()));
        EXPECT_EQ(row[1], FolderOf(files[i]));
        EXPECT_EQ(row[6], "Mono");
        EXPECT_EQ(row[8], "-2147483647") << "serial numbers are signed";
    }
}

TEST(CatalogShippedTemplates, HtmlEscapesNamesAndStaysWellFormed)
{
    TempDir dir;
    const Lines files = MakeAwkwardFiles(dir);
    const std::string html = RunCatalog(CatalogMode::Html, files, dir.Path("catalog.html"));
    EXPECT_EQ(ValidUtf8(html), html);
    EXPECT_NE(html.find("<td class=\"name\">a, &quot;quoted&quot; &lt;tag&gt; &amp; co.ogg</td>"), std::string::npos);
    EXPECT_NE(html.find("na\xC3\xAFve \xE2\x82\xAC.ogg"), std::string::npos);
    EXPECT_EQ(html.find("QRV"), std::string::npos) << "no tag or note left behind";

    const std::size_t bodyStart = html.find("<tbody>"), bodyEnd = html.find("</tbody>");
    ASSERT_LT(bodyStart, bodyEnd);
    const std::string rows = html.substr(bodyStart + 7, bodyEnd - bodyStart - 7);
    const std::regex row("<tr>");
    EXPECT_EQ(std::distance(std::sregex_iterator(rows.begin(), rows.end(), row), std::sregex_iterator()),
              static_cast<long>(files.size()));
    // With the table's own tags and the character references taken out, no
    // markup character may remain.
    const std::string bare = std::regex_replace(
        std::regex_replace(rows, std::regex(R"(</?t[rd]( class="[a-z]+")?>)"), ""), std::regex("&(amp|lt|gt|quot|#39);"), "");
    EXPECT_EQ(bare.find_first_of("<>&\""), std::string::npos) << bare;
    EXPECT_NE(html.find("</html>"), std::string::npos);

    // Read back, every row gives the file's own name and folder.
    const std::regex rowPattern(R"(<tr>([\s\S]*?)</tr>)"), cellPattern(R"(<td[^>]*>([\s\S]*?)</td>)");
    const auto unescaped = [](std::string text) {
        for (const auto& [reference, character] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}})
            text = std::regex_replace(text, std::regex(reference), character);
        return text;
    };
    std::size_t file = 0;
    for (auto row = std::sregex_iterator(rows.begin(), rows.end(), rowPattern); row != std::sregex_iterator(); ++row, ++file) {
        ASSERT_LT(file, files.size());
        const std::string cells = (*row)[1].str();
        Lines values;
        for (auto cell = std::sregex_iterator(cells.begin(), cells.end(), cellPattern); cell != std::sregex_iterator(); ++cell)
            values.push_back(unescaped((*cell)[1].str()));
        ASSERT_GE(values.size(), 2u);
        EXPECT_EQ(values[0], ValidUtf8(fs::path(files[file]).filename().string()));
        EXPECT_EQ(values[1], FolderOf(files[file]));
    }
}

// Measures the catalog as a browser lays it out: every word of a name or
// folder (a run between spaces, hyphens and slashes) on one line, and the
// table's box within the page and its columns within the box.
constexpr char kLayoutProbe[] = R"(<script>
const broken = [];
for (const cell of document.querySelectorAll('td.name, td.folder')) {
  const text = cell.firstChild;
  for (const word of text.data.matchAll(/[^\s\/-]+/g)) {
    const range = document.createRange();
    range.setStart(text, word.index);
    range.setEnd(text, word.index + word[0].length);
    if (range.getClientRects().length > 1)
      broken.push(word[0]);
  }
}
const box = document.querySelector('table').parentElement;
const verdict = document.createElement('pre');
verdict.id = 'verdict';
verdict.textContent = 'table ' + (box.scrollWidth <= box.clientWidth ? 'fits' : 'scrolls') + ', page ' +
  (document.documentElement.scrollWidth <= window.innerWidth ? 'fits' : 'cut off') + ', broken words:' +
  broken.map(word => ' ' + word).join('');
document.body.appendChild(verdict);
</script>
)";

// A catalog of long names, read at 1280 pixels in a headless browser: no
// name or folder breaks inside a word, and the table fits the page.
TEST(CatalogShippedTemplates, HtmlReadsAt1280PixelsInABrowser)
{
    if (std::system("command -v chromium >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "chromium is not installed (scripts/setup --test installs it)";
    TempDir dir;
    const std::string folder = dir.Path("some-rather-long-folder-name-for-the-recordings/Another Folder With Spaces");
    fs::create_directories(folder);
    const Bytes audio = MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 1.0});
    Lines files;
    for (const char* name : {"fd-alarm-clock-elapsed.ogg", "a-long-file-name-without-spaces-that-goes-on-and-on.ogg",
                             "Track 01 - A Song With A Long Title And Many Words.ogg"}) {
        files.push_back(folder + "/" + name);
        WriteBytes(files.back(), audio);
    }
    std::string page = RunCatalog(CatalogMode::Html, files, dir.Path("catalog.html"));
    const std::size_t end = page.rfind("</body>");
    ASSERT_NE(end, std::string::npos);
    page.insert(end, kLayoutProbe);
    WriteBytes(dir.Path("probe.html"), Bytes(page.begin(), page.end()));

    // A browser of its own: a fresh profile, nothing fetched from outside.
    const std::string command =
        "chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking "
        "--disable-component-update --disable-sync --user-data-dir='" + dir.Path("profile") +
        "' --window-size=1280,900 --dump-dom 'file://" + dir.Path("probe.html") + "' >'" + dir.Path("dom.html") +
        "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::string dom = Text(ReadBytes(dir.Path("dom.html")));
    const std::smatch found = [&] {
        std::smatch match;
        std::regex_search(dom, match, std::regex(R"(<pre id="verdict">([^<]*)</pre>)"));
        return match;
    }();
    ASSERT_FALSE(found.empty()) << dom;
    EXPECT_EQ(found[1].str(), "table fits, page fits, broken words:");
}

// Files that claim Ogg audio by their names and hold none are told; other
// files without it (found with "*.*") and folders have no entry, quietly.
TEST(CatalogWriter, WritesOnlyOggFilesAndHeadAndTailWhenNoneIsFound)
{
    TempDir dir;
    const std::string ogg = dir.Path("one.ogg");
    WriteBytes(ogg, MakeOggVorbis({.channels = 2, .rate = 44100, .seconds = 2.0}));
    WriteBytes(dir.Path("text.ogg"), Bytes(500, 'x'));
    WriteBytes(dir.Path("empty.OPUS"), {});
    WriteBytes(dir.Path("text.txt"), Bytes(500, 'x'));
    const CatalogTemplate t = CatalogTemplate::Parse("head\n<QRVLOOP>\n<QRV001> <QRV008> <QRV009> <QRV010>\n<QRVEND>\ntail\n", "t.qrv");

    EXPECT_THROW(DescribeCatalogEntry(dir.Path("text.ogg")), NotOggAudioError);
    EXPECT_THROW(DescribeCatalogEntry(dir.Path("empty.OPUS")), NotOggAudioError);
    EXPECT_THROW(DescribeCatalogEntry(dir.Path("gone.txt")), IoError);
    EXPECT_FALSE(DescribeCatalogEntry(dir.Path("text.txt")).has_value());
    EXPECT_FALSE(DescribeCatalogEntry(dir.Root()).has_value());
    CatalogWriter writer(t, dir.Path("out.txt"));
    writer.Start();
    writer.AddEntry(*DescribeCatalogEntry(ogg));
    writer.Finish();
    EXPECT_EQ(Text(ReadBytes(dir.Path("out.txt"))), "head\none.ogg 00:00:02 44100 Stereo\ntail\n");

    WriteBytes(dir.Path("empty.txt"), Bytes(100, 'o')); // replaced
    CatalogWriter none(t, dir.Path("empty.txt"));
    none.Start();
    none.Finish();
    EXPECT_EQ(Text(ReadBytes(dir.Path("empty.txt"))), "head\ntail\n");
}

} // namespace
} // namespace oq::test
