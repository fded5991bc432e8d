#include "base/Error.h"
#include "base/JobControl.h"
#include "tools/CutPlanCheck.h"
#include "tools/Joiner.h"
#include "tools/SectionEngine.h"
#include "tools/SourceReader.h"
#include "tests/support/OggCheck.h"
#include "tests/support/SectionCuts.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <random>
#include <set>
#include <vorbis/vorbisfile.h>

namespace oq::test {
namespace {

constexpr std::uint32_t kFirstSerial = 0x10000;

struct SourceFile {
    std::string Path;
    int Channels;
};

// Cuts `source` at the given sample positions into numbered files in `dir`.
std::vector<std::string> CutAt(const std::string& source, const std::vector<std::int64_t>& cuts,
                               const TempDir& dir, const std::vector<bool>& skip = {})
{
    return CutSections(source, {.Cuts = cuts,
                                .OutputName = [&](std::size_t n) { return dir.Path("section" + std::to_string(n) + ".ogg"); },
                                .FirstSerial = kFirstSerial,
                                .Skipped = [&](std::size_t n) { return n <= skip.size() && skip[n - 1]; }});
}

// The central property: the sections, decoded one after another, give the
// source's decoded samples exactly, and each is a valid stream of its own.
void ExpectExactSplit(const SourceFile& source, const std::vector<std::int64_t>& cuts, const std::string& label)
{
    SCOPED_TRACE(label);
    TempDir dir;
    const auto reference = DecodeSamples(source.Path);
    const auto sections = CutAt(source.Path, cuts, dir);
    std::vector<std::int16_t> joined;
    std::int64_t start = 0;
    for (std::size_t k = 0; k < sections.size(); ++k) {
        SCOPED_TRACE("section " + std::to_string(k + 1));
        EXPECT_EQ(ProblemWithStream(sections[k], kFirstSerial + static_cast<std::uint32_t>(k)), "");
        const auto samples = DecodeSamples(sections[k]);
        const std::int64_t end = k < cuts.size() ? cuts[k] : static_cast<std::int64_t>(reference.size()) / source.Channels;
        EXPECT_EQ(static_cast<std::int64_t>(samples.size()), (end - start) * source.Channels);
        joined.insert(joined.end(), samples.begin(), samples.end());
        start = end;
    }
    ASSERT_EQ(joined.size(), reference.size());
    EXPECT_TRUE(joined == reference) << "decoded samples differ";
}

// Where each audio packet's kept samples end, counted as the engine counts.
std::vector<std::int64_t> PacketEnds(const std::string& path)
{
    SourceReader reader(path);
    reader.CaptureHeaders();
    std::vector<std::int64_t> ends;
    SourcePacket packet;
    while (reader.NextPacket(packet))
        ends.push_back(packet.Time.End);
    return ends;
}

// The sections that cutting at `cuts` makes, as the check before a run takes them.
std::vector<SectionJob> SectionsAt(const std::vector<std::int64_t>& cuts)
{
    std::vector<SectionJob> sections(cuts.size() + 1);
    for (std::size_t k = 0; k < sections.size(); ++k) {
        sections[k].StartGranule = k == 0 ? 0 : cuts[k - 1];
        sections[k].EndGranule = k < cuts.size() ? cuts[k] : 0;
    }
    return sections;
}

std::int64_t TotalSamples(const SourceFile& source)
{
    return static_cast<std::int64_t>(DecodeSamples(source.Path).size()) / source.Channels;
}

// Random cut points at least one long Vorbis block apart, so that no section
// lies inside a single packet (which cannot be cut exactly, see below).
constexpr std::int64_t kLongestPacket = 4096;

std::vector<std::int64_t> RandomCuts(std::int64_t total, int count, unsigned seed, std::int64_t from = 1)
{
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<std::int64_t> pick(from, total - kLongestPacket);
    std::vector<std::int64_t> cuts;
    while (static_cast<int>(cuts.size()) < count) {
        const std::int64_t cut = pick(random);
        const bool apart = std::all_of(cuts.begin(), cuts.end(),
                                       [&](std::int64_t other) { return std::abs(other - cut) >= kLongestPacket; });
        if (apart)
            cuts.push_back(cut);
    }
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

// A source that drops samples from the front of its first page's last packet
// can be cut exactly only from the end of that packet on: the drop must stay
// at the start of a section.
std::int64_t FirstExactCut(const std::string& path)
{
    SourceReader reader(path);
    reader.CaptureHeaders();
    SourcePacket packet;
    while (reader.NextPacket(packet))
        if (packet.Time.Anchor)
            return packet.Time.HeadTrim > 0 ? packet.Time.End : 1;
    return 1;
}

// Cut sets that meet every kind of position: random samples, packet ends and
// the samples on either side of them, page granule positions, and the very
// first sample.
std::vector<std::vector<std::int64_t>> CutSetsFor(const SourceFile& source, unsigned seed)
{
    const std::int64_t total = TotalSamples(source);
    const auto ends = PacketEnds(source.Path);
    const std::int64_t from = FirstExactCut(source.Path);
    std::vector<std::vector<std::int64_t>> sets;
    sets.push_back(RandomCuts(total, 7, seed, from));
    std::vector<std::int64_t> atEnds, besideEnds, atPages;
    for (std::size_t i = 2; i + 3 < ends.size() && ends[i + 3] < total - kLongestPacket; i += 9) {
        atEnds.push_back(ends[i]);
        besideEnds.push_back(ends[i] + 1);
        besideEnds.push_back(ends[i + 3] - 1);
    }
    sets.push_back(atEnds);
    sets.push_back(besideEnds);
    for (const PageInfo& page : ReadPages(source.Path))
        if (page.Granule >= from && page.Granule < total - kLongestPacket && !page.Ends)
            atPages.push_back(page.Granule);
    std::sort(atPages.begin(), atPages.end());
    atPages.erase(std::unique(atPages.begin(), atPages.end()), atPages.end());
    if (!atPages.empty())
        sets.push_back(atPages);
    sets.push_back({from, total / 2});
    sets.push_back({});
    for (auto& set : sets)
        std::erase_if(set, [&](std::int64_t cut) { return cut < from; });
    return sets;
}

struct FileCase {
    const char* Name;
    AudioSpec Spec;
    PageLayout Layout;
};

void PrintTo(const FileCase& file, std::ostream* out) { *out << file.Name; }

class ExactSplit : public ::testing::TestWithParam<FileCase> {};

TEST_P(ExactSplit, SectionsDecodeToTheSourceSamples)
{
    TempDir dir;
    const FileCase& file = GetParam();
    const SourceFile source{dir.Path("source.ogg"), file.Spec.channels};
    WriteBytes(source.Path, MakeOggVorbis(file.Spec, file.Layout));
    unsigned seed = 7;
    for (const auto& cuts : CutSetsFor(source, seed++)) {
        std::string label = "cuts:";
        for (std::int64_t cut : cuts)
            label += " " + std::to_string(cut);
        ExpectExactSplit(source, cuts, label);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ExactSplit,
    ::testing::Values(
        FileCase{"Stereo44k", {.channels = 2, .rate = 44100, .seconds = 6, .signal = Signal::Mixed}, {}},
        FileCase{"Mono8k", {.channels = 1, .rate = 8000, .seconds = 9, .signal = Signal::Tone}, {}},
        FileCase{"Mono22k", {.channels = 1, .rate = 22050, .seconds = 4, .signal = Signal::Noise}, {}},
        FileCase{"SixChannels48k", {.channels = 6, .rate = 48000, .seconds = 3, .signal = Signal::Mixed}, {}},
        FileCase{"Silence", {.channels = 2, .rate = 44100, .seconds = 3, .signal = Signal::Silence}, {}},
        FileCase{"OnePacketPages", {.channels = 2, .rate = 22050, .seconds = 4}, {.flushEveryPackets = 1}},
        FileCase{"PacketsSpanningPages", {.channels = 2, .rate = 44100, .seconds = 4, .signal = Signal::Noise, .quality = 0.6f},
                 {.maxSegments = 2}},
        FileCase{"SkewedGranules", {.channels = 2, .rate = 44100, .seconds = 8, .signal = Signal::Mixed},
                 {.skewEveryPages = 2, .skewSamples = 300}},
        // The decoder resets its count to every page's granule position, so
        // the page before the last decides how much the last packet drops.
        FileCase{"SkewedBeforeTheEnd", {.channels = 2, .rate = 44100, .seconds = 2, .signal = Signal::Noise},
                 {.flushEveryPackets = 10, .skewEveryPages = 1, .skewSamples = 300}},
        FileCase{"SkewedTheOtherWay", {.channels = 2, .rate = 44100, .seconds = 2, .signal = Signal::Noise},
                 {.flushEveryPackets = 10, .skewEveryPages = 1, .skewSamples = -300}},
        FileCase{"NoEndOfStream", {.channels = 2, .rate = 44100, .seconds = 5}, {.endOfStream = false}},
        FileCase{"StartsLate", {.channels = 1, .rate = 44100, .seconds = 5}, {.granuleOffset = 100000}},
        FileCase{"DropsItsFirstSamples", {.channels = 2, .rate = 44100, .seconds = 5}, {.granuleOffset = -300}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SectionEngine, SeveralMinutesMatchExactly)
{
    TempDir dir;
    const SourceFile source{dir.Path("long.ogg"), 1};
    WriteBytes(source.Path, MakeOggVorbis({.channels = 1, .rate = 8000, .seconds = 200, .signal = Signal::Mixed}));
    ExpectExactSplit(source, RandomCuts(TotalSamples(source), 12, 99), "twelve random cuts");
}

TEST(SectionEngine, SkippedSectionsWriteNothingAndKeepTheOthersExact)
{
    TempDir dir;
    const SourceFile source{dir.Path("source.ogg"), 2};
    WriteBytes(source.Path, MakeOggVorbis({.seconds = 6, .signal = Signal::Mixed}));
    const auto reference = DecodeSamples(source.Path);
    const std::vector<std::int64_t> cuts{40000, 100000, 170000, 200000};
    const auto sections = CutAt(source.Path, cuts, dir, {false, true, false, true, false});
    std::int64_t start = 0;
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const std::int64_t end = k < cuts.size() ? cuts[k] : static_cast<std::int64_t>(reference.size()) / 2;
        if (k % 2 == 1) {
            EXPECT_FALSE(std::filesystem::exists(dir.Path("section" + std::to_string(k + 1) + ".ogg")));
        } else {
            const std::vector<std::int16_t> expected(reference.begin() + start * 2, reference.begin() + end * 2);
            EXPECT_TRUE(DecodeSamples(sections[k]) == expected) << "section " << k + 1;
        }
        start = end;
    }
}

TEST(SectionEngine, LaterSectionsOpenWithTheTwoResentPacketsOnAPageOfTheirOwn)
{
    TempDir dir;
    const std::string source = dir.Path("source.ogg");
    WriteBytes(source, MakeOggVorbis({.seconds = 4}));
    const auto ends = PacketEnds(source);
    const std::int64_t cut = ends[40] + 100; // inside packet 41
    const auto sections = CutAt(source, {cut}, dir);
    const auto pages = ReadPages(sections[1]);
    ASSERT_GE(pages.size(), 4u);
    // Identification header, then comment and setup headers, then the pair.
    EXPECT_EQ(pages[2].Packets, 2);
    EXPECT_EQ(pages[2].Granule, ends[41] - cut);
    const auto first = ReadPages(sections[0]);
    EXPECT_TRUE(first.back().Ends);
    EXPECT_EQ(first.back().Granule, cut);
}

TEST(SectionEngine, OneSectionFromStartToEndIsACompleteCopy)
{
    TempDir dir;
    const SourceFile source{dir.Path("source.ogg"), 2};
    WriteBytes(source.Path, MakeOggVorbis({.seconds = 2}, {.endOfStream = false}));
    ExpectExactSplit(source, {}, "no cut");
}

// Raw bytes of an Ogg stream made of the given pages' packets; used to make
// streams of other codecs.
Bytes StreamOfPackets(std::uint32_t serial, const std::vector<Bytes>& packets)
{
    ogg_stream_state stream;
    ogg_stream_init(&stream, static_cast<int>(serial));
    Bytes out;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        ogg_packet packet{};
        packet.packet = const_cast<unsigned char*>(packets[i].data());
        packet.bytes = static_cast<long>(packets[i].size());
        packet.b_o_s = i == 0;
        packet.e_o_s = i + 1 == packets.size();
        packet.packetno = static_cast<long>(i);
        ogg_stream_packetin(&stream, &packet);
        ogg_page page;
        while (ogg_stream_flush(&stream, &page)) {
            out.insert(out.end(), page.header, page.header + page.header_len);
            out.insert(out.end(), page.body, page.body + page.body_len);
        }
    }
    ogg_stream_clear(&stream);
    return out;
}

// Splits an Ogg file into its pages' bytes.
std::vector<Bytes> PagesOf(const Bytes& file)
{
    std::vector<Bytes> pages;
    std::size_t offset = 0;
    while (offset + 27 <= file.size()) {
        const std::size_t segments = file[offset + 26];
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i)
            body += file[offset + 27 + i];
        const std::size_t size = 27 + segments + body;
        pages.emplace_back(file.begin() + static_cast<long>(offset), file.begin() + static_cast<long>(offset + size));
        offset += size;
    }
    return pages;
}

TEST(SectionEngine, AudioBesideAnotherStreamIsCutFromTheVorbisStream)
{
    TempDir dir;
    const SourceFile source{dir.Path("muxed.ogg"), 2};
    const auto vorbis = PagesOf(MakeOggVorbis({.seconds = 4, .signal = Signal::Mixed}));
    const Bytes opusHead{'O', 'p', 'u', 's', 'H', 'e', 'a', 'd', 1, 2, 0, 0, 0x80, 0xbb, 0, 0, 0, 0, 0};
    std::vector<Bytes> otherPackets{opusHead};
    for (int i = 0; i < 40; ++i)
        otherPackets.push_back(Bytes(50, static_cast<unsigned char>(i)));
    const auto other = PagesOf(StreamOfPackets(77, otherPackets));
    // Both streams begin first; then their pages take turns.
    Bytes muxed = other[0];
    std::size_t next = 1;
    for (const Bytes& page : vorbis) {
        muxed.insert(muxed.end(), page.begin(), page.end());
        if (next < other.size() && &page != &vorbis.front())
            muxed.insert(muxed.end(), other[next].begin(), other[next].end()), ++next;
    }
    WriteBytes(source.Path, muxed);
    ExpectExactSplit(source, RandomCuts(TotalSamples(source), 4, 5), "four cuts");
}

// A chain as our Join makes it: three links of different rates and channel
// counts, each titled, the third carrying the first one's serial (which the
// join renumbers).
struct Chain {
    std::string Path;
    std::vector<int> Channels;
    std::vector<std::int64_t> LinkStarts; // on the chained timeline, with the total last
};

Chain MakeChain(const TempDir& dir)
{
    const std::vector<AudioSpec> links{
        {.channels = 2, .rate = 44100, .seconds = 2, .signal = Signal::Mixed, .title = "one"},
        {.channels = 1, .rate = 22050, .seconds = 1.5, .signal = Signal::Noise, .title = "two"},
        {.channels = 6, .rate = 48000, .seconds = 1, .signal = Signal::Mixed, .title = "three"}};
    Chain chain{dir.Path("chain.ogg"), {}, {0}};
    Joiner joiner;
    JobControl control;
    for (std::size_t k = 0; k < links.size(); ++k) {
        const std::string input = dir.Path("link" + std::to_string(k) + ".ogg");
        WriteBytes(input, MakeOggVorbis(links[k], {.serial = k == 1 ? 0x77u : 0x5157u}));
        joiner.CopyBytes(input, chain.Path, 0, static_cast<std::int64_t>(ReadBytes(input).size()), control);
        joiner.CloseSource();
        chain.Channels.push_back(links[k].channels);
        chain.LinkStarts.push_back(chain.LinkStarts.back() + std::lround(links[k].seconds * links[k].rate));
    }
    joiner.CloseOutput();
    return chain;
}

// Where chained sample `position` lies in the decoded samples of all links.
std::size_t DecodedIndex(const Chain& chain, std::int64_t position)
{
    std::int64_t index = 0;
    for (std::size_t k = 0; k < chain.Channels.size(); ++k) {
        const std::int64_t frames = std::clamp(position - chain.LinkStarts[k], std::int64_t{0},
                                               chain.LinkStarts[k + 1] - chain.LinkStarts[k]);
        index += frames * chain.Channels[k];
    }
    return static_cast<std::size_t>(index);
}

// The TITLE of each link of a file, as the reference library reads them.
std::vector<std::string> LinkTitles(const std::string& path)
{
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0)
        return {"(does not open)"};
    std::vector<std::string> titles;
    for (int link = 0; link < ov_streams(&file); ++link) {
        const char* title = vorbis_comment_query(ov_comment(&file, link), "TITLE", 0);
        titles.emplace_back(title ? title : "");
    }
    ov_clear(&file);
    return titles;
}

// Each section, decoded across its links by the reference library, gives
// exactly its stretch of the chain's samples; each part is a stream of a
// serial of its own with its link's comments, and the rest of the chain
// passes the check made before a run.
TEST(SectionEngine, ChainedSourceSplitsExactlyInsideAndAcrossLinks)
{
    TempDir dir;
    const Chain chain = MakeChain(dir);
    const auto reference = DecodeSamples(chain.Path);
    const std::int64_t b1 = chain.LinkStarts[1], b2 = chain.LinkStarts[2], total = chain.LinkStarts[3];
    ASSERT_EQ(reference.size(), DecodedIndex(chain, total));
    const std::vector<std::string> titles{"one", "two", "three"};
    const std::vector<std::vector<std::int64_t>> cutSets{
        {20000, 60000, b1 + 10000, b2 + 5000}, // inside links
        {60000, b1 + 10000},                   // across one boundary
        {20000, b2 + 5000},                    // across two
        {b1, b2},                              // at the boundaries
        {b1 - 5000, b2},
        {b1, b2 + 100},
        {}};
    for (const auto& cuts : cutSets) {
        std::string label = "cuts:";
        for (std::int64_t cut : cuts)
            label += " " + std::to_string(cut);
        SCOPED_TRACE(label);
        EXPECT_NO_THROW(CutPlanCheck::Require(chain.Path, SectionsAt(cuts)));
        TempDir out;
        const auto sections = CutAt(chain.Path, cuts, out);
        std::int64_t start = 0;
        for (std::size_t k = 0; k < sections.size(); ++k) {
            SCOPED_TRACE("section " + std::to_string(k + 1));
            const std::int64_t end = k < cuts.size() ? cuts[k] : total;
            EXPECT_EQ(ProblemWithStream(sections[k], kFirstSerial + static_cast<std::uint32_t>(k)), "");
            const std::vector<std::int16_t> expected(reference.begin() + static_cast<long>(DecodedIndex(chain, start)),
                                                     reference.begin() + static_cast<long>(DecodedIndex(chain, end)));
            EXPECT_TRUE(DecodeSamples(sections[k]) == expected) << "decoded samples differ";
            std::vector<std::string> wanted;
            std::set<std::uint32_t> serials;
            std::size_t streams = 0;
            for (std::size_t link = 0; link < titles.size(); ++link)
                if (start < chain.LinkStarts[link + 1] && end > chain.LinkStarts[link])
                    wanted.push_back(titles[link]);
            for (const PageInfo& page : ReadPages(sections[k]))
                if (page.Begins)
                    ++streams, serials.insert(page.Serial);
            EXPECT_EQ(LinkTitles(sections[k]), wanted);
            EXPECT_EQ(serials.size(), streams) << "two streams of one serial";
            start = end;
        }
    }
}

// A section that starts inside a link's last packet and goes on into the
// next link would start and end that link's part inside one packet.
TEST(SectionEngine, ChainedSourceRefusesWhatItCannotCutWithTheCheckSaying)
{
    TempDir dir;
    const Chain chain = MakeChain(dir);
    const std::int64_t total = chain.LinkStarts[3];
    for (const std::vector<std::int64_t>& cuts : {std::vector<std::int64_t>{chain.LinkStarts[1] - 1, total - 100},
                                                   std::vector<std::int64_t>{chain.LinkStarts[2] + 10, total},
                                                   std::vector<std::int64_t>{total + 1}}) {
        std::string engineSaid, checkSaid;
        TempDir out;
        try {
            CutAt(chain.Path, cuts, out);
        } catch (const RangeError& error) {
            engineSaid = error.what();
        }
        try {
            CutPlanCheck::Require(chain.Path, SectionsAt(cuts));
        } catch (const RangeError& error) {
            checkSaid = error.what();
        }
        EXPECT_NE(engineSaid, "");
        EXPECT_EQ(checkSaid, engineSaid);
    }
}

TEST(SectionEngine, RefusesCutsItCannotMakeExactly)
{
    TempDir dir;
    const SourceFile source{dir.Path("source.ogg"), 2};
    WriteBytes(source.Path, MakeOggVorbis({.seconds = 2}));
    const std::int64_t total = TotalSamples(source);
    const auto ends = PacketEnds(source.Path);
    TempDir out;
    // The check made before a run refuses each with the engine's words.
    const auto expectRefused = [&](const std::vector<std::int64_t>& cuts, const std::string& label) {
        SCOPED_TRACE(label);
        std::string engineSaid;
        try {
            CutAt(source.Path, cuts, out);
        } catch (const RangeError& error) {
            engineSaid = error.what();
        }
        EXPECT_NE(engineSaid, "");
        try {
            CutPlanCheck::Require(source.Path, SectionsAt(cuts));
            ADD_FAILURE() << "the check let it pass";
        } catch (const RangeError& error) {
            EXPECT_EQ(error.what(), engineSaid);
        }
        return engineSaid;
    };
    expectRefused({1000, total + 5}, "past the end");
    expectRefused({5000, 5000}, "not rising");
    // Both ends of the section fall inside one packet.
    EXPECT_NE(expectRefused({ends[30] + 10, ends[30] + 20}, "inside one packet")
                  .find("section 2 (samples " + std::to_string(ends[30] + 10) + " to " + std::to_string(ends[30] + 20) +
                        ") lies inside one audio packet (samples " + std::to_string(ends[30]) + " to " +
                        std::to_string(ends[31]) + ") and cannot be cut exactly; cut points that work: its start at sample " +
                        std::to_string(ends[30]) + " or earlier, or its end at sample " + std::to_string(ends[31]) + " or later"),
              std::string::npos);
    // The last section would start inside the final, end-trimmed packet; the
    // end of the file is no cut point to propose.
    EXPECT_TRUE(expectRefused({total - 1}, "at the last sample")
                    .ends_with("cut points that work: its start at sample " + std::to_string(ends[ends.size() - 2]) + " or earlier"));
    CutPlanCheck::Require(source.Path, SectionsAt({ends[30], ends[30] + 20}));
    // A section inside one packet that starts where the packet starts needs
    // only its end trimmed, which is exact.
    ExpectExactSplit(source, {ends[30], ends[30] + 20}, "inside one packet from its start");
}

TEST(SectionEngine, RefusesCutsBeforeTheFirstPageOfASourceThatDropsItsFirstSamples)
{
    TempDir dir;
    const SourceFile source{dir.Path("source.ogg"), 2};
    WriteBytes(source.Path, MakeOggVorbis({.seconds = 3}, {.granuleOffset = -300}));
    const std::int64_t first = FirstExactCut(source.Path);
    ASSERT_GT(first, 1);
    TempDir out;
    EXPECT_THROW(CutAt(source.Path, {first / 2}, out), RangeError);
    EXPECT_THROW(CutAt(source.Path, {first - 1}, out), RangeError);
    ExpectExactSplit(source, {first}, "at the end of the first page");
}

enum class Unusable { Empty, Text, Speex, Flac, HeadersCutShort, PageLostAmongTheHeaders };

struct UnusableSource {
    const char* name;
    Unusable kind;
    const char* message;
};

void PrintTo(const UnusableSource& c, std::ostream* out) { *out << c.name; }

const UnusableSource kUnusableSources[] = {
    {"empty", Unusable::Empty, "is not an Ogg file"},
    {"text", Unusable::Text, "is not an Ogg file"},
    {"speex", Unusable::Speex, "Speex"},
    {"flac", Unusable::Flac, "FLAC"},
    {"headers cut short", Unusable::HeadersCutShort, "ends before its Vorbis headers are complete"},
    {"a page lost among the headers", Unusable::PageLostAmongTheHeaders, "data is missing among its Vorbis headers"},
};

Bytes UnusableBytes(Unusable kind)
{
    switch (kind) {
    case Unusable::Empty:
        return {};
    case Unusable::Text:
        return Bytes(5000, 'x');
    case Unusable::Speex:
        return StreamOfPackets(5, {{'S', 'p', 'e', 'e', 'x', ' ', ' ', ' ', 1, 2, 0, 0}});
    case Unusable::Flac:
        return StreamOfPackets(6, {{0x7f, 'F', 'L', 'A', 'C', 1, 0, 0, 1}});
    case Unusable::HeadersCutShort: {
        const Bytes good = MakeOggVorbis({.seconds = 1});
        return Bytes(good.begin(), good.begin() + 200);
    }
    case Unusable::PageLostAmongTheHeaders: {
        // The setup header spans several small pages; one of them is lost.
        const auto smallPages = PagesOf(MakeOggVorbis({.seconds = 1}, {.maxSegments = 2}));
        Bytes gap;
        for (std::size_t i = 0; i < smallPages.size(); ++i)
            if (i != 3)
                gap.insert(gap.end(), smallPages[i].begin(), smallPages[i].end());
        return gap;
    }
    }
    return {};
}

class SectionEngineSource : public ::testing::TestWithParam<UnusableSource> {};

TEST_P(SectionEngineSource, RefusesSourcesWithoutUsableVorbisHeaders)
{
    TempDir dir;
    WriteBytes(dir.Path("bad.ogg"), UnusableBytes(GetParam().kind));
    SectionEngine engine;
    try {
        engine.OpenSourceForCutting(dir.Path("bad.ogg"));
        ADD_FAILURE() << "accepted";
    } catch (const FormatError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("bad.ogg"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(SectionEngine, SectionEngineSource, ::testing::ValuesIn(kUnusableSources),
                         [](const auto& info) { return TestName(info.param.name); });

TEST(SectionEngine, RefusesAMissingSource)
{
    TempDir dir;
    SectionEngine engine;
    EXPECT_THROW(engine.OpenSourceForCutting(dir.Path("missing.ogg")), IoError);
}

} // namespace
} // namespace oq::test
