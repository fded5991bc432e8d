#include "model/Chapters.h"
#include "tests/support/CliRunner.h"
#include "tools/OneStreamCut.h"
#include "tests/support/OggCheck.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"
#include "tests/support/TestOpus.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <filesystem>
#include <set>

namespace oq::test {
namespace {

// A stretch in seconds; every time here is a whole number of hundredths, a
// whole number of samples at 44.1 and 48 kHz.
struct Seconds {
    double from;
    double to;
};

struct Codec {
    const char* name;
    const char* extension;
    long rate;
    std::function<Bytes()> make;                                         // an 8-second source
    std::function<std::vector<std::int16_t>(const std::string&)> decode; // the codec library's own
};

void PrintTo(const Codec& c, std::ostream* out) { *out << c.name; }

const Codec kCodecs[] = {
    {"Vorbis", ".ogg", 44100, [] { return MakeOggVorbis({.seconds = 8, .signal = Signal::Mixed}); }, DecodeSamples},
    {"Opus", ".opus", 48000, [] { return MakeOggOpus({.seconds = 8}); }, DecodeOpusSamples},
    // Packets shorter than the pre-skip, which then reaches over several.
    {"Opus2ms5", ".opus", 48000, [] { return MakeOggOpus({.seconds = 8, .frameMs = 2.5}); }, DecodeOpusSamples},
};

// `samples` (interleaved) without the stretches, which lie apart and rise.
std::vector<std::int16_t> Without(const std::vector<std::int16_t>& samples, std::size_t channels, long rate,
                                  const std::vector<Seconds>& removed)
{
    std::vector<std::int16_t> kept;
    std::size_t from = 0;
    const auto frame = [&](double seconds) { return static_cast<std::size_t>(std::lround(seconds * rate)) * channels; };
    for (const Seconds& stretch : removed) {
        kept.insert(kept.end(), samples.begin() + from, samples.begin() + frame(stretch.from));
        from = frame(stretch.to);
    }
    kept.insert(kept.end(), samples.begin() + from, samples.end());
    return kept;
}

// The serial numbers of the streams that begin in the file, in order.
std::vector<std::uint32_t> StreamSerials(const std::string& path)
{
    std::vector<std::uint32_t> serials;
    for (const PageInfo& page : ReadPages(path))
        if (page.Begins)
            serials.push_back(page.Serial);
    return serials;
}

class Cut : public ::testing::TestWithParam<Codec> {
protected:
    TempDir dir_;
};

// Stretches in any order, overlapping ones, one shorter than a packet and one
// to the end: the output decodes to exactly the rest, each kept stretch a
// link with a serial of its own, and keeping the complement writes the same
// bytes.
TEST_P(Cut, RemovesStretchesExactlyAndKeepingTheRestWritesTheSameFile)
{
    const Codec& codec = GetParam();
    const std::string source = dir_.Path(std::string("source") + codec.extension);
    WriteBytes(source, codec.make());
    const std::string removed = dir_.Path(std::string("removed") + codec.extension);
    const std::string kept = dir_.Path(std::string("kept") + codec.extension);

    const CliResult cut = RunCli({"cut", source, "--remove", "4.00,4.01", "--remove", "1.5,2.25", "--remove", "2,3",
                                  "--remove", "-0.8,end", "--to", removed, "--quiet"});
    ASSERT_EQ(cut.Status, 0) << cut.Err;
    EXPECT_EQ(cut.Out, removed + "\n");
    const std::vector<std::int16_t> samples = codec.decode(source);
    const std::vector<std::int16_t> want = Without(samples, 2, codec.rate, {{1.5, 3}, {4, 4.01}, {7.2, 8}});
    const std::vector<std::int16_t> got = codec.decode(removed);
    ASSERT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want);
    const std::vector<std::uint32_t> serials = StreamSerials(removed);
    EXPECT_EQ(serials.size(), 3u);
    EXPECT_EQ(std::set<std::uint32_t>(serials.begin(), serials.end()).size(), serials.size());

    const CliResult complement =
        RunCli({"cut", source, "--keep", "4.01,7.2", "--keep", "0,1.5", "--keep", "3,4", "--to", kept, "--quiet"});
    ASSERT_EQ(complement.Status, 0) << complement.Err;
    EXPECT_TRUE(ReadBytes(kept) == ReadBytes(removed));
}

INSTANTIATE_TEST_SUITE_P(Codecs, Cut, ::testing::ValuesIn(kCodecs),
                         [](const auto& info) { return TestName(info.param.name); });

// Kept stretches of a chained source: one inside a link, one that runs
// across a link boundary, and the whole links after it, which keep their own
// serial numbers only where no earlier link of the output has them.
TEST(CutChained, KeepsEachLinkOfTheOutputUnderASerialOfItsOwn)
{
    TempDir dir;
    Bytes chain;
    for (std::uint32_t k = 0; k < 3; ++k) {
        const Bytes link = MakeOggVorbis({.seconds = 2, .seed = k + 1}, {.serial = 0x100u + k});
        chain.insert(chain.end(), link.begin(), link.end());
    }
    const std::string source = dir.Path("chain.ogg");
    WriteBytes(source, chain);
    const std::string output = dir.Path("cut.ogg");
    // Section 3, kept from 1.7 s on, gets serial 0x102, the third link's
    // own, and runs into the second link; section 5 runs from the second
    // link into the third, which follows whole. (The first stretch spans
    // more than one page: the file library skips a chain's first link whose
    // audio is all on one page.)
    const CliResult cut =
        RunCli({"cut", source, "--remove", "1.5,1.7", "--remove", "2.5,3.5", "--to", output, "--quiet"});
    ASSERT_EQ(cut.Status, 0) << cut.Err;
    EXPECT_TRUE(DecodeSamples(output) == Without(DecodeSamples(source), 2, 44100, {{1.5, 1.7}, {2.5, 3.5}}));
    const std::vector<std::uint32_t> serials = StreamSerials(output);
    EXPECT_EQ(serials.size(), 5u);
    EXPECT_EQ(std::set<std::uint32_t>(serials.begin(), serials.end()).size(), serials.size());
}

// One stream: each stretch lands where the plan says, within half a packet
// of where it was asked, and decodes as the source does there, but for the
// decoder's blend just after each join, whose difference to an exact cut
// over the first 100 ms is printed. The chapters carry the output's times.
TEST_P(Cut, WritesOneStreamWhoseJoinsLieOnPacketBoundaries)
{
    const Codec& codec = GetParam();
    const std::string source = dir_.Path(std::string("source") + codec.extension);
    WriteBytes(source, codec.make());
    const std::string output = dir_.Path(std::string("one") + codec.extension);
    const CliResult cut = RunCli({"cut", source, "--remove", "1.013,2.5", "--remove", "5.007,6", "--one-stream",
                                  "--chapters", "--to", output, "--quiet"});
    ASSERT_EQ(cut.Status, 0) << cut.Err;
    EXPECT_EQ(StreamSerials(output).size(), 1u);

    const auto at = [&](double seconds) { return std::int64_t(std::lround(seconds * codec.rate)); };
    std::vector<StreamStretch> asked(3);
    const std::int64_t bounds[] = {0, at(1.013), at(2.5), at(5.007), at(6), at(8)};
    for (std::size_t i = 0; i < asked.size(); ++i) {
        asked[i].From = bounds[2 * i];
        asked[i].To = bounds[2 * i + 1];
    }
    const std::vector<StreamStretch> plan = OneStreamCut::Plan(source, asked);
    const std::vector<std::int16_t> samples = codec.decode(source);
    const std::vector<std::int16_t> got = codec.decode(output);
    const std::int64_t packet = codec.rate / 40; // longer than half of any packet here (25 ms)
    const std::int64_t window = codec.rate / 10; // 100 ms
    for (std::size_t i = 0; i < plan.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_LE(std::abs(plan[i].Start - plan[i].From), packet);
        EXPECT_LE(std::abs(plan[i].End - plan[i].To), packet);
        const std::int64_t length = (i + 1 < plan.size() ? plan[i + 1].OutputStart : std::int64_t(got.size() / 2)) -
                                    plan[i].OutputStart;
        ASSERT_GT(length, window);
        const std::int16_t* want = &samples[std::size_t(plan[i].Start) * 2];
        const std::int16_t* have = &got[std::size_t(plan[i].OutputStart) * 2];
        // Past the join's blend (and the decoder's convergence), the source's samples.
        const std::int64_t settled = window / 2;
        EXPECT_GT(Snr(want + settled * 2, have + settled * 2, std::size_t(length - 2 * settled) * 2), 40);
        std::size_t differing = 0; // values up to the last one of the window that differs
        for (std::size_t k = 0; k < std::size_t(window) * 2; ++k)
            if (want[k] != have[k])
                differing = k + 1;
        if (i > 0)
            std::printf("[ figures  ] %s join %zu: start moved %+lld, end of the stretch before %+lld samples; "
                        "of the first 100 ms after it the first %.1f ms differ from an exact cut, "
                        "%.1f dB SNR over the 100 ms\n",
                        codec.name, i, static_cast<long long>(plan[i].Start - plan[i].From),
                        static_cast<long long>(plan[i - 1].End - plan[i - 1].To),
                        1000.0 * double(differing / 2) / double(codec.rate), Snr(want, have, std::size_t(window) * 2));
    }
    // Chapter times are written to the millisecond: each lies within half a
    // millisecond of its stretch's start in the output.
    const std::vector<Chapter> chapters = ReadChapters(output);
    ASSERT_EQ(chapters.size(), plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i)
        EXPECT_LE(std::abs(chapters[i].Sample - plan[i].OutputStart), codec.rate / 2000) << "chapter " << i + 1;
}

// A Vorbis source whose first granule position counts fewer samples than
// its first page's packets yield: its decoder drops the difference there.
// One stream of it drops the same, so the first stretch decodes to the
// source's own samples and the output to the planned length; the stretch
// after the join is the source's once the join's blended packet is past.
TEST(CutOneStream, CarriesTheSamplesAVorbisSourceDropsAtItsStart)
{
    constexpr long kRate = 44100;
    TempDir dir;
    const std::string source = dir.Path("trimmed.ogg");
    WriteBytes(source, MakeOggVorbis({.seconds = 4, .signal = Signal::Mixed}, {.granuleOffset = -700}));
    const std::string output = dir.Path("one.ogg");
    const CliResult cut = RunCli({"cut", source, "--keep", "0,1.5", "--keep", "2.5,end", "--one-stream", "--to",
                                  output, "--quiet"});
    ASSERT_EQ(cut.Status, 0) << cut.Err;
    EXPECT_EQ(ProblemWithStream(output, StreamSerials(output).at(0)), "");

    const std::vector<std::int16_t> samples = DecodeSamples(source);
    std::vector<StreamStretch> asked(2);
    asked[0].To = std::lround(1.5 * kRate);
    asked[1].From = std::lround(2.5 * kRate);
    asked[1].To = std::int64_t(samples.size() / 2);
    const std::vector<StreamStretch> plan = OneStreamCut::Plan(source, asked);
    const std::vector<std::int16_t> got = DecodeSamples(output);
    const auto frames = [](const std::vector<std::int16_t>& v, std::int64_t from, std::int64_t to) {
        return std::vector<std::int16_t>(v.begin() + from * 2, v.begin() + to * 2);
    };
    ASSERT_EQ(std::int64_t(got.size() / 2), plan[1].OutputStart + plan[1].End - plan[1].Start);
    EXPECT_TRUE(frames(got, 0, plan[1].OutputStart) == frames(samples, plan[0].Start, plan[0].End));
    const std::int64_t settled = kRate / 20; // past one packet of 2048 samples
    EXPECT_TRUE(frames(got, plan[1].OutputStart + settled, std::int64_t(got.size() / 2)) ==
                frames(samples, plan[1].Start + settled, plan[1].End));
}

// An Opus source whose pre-skip reaches over several packets, cut from
// within pre-roll reach of its start: the output's pre-skip drops every
// sample before the stretch, none of the source's audio before it is kept.
TEST(CutOneStream, DropsAnOpusSourcesLongPreSkipBeforeTheFirstStretch)
{
    constexpr std::uint16_t kPreSkip = 3000; // 3 packets of 20 ms and part of a fourth
    constexpr std::size_t kPreSkipAt = 10;   // in the identification header, little-endian
    TempDir dir;
    Bytes file = MakeOggOpus({.seconds = 3});
    const PageSpan head = PageSpans(file).at(0);
    const std::size_t body = head.Offset + head.Size - 19; // the header's 19 bytes end the page
    file[body + kPreSkipAt] = kPreSkip & 0xff;
    file[body + kPreSkipAt + 1] = kPreSkip >> 8;
    RenewChecksum(file, head);
    const std::string source = dir.Path("preskip.opus");
    WriteBytes(source, file);
    const std::string output = dir.Path("one.opus");
    const CliResult cut = RunCli({"cut", source, "--keep", "0.5,1.5", "--one-stream", "--to", output, "--quiet"});
    ASSERT_EQ(cut.Status, 0) << cut.Err;

    std::vector<StreamStretch> asked(1);
    asked[0].From = 24000;
    asked[0].To = 72000;
    const StreamStretch kept = OneStreamCut::Plan(source, asked).at(0);
    EXPECT_EQ(kept.OutputStart, 0);
    const std::vector<std::int16_t> samples = DecodeOpusSamples(source);
    const std::vector<std::int16_t> want(samples.begin() + kept.Start * 2, samples.begin() + kept.End * 2);
    EXPECT_TRUE(DecodeOpusSamples(output) == want);
}

// The data of a 16-bit WAV file as samples.
std::vector<std::int16_t> WavSamples(const std::string& path)
{
    const Bytes bytes = ReadBytes(path);
    std::size_t at = 12; // past "RIFF", its size and "WAVE"
    while (at + 8 <= bytes.size()) {
        const std::uint32_t size = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | std::uint32_t(bytes[at + 7]) << 24;
        if (std::memcmp(&bytes[at], "data", 4) == 0) {
            std::vector<std::int16_t> samples(size / 2);
            std::memcpy(samples.data(), &bytes[at + 8], samples.size() * 2);
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

// A section exported to a WAV file holds exactly its samples, and the Ogg
// section it was decoded from is gone.
TEST_P(Cut, ExportsASectionStraightToWav)
{
    const Codec& codec = GetParam();
    const std::string source = dir_.Path(std::string("source") + codec.extension);
    WriteBytes(source, codec.make());
    const std::string wav = dir_.Path("section.WAV");
    const CliResult result =
        RunCli({"export", source, "--at", "2.5,5.37", "--section", "2", "--to", wav, "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    const std::vector<std::int16_t> samples = codec.decode(source);
    const std::vector<std::int16_t> want(samples.begin() + std::lround(2.5 * codec.rate) * 2,
                                         samples.begin() + std::lround(5.37 * codec.rate) * 2);
    EXPECT_TRUE(WavSamples(wav) == want);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Root()), {}), 2);
}

} // namespace
} // namespace oq::test
