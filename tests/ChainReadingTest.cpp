// Chained files as every reader must see them: links told apart even when
// two carry one serial number, the same stream of a multiplexed link
// followed by every reader, each link's headers read once for all, and
// formats a tool cannot hold together refused before anything is written.

#include "base/File.h"
#include "media/FileLinks.h"
#include "media/OggFileInfo.h"
#include "media/ProfileBlock.h"
#include "ogg/RenumberedFile.h"
#include "tools/RenumberingPageCopier.h"
#include "tests/support/CliRunner.h"
#include "tests/support/JobTestSupport.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/SectionCuts.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace oq::test {
namespace {

namespace fs = std::filesystem;

// The decoders read a file through RenumberedFile: it must give the bytes
// that a join of the file writes, whatever pieces the library reads them
// in (here 7 bytes at a time, so that fields straddle reads), and pass over
// damage as the join does: a page of the second copy with a changed body,
// and in the first a page whose lacing claims more bytes than it holds,
// reaching past the copy's last page into the next copy's first.
TEST(RenumberedFile, ReadsAFileAsItsJoinWritesIt)
{
    TempDir dir;
    const Bytes copy = LayPages(EncodePackets({.channels = 1, .seconds = 1.0}), {.flushEveryPackets = 1});
    Bytes thrice = Joined({copy, copy, copy});
    const std::vector<PageSpan> pages = PageSpans(copy);
    thrice[copy.size() + pages[4].Offset + pages[4].Size - 1] ^= 0x10;
    const PageSpan& longer = pages[pages.size() - 2];
    constexpr std::size_t kSegmentCountAt = 26, kLacingAt = 27;
    unsigned char& lacing = thrice[longer.Offset + kLacingAt + thrice[longer.Offset + kSegmentCountAt] - 1];
    const std::size_t reach = pages.back().Size + 1; // one byte into the next copy's first page
    ASSERT_LT(lacing + reach, 255u);
    lacing = static_cast<unsigned char>(lacing + reach);
    WriteBytes(dir.Path("thrice.ogg"), thrice);
    {
        File joined = File::Create(dir.Path("joined.ogg"));
        RenumberingPageCopier copier;
        copier.Copy(thrice.data(), thrice.size(), joined);
        copier.EndInput(joined);
        joined.Close();
    }
    const Bytes expected = ReadBytes(dir.Path("joined.ogg"));
    ASSERT_FALSE(expected == thrice);

    RenumberedFile file = RenumberedFile::OpenRead(dir.Path("thrice.ogg"));
    Bytes read;
    constexpr std::size_t kPiece = 7;
    for (std::size_t got = kPiece; got == kPiece;) {
        unsigned char piece[kPiece];
        got = file.Read(piece, kPiece);
        read.insert(read.end(), piece, piece + got);
    }
    EXPECT_TRUE(read == expected);
}

// A link whose streams begin with a damaged Opus stream and go on with a
// whole Vorbis stream: the cutter's reader follows the Vorbis stream, so a
// section cut from the link holds its samples, and the links that follow a
// cut into the last section must take the same stream, which keeps the
// link, rather than the damaged one, which would leave it out.
TEST(ChainReading, AMultiplexedLinkIsFollowedAlikeWhetherCutOrCarried)
{
    TempDir dir;
    const Bytes first = MakeOggVorbis({.channels = 2, .rate = 22050, .seconds = 1.0}, {.serial = 0x10});
    const Bytes audio = MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 1.0, .signal = Signal::Noise}, {.serial = 0x20});
    const std::string source = dir.Path("chain.ogg");
    WriteBytes(source, Joined({first, Multiplexed(audio, ForeignStreamPages("OpusHead", 0x30, 3), true)}));
    WriteBytes(dir.Path("first.ogg"), first);
    WriteBytes(dir.Path("audio.ogg"), audio);
    const std::vector<std::int16_t> firstSamples = DecodeSamples(dir.Path("first.ogg"));
    const std::vector<std::int16_t> audioSamples = DecodeSamples(dir.Path("audio.ogg"));
    const std::int64_t firstFrames = static_cast<std::int64_t>(firstSamples.size()) / 2;

    const auto cut = [&](std::int64_t at) {
        return CutSections(source, {.Cuts = {at},
                                    .OutputName = [&](std::size_t k) { return dir.Path("s" + std::to_string(k) + ".ogg"); },
                                    .Skipped = {}});
    };
    EXPECT_TRUE(DecodeSamples(cut(firstFrames).at(1)) == audioSamples);

    std::vector<std::int16_t> carried = DecodeSamples(cut(firstFrames / 2).at(1));
    std::vector<std::int16_t> expected(firstSamples.begin() + firstFrames, firstSamples.end());
    expected.insert(expected.end(), audioSamples.begin(), audioSamples.end());
    EXPECT_TRUE(carried == expected) << carried.size() << " samples instead of " << expected.size();
}

// Each link's record from the one header reader: codec, format, pre-skip,
// comments, and where it lies, its samples counted as the file information
// counts them.
TEST(FileLinks, GiveEachLinksHeadersCommentsAndPlace)
{
    TempDir dir;
    const std::vector<Bytes> links = {
        MakeOggVorbis({.channels = 2, .rate = 44100, .seconds = 1.0, .title = "first"}, {.serial = 1}),
        MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 0.5, .title = "second = last"}, {.serial = 2}),
    };
    const std::string source = dir.Path("chain.ogg");
    WriteBytes(source, Joined(links));

    const std::vector<FileLink> read = ReadFileLinks(source);
    ASSERT_EQ(read.size(), 2u);
    using Format = std::tuple<std::string, std::uint32_t, long, int, std::int64_t>;
    const auto format = [](const LinkHeaders& headers) {
        return Format{std::string(headers.Codec->Name), headers.Serial, headers.Rate, headers.Channels, headers.PreSkip};
    };
    EXPECT_EQ(format(read[0].Headers), (Format{"Vorbis", 1, 44100, 2, 0}));
    EXPECT_EQ(format(read[1].Headers), (Format{"Vorbis", 2, 22050, 1, 0}));
    using Fields = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(read[0].Headers.Comments, (Fields{{"TITLE", "first"}}));
    EXPECT_EQ(read[1].Headers.Comments, (Fields{{"TITLE", "second = last"}}));
    const auto size = [&](std::size_t k) { return static_cast<std::int64_t>(links[k].size()); };
    EXPECT_EQ(std::make_pair(read[0].FirstByte, read[0].EndByte), std::make_pair(std::int64_t{0}, size(0)));
    EXPECT_EQ(std::make_pair(read[1].FirstByte, read[1].EndByte), std::make_pair(size(0), size(0) + size(1)));
    const MPEGData info = ReadOggFileInfo(source);
    EXPECT_EQ(read[0].FirstSample, 0);
    EXPECT_EQ(info.LinkStarts, (std::vector<std::int64_t>{read[0].EndSample}));
    EXPECT_EQ(read[1].FirstSample, read[0].EndSample);
    EXPECT_EQ(read[1].EndSample, info.PcmTotal);

    const OpusSpec opus{.channels = 1, .seconds = 1.5, .serial = 3};
    WriteBytes(dir.Path("one.opus"), MakeOggOpus(opus));
    const std::vector<FileLink> opusLinks = ReadFileLinks(dir.Path("one.opus"));
    ASSERT_EQ(opusLinks.size(), 1u);
    const LinkHeaders& head = opusLinks[0].Headers;
    EXPECT_EQ(std::make_tuple(std::string(head.Codec->Name), head.Serial, head.Rate, head.Channels),
              std::make_tuple("Opus", 3u, 48000L, 1));
    EXPECT_GT(head.PreSkip, 0);
    EXPECT_EQ(opusLinks[0].EndSample, OpusInputFrames(opus));
}

struct Recording {
    const char* Name;
    bool Opus;
};

void PrintTo(const Recording& recording, std::ostream* out) { *out << recording.Name; }

// Two copies of one recording put one after the other, as `cat` makes them:
// one serial number twice, the second after the first's end of stream. The
// decoder libraries alone read one link that plays on into the second
// copy's packets; every reader here sees two links, and the sections and
// the WAV file hold exactly the copies' samples, judged by the reference
// decoding of one copy.
class CatenatedCopies : public ::testing::TestWithParam<Recording> {
protected:
    std::vector<std::int16_t> Decode(const std::string& path) const
    {
        return GetParam().Opus ? DecodeOpusSamples(path) : DecodeSamples(path);
    }

    TempDir dir_;
};

TEST_P(CatenatedCopies, AreTwoLinksToEveryReader)
{
    const Bytes copy = GetParam().Opus ? MakeOggOpus({.channels = 2, .seconds = 1.5, .bitrate = 32000})
                                       : MakeOggVorbis({.channels = 2, .rate = 22050, .seconds = 2.0, .signal = Signal::Mixed});
    WriteBytes(dir_.Path("one.ogg"), copy);
    const std::string twice = dir_.Path("twice.ogg");
    WriteBytes(twice, Joined({copy, copy}));
    const std::vector<std::int16_t> one = Decode(dir_.Path("one.ogg"));
    const std::int64_t frames = static_cast<std::int64_t>(one.size()) / 2;

    const MPEGData info = ReadOggFileInfo(twice);
    EXPECT_EQ(info.Streams, 2);
    EXPECT_EQ(info.PcmTotal, 2 * frames);
    EXPECT_EQ(info.LinkStarts, std::vector<std::int64_t>{frames});

    // The count divides the whole length: its cut lies within a profile
    // block of the copies' boundary, and the section after it holds the
    // rest of both. The links give each copy back.
    std::vector<std::int16_t> both = one;
    both.insert(both.end(), one.begin(), one.end());
    for (const std::vector<std::string>& method : {std::vector<std::string>{"--count", "2"}, {"--links"}}) {
        SCOPED_TRACE(method.front());
        const std::string out = dir_.Path("out" + method.front());
        fs::create_directory(out);
        std::vector<std::string> arguments = {"split", twice, "--out", out, "--quiet"};
        arguments.insert(arguments.end(), method.begin(), method.end());
        const CliResult split = RunCli(arguments);
        ASSERT_EQ(split.Status, 0) << split.Err;
        const std::set<std::string> sections = FolderEntries(out); // "Part 01 - twice.ogg", "Part 02 ..."
        ASSERT_EQ(sections.size(), 2u);
        const std::vector<std::int16_t> first = Decode(out + "/" + *sections.begin());
        std::vector<std::int16_t> joined = first;
        const std::vector<std::int16_t> second = Decode(out + "/" + *sections.rbegin());
        joined.insert(joined.end(), second.begin(), second.end());
        EXPECT_TRUE(joined == both);
        EXPECT_NEAR(static_cast<double>(first.size()) / 2, static_cast<double>(frames), SamplesPerBlock(2));
        if (method.front() == "--links") {
            EXPECT_TRUE(first == one);
        }
    }

    const CliResult wav = RunCli({"wav", twice, "--dir", dir_.Root(), "--quiet"});
    ASSERT_EQ(wav.Status, 0) << wav.Err;
    const Bytes written = ReadBytes(dir_.Path("twice.wav"));
    Bytes expected = AsBytes(one);
    expected.insert(expected.end(), expected.begin(), expected.end());
    constexpr std::size_t kWavHeaderBytes = 44;
    ASSERT_GE(written.size(), kWavHeaderBytes);
    EXPECT_TRUE(Bytes(written.begin() + kWavHeaderBytes, written.end()) == expected);
}

INSTANTIATE_TEST_SUITE_P(Codecs, CatenatedCopies, ::testing::Values(Recording{"Vorbis", false}, Recording{"Opus", true}),
                         [](const auto& info) { return std::string(info.param.Name); });

// One WAV header gives one format for all samples: a chain whose second
// link has another rate and channel count is refused, naming that link and
// both formats, and no file of the run is written, not even the good one
// converted before it.
TEST(ChainFormats, WavRefusesLinksOfAnotherFormatBeforeWriting)
{
    TempDir dir;
    const std::string good = dir.Path("good.ogg");
    const std::string chain = dir.Path("chain.ogg");
    WriteBytes(good, MakeOggVorbis({.channels = 2, .rate = 44100, .seconds = 1.0}));
    WriteBytes(chain, Joined({MakeOggVorbis({.channels = 2, .rate = 44100, .seconds = 1.0}),
                              MakeOggVorbis({.channels = 1, .rate = 48000, .seconds = 1.0}, {.serial = 0x77})}));
    fs::create_directory(dir.Path("out"));

    const CliResult wav = RunCli({"wav", good, chain, "--dir", dir.Path("out"), "--quiet"});
    EXPECT_NE(wav.Status, 0);
    EXPECT_NE(wav.Err.find("\"" + chain + "\": link 2 is 48000 Hz mono; link 1 is 44100 Hz stereo"), std::string::npos)
        << wav.Err;
    EXPECT_TRUE(fs::is_empty(dir.Path("out")));
}

} // namespace
} // namespace oq::test
