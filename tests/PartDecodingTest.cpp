#include "tools/ParallelParts.h"
#include "base/BufferHandOff.h"
#include "media/PartDecoder.h"
#include "media/StreamPlan.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <numeric>
#include <stdexcept>
#include <thread>

namespace oq::test {
namespace {

struct Shape {
    const char* name;
    AudioSpec spec;
    PageLayout layout;
};

void PrintTo(const Shape& c, std::ostream* out) { *out << c.name; }

// Page shapes and stream forms that move the decoded samples away from what
// the pages' granule positions say, in every channel layout that blocks
// divide differently.
const Shape kShapes[] = {
    {"stereo", {.seconds = 2.0, .signal = Signal::Mixed}, {}},
    {"mono packets spanning pages", {.channels = 1, .rate = 22050, .seconds = 1.7}, {.maxSegments = 5}},
    {"six channels, small pages", {.channels = 6, .rate = 8000, .seconds = 1.1, .signal = Signal::Noise}, {.flushEveryPackets = 3}},
    {"three channels, no granule on some pages", {.channels = 3, .rate = 8000, .seconds = 1.0, .signal = Signal::Noise}, {.maxSegments = 7}},
    {"clipping", {.seconds = 1.5, .signal = Signal::Clipped, .quality = 0.6f}, {}},
    {"skewed granules", {.seconds = 3.0}, {.skewEveryPages = 2, .skewSamples = 300}},
    {"granules skewed early", {.seconds = 3.0}, {.flushEveryPackets = 10, .skewEveryPages = 1, .skewSamples = -300}},
    {"starts late", {.channels = 1, .seconds = 2.0}, {.flushEveryPackets = 6, .granuleOffset = 100000}},
    {"drops its first samples", {.seconds = 2.0}, {.granuleOffset = -300}},
    {"no end-of-stream page", {.seconds = 2.0, .signal = Signal::Noise}, {.endOfStream = false}},
    {"a few packets", {.seconds = 0.2}, {.flushEveryPackets = 2}},
};

Bytes ReferenceBytes(const std::string& path)
{
    const auto samples = DecodeSamples(path);
    Bytes bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size()); // the test host is little-endian
    return bytes;
}

// Every offset of the file, so that every page where a packet begins is a start.
std::vector<std::int64_t> EveryOffset(const Bytes& file)
{
    std::vector<std::int64_t> targets(file.size());
    std::iota(targets.begin(), targets.end(), 1);
    return targets;
}

class PartDecoding : public ::testing::Test {
protected:
    std::string Write(const Bytes& ogg)
    {
        const std::string path = dir_.Path("in" + std::to_string(++files_) + ".ogg");
        WriteBytes(path, ogg);
        return path;
    }
    TempDir dir_;
    int files_ = 0;
};

class PartDecodingShape : public PartDecoding, public ::testing::WithParamInterface<Shape> {};

TEST_P(PartDecodingShape, PartsFromEveryPageJoinIntoTheReferenceDecoderBytes)
{
    const Shape& shape = GetParam();
    const Bytes ogg = MakeOggVorbis(shape.spec, shape.layout);
    const std::string path = Write(ogg);
    const Bytes reference = ReferenceBytes(path);
    const auto plan = StreamPlan::Scan(path, EveryOffset(ogg));
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->DecodedBytes(), static_cast<std::int64_t>(reference.size()));
    EXPECT_GT(plan->Starts().size(), 1u);
    // Parts cut at each start's first sample, and parts cut inside a frame.
    for (const std::int64_t shift : {std::int64_t{0}, plan->FrameBytes() / 2 + 1}) {
        Bytes joined;
        const auto& starts = plan->Starts();
        const auto boundAt = [&](std::size_t k) {
            return std::min(starts[k].FirstFrame * plan->FrameBytes() + shift, plan->DecodedBytes());
        };
        for (std::size_t k = 0; k < starts.size(); ++k) {
            const std::int64_t begin = k == 0 ? 0 : boundAt(k);
            const std::int64_t end = k + 1 < starts.size() ? boundAt(k + 1) : -1;
            ASSERT_TRUE(DecodePart(*plan, k, begin, end, [&](const unsigned char* data, std::size_t count, std::int64_t) {
                joined.insert(joined.end(), data, data + count);
                return true;
            }));
            ASSERT_EQ(static_cast<std::int64_t>(joined.size()), end < 0 ? plan->DecodedBytes() : end) << "part " << k;
        }
        EXPECT_TRUE(joined == reference) << "shift " << shift;
    }
}

INSTANTIATE_TEST_SUITE_P(PartDecoding, PartDecodingShape, ::testing::ValuesIn(kShapes),
                         [](const auto& info) { return TestName(info.param.name); });

TEST_F(PartDecoding, OnlyPlainFilesArePlanned)
{
    const Bytes plain = MakeOggVorbis({.seconds = 1.0}, {.flushEveryPackets = 4});
    Bytes chained = plain;
    const Bytes second = MakeOggVorbis({.channels = 1, .seconds = 1.0}, {.serial = 99, .flushEveryPackets = 4});
    chained.insert(chained.end(), second.begin(), second.end());
    Bytes damaged = plain;
    damaged[damaged.size() / 2] ^= 0x5A; // a bad checksum: the decoder library skips the page
    Bytes trailing = plain;
    trailing.insert(trailing.end(), 100, 'x');
    Bytes truncated(plain.begin(), plain.end() - 100);
    const std::pair<const char*, const Bytes*> cases[] = {
        {"plain", &plain}, {"chained", &chained}, {"damaged", &damaged}, {"bytes after the last page", &trailing},
        {"cut off in its last page", &truncated},
    };
    for (const auto& [name, bytes] : cases) {
        const auto plan = StreamPlan::Scan(Write(*bytes), {});
        EXPECT_EQ(plan.has_value(), bytes == &plain) << name;
    }
    WriteBytes(dir_.Path("text.ogg"), Bytes(5000, 'q'));
    EXPECT_FALSE(StreamPlan::Scan(dir_.Path("text.ogg"), {}));
    EXPECT_THROW(StreamPlan::Scan(dir_.Path("missing.ogg"), {}), IoError);
}

TEST_F(PartDecoding, RunPartsRaisesTheFirstFailureAfterStoppingTheRest)
{
    std::atomic<int> ran{0};
    const auto work = [&](std::size_t part, const std::atomic<bool>& stop) {
        ++ran;
        if (part == 3)
            throw std::runtime_error("part 3 failed");
        while (part == 0 && !stop) // a long part that only a stop ends
            std::this_thread::yield();
    };
    EXPECT_THROW(RunParts(50, 2, work, [] { return true; }), std::runtime_error);
    EXPECT_LT(ran, 50) << "parts went on being taken after a failure";

    const auto untilStopped = [](std::size_t, const std::atomic<bool>& stop) {
        while (!stop)
            std::this_thread::yield();
    };
    int watched = 0;
    EXPECT_FALSE(RunParts(4, 2, untilStopped, [&] { return ++watched < 3; })) << "a watch that returns false stops the parts";
    EXPECT_TRUE(RunParts(8, 3, [](std::size_t, const std::atomic<bool>&) {}, [] { return true; }));
}

// Chunks of every size up to a buffer's, through two buffers, reach the
// worker whole and in order; a worker's failure stops the caller at its
// next buffer instead of leaving it waiting for room.
TEST(BufferHandOff, GivesTheChunksInOrderAndRaisesTheWorkersFailure)
{
    constexpr std::size_t kBufferBytes = 8;
    std::string received;
    std::string sent;
    {
        BufferHandOff handOff(kBufferBytes, 2, [&](std::span<const char> chunk) { received.append(chunk.begin(), chunk.end()); });
        for (std::size_t n = 0; n < 200; ++n) {
            const std::span<char> buffer = handOff.Free();
            ASSERT_EQ(buffer.size(), kBufferBytes);
            const std::size_t bytes = n % kBufferBytes + 1;
            std::fill_n(buffer.begin(), bytes, static_cast<char>(n));
            sent.append(bytes, static_cast<char>(n));
            handOff.Pass(bytes);
        }
        handOff.Finish();
    }
    EXPECT_EQ(received, sent);

    int consumed = 0;
    BufferHandOff failing(kBufferBytes, 2, [&](std::span<const char>) {
        if (++consumed == 3)
            throw std::runtime_error("the third chunk failed");
    });
    const auto passForever = [&] {
        for (;;) {
            failing.Free();
            failing.Pass(1);
        }
    };
    EXPECT_THROW(passForever(), std::runtime_error);
    EXPECT_THROW(failing.Finish(), std::runtime_error);
    EXPECT_EQ(consumed, 3) << "the worker went on after its failure";
}

} // namespace
} // namespace oq::test
