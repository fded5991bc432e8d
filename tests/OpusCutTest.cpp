#include "tests/support/SectionCuts.h"
#include "tests/support/TestOpus.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <numeric>

namespace oq::test {
namespace {

constexpr double kLeastSnr = 30; // dB, over a whole section that is not bit-identical

struct CutShape {
    const char* name;
    OpusSpec spec;
    std::int64_t startGranule = 0; // > 0: the source starts after 0
    // Whether every section decodes bit for bit as the source does. A
    // decoder need not converge within the pre-roll: the side channel of
    // low-rate stereo can stay unused for longer than any pre-roll.
    bool bitExact = true;
};

void PrintTo(const CutShape& c, std::ostream* out) { *out << c.name; }

class OpusCutTest : public ::testing::TestWithParam<CutShape> {};

// Each section decodes to exactly its samples, and the sections one after
// another give the source's samples: bit for bit once the pre-roll has
// brought the decoder to the source's state. The cuts include sections inside one
// packet, one near the start (less pre-roll than 80 ms is to be had there)
// and one short of the trimmed end.
TEST_P(OpusCutTest, SectionsDecodeToExactlyTheSourceSamples)
{
    const CutShape& shape = GetParam();
    TempDir dir;
    const std::string source = dir.Path("source.opus");
    Bytes file = MakeOggOpus(shape.spec);
    if (shape.startGranule > 0)
        file = WithStartGranule(std::move(file), shape.startGranule);
    WriteBytes(source, file);
    const std::vector<std::int16_t> samples = DecodeOpusSamples(source);
    const std::size_t channels = static_cast<std::size_t>(shape.spec.channels);
    const auto total = static_cast<std::int64_t>(samples.size() / channels);
    ASSERT_EQ(total, OpusInputFrames(shape.spec));

    const std::vector<std::int64_t> cuts{37, 500, 20000, 20017, 20100, total / 2, total / 2 + 7000, total - 300};
    const std::vector<std::string> sections =
        CutSections(source, {.Cuts = cuts,
                             .OutputName = [&](std::size_t k) { return dir.Path("s" + std::to_string(k) + ".opus"); },
                             .Skipped = {}});

    int identical = 0;
    double worst = INFINITY;
    std::int64_t start = 0;
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const std::int64_t end = k < cuts.size() ? cuts[k] : total;
        const std::vector<std::int16_t> got = DecodeOpusSamples(sections[k]);
        ASSERT_EQ(static_cast<std::int64_t>(got.size()), (end - start) * static_cast<std::int64_t>(channels)) << "section " << k + 1;
        const std::int16_t* want = samples.data() + start * static_cast<std::int64_t>(channels);
        if (std::equal(got.begin(), got.end(), want))
            ++identical;
        else
            worst = std::min(worst, Snr(want, got.data(), got.size()));
        start = end;
    }
    std::printf("[ figures  ] %s: %d of %zu sections bit-identical; worst SNR of the others %.1f dB\n", shape.name,
                identical, sections.size(), worst);
    if (shape.bitExact) {
        EXPECT_EQ(identical, static_cast<int>(sections.size()));
    }
    // A decoder that has not converged still lands close; a misplaced
    // packet would land near 0 dB.
    EXPECT_GE(worst, kLeastSnr);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, OpusCutTest,
    ::testing::Values(
        CutShape{"MonoSpeech8k60ms", {.channels = 1, .seconds = 2.9871, .bitrate = 8000, .frameMs = 60, .signal = OpusSignal::Speech}},
        CutShape{"MonoMusic64k2ms5", {.channels = 1, .seconds = 2.5, .bitrate = 64000, .frameMs = 2.5}},
        CutShape{"StereoMusic64k20ms", {.channels = 2, .seconds = 3.0, .bitrate = 64000, .frameMs = 20}},
        CutShape{"StereoSpeech256k10ms", {.channels = 2, .seconds = 2.4, .bitrate = 256000, .frameMs = 10, .signal = OpusSignal::Speech}},
        CutShape{.name = "StereoMusic8k40ms", .spec = {.channels = 2, .seconds = 3.3, .bitrate = 8000, .frameMs = 40}, .bitExact = false},
        CutShape{"SurroundMusic256k20ms", {.channels = 6, .seconds = 2.2, .bitrate = 256000, .frameMs = 20}},
        CutShape{"SurroundSpeech64k5ms", {.channels = 6, .seconds = 2.0, .bitrate = 64000, .frameMs = 5, .signal = OpusSignal::Speech}},
        CutShape{"StereoLateStart", {.channels = 2, .seconds = 2.5, .bitrate = 96000, .frameMs = 20}, 48000 * 7}),
    [](const auto& info) { return std::string(info.param.name); });

// A chain of a stereo and a mono link, cut inside each, across the boundary
// and at it: every section holds exactly its samples, and one that starts at
// the boundary decodes bit for bit as the link does.
TEST(OpusChain, SectionsHoldExactlyTheirSamplesAcrossLinks)
{
    TempDir dir;
    const OpusSpec first{.channels = 2, .seconds = 1.5, .serial = 1};
    const OpusSpec second{.channels = 1, .seconds = 1.0, .frameMs = 10, .serial = 2};
    const std::string source = dir.Path("chain.opus");
    const std::string secondLink = dir.Path("second.opus");
    Bytes chain = MakeOggOpus(first);
    const Bytes tail = MakeOggOpus(second);
    chain.insert(chain.end(), tail.begin(), tail.end());
    WriteBytes(source, chain);
    WriteBytes(secondLink, tail);
    const std::int64_t boundary = OpusInputFrames(first);
    const std::int64_t total = boundary + OpusInputFrames(second);
    const auto decodedIndex = [&](std::int64_t position) {
        return std::min(position, boundary) * 2 + std::max<std::int64_t>(position - boundary, 0);
    };
    const std::vector<std::int16_t> samples = DecodeOpusSamples(source);
    ASSERT_EQ(static_cast<std::int64_t>(samples.size()), decodedIndex(total));

    for (const std::vector<std::int64_t>& cuts : {std::vector<std::int64_t>{20000, boundary + 9000},
                                                  std::vector<std::int64_t>{20000, boundary, boundary + 9000}}) {
        const std::vector<std::string> sections =
            CutSections(source, {.Cuts = cuts,
                                 .OutputName = [&](std::size_t k) { return dir.Path("s" + std::to_string(k) + ".opus"); },
                                 .Skipped = {}});
        std::int64_t start = 0;
        for (std::size_t k = 0; k < sections.size(); ++k) {
            const std::int64_t end = k < cuts.size() ? cuts[k] : total;
            const std::vector<std::int16_t> got = DecodeOpusSamples(sections[k]);
            EXPECT_EQ(static_cast<std::int64_t>(got.size()), decodedIndex(end) - decodedIndex(start)) << "section " << k + 1;
            if (start == boundary) {
                const std::vector<std::int16_t> link = DecodeOpusSamples(secondLink);
                EXPECT_TRUE(std::equal(got.begin(), got.end(), link.begin())) << "section " << k + 1;
            }
            start = end;
        }
    }
}

} // namespace
} // namespace oq::test
