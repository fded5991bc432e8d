#include "base/TimeText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace oq::test {
namespace {

// Ten minutes at 44.1 kHz.
constexpr std::int64_t kTotal = 600 * 44100;

struct TimePoint {
    std::string text;
    std::optional<std::int64_t> sample; // none: refused
};

void PrintTo(const TimePoint& c, std::ostream* out) { *out << '"' << c.text << '"'; }

const TimePoint kTimePoints[] = {
    {"90", 90 * 44100},
    {"1.5", 66150},
    {"0.0000113", 0},  // just under half a sample (0.498) rounds down ...
    {"0.0000114", 1},  // ... and just over it up
    {"01:30", 90 * 44100},
    {"0:02:03.25", (123 * 100 + 25) * 441},
    {"123456:00", std::nullopt}, // minutes past the end of these ten
    {"9:59.999999999", kTotal},  // rounds onto the last sample's end
    {"end", kTotal},
    {"-10", kTotal - 10 * 44100},
    {"-0:10.5", kTotal - 463050},
    {"-10:00", 0},
    {"-10:00.001", std::nullopt}, // before the start
    {"10:00.0001", std::nullopt}, // past the end by more than half a sample
    {"1:75", std::nullopt},
    {"1:2:3:4", std::nullopt},
    {"1.2.3", std::nullopt},
    {"1.1234567891", std::nullopt}, // ten decimals
    {"", std::nullopt},
    {"-", std::nullopt},
    {"--10", std::nullopt},
    {"+10", std::nullopt},
    {" 10", std::nullopt},
    {"1e3", std::nullopt},
    {"END", std::nullopt},
    // Overflow anywhere is refused, never wrapped onto a point of the audio.
    {"4109733798734610992", std::nullopt},
    {"99999999999999999999", std::nullopt},
    {"2562047788015215:00:00", std::nullopt},
    {"-4109733798734610992", std::nullopt},
};

class TimeTextPoint : public ::testing::TestWithParam<TimePoint> {};

TEST_P(TimeTextPoint, TimesBecomeExactSamplesOrAreRefusedNamingTheText)
{
    const TimePoint& c = GetParam();
    if (c.sample) {
        EXPECT_EQ(ParseTimePoint(c.text, 44100, kTotal), *c.sample);
        return;
    }
    try {
        const std::int64_t sample = ParseTimePoint(c.text, 44100, kTotal);
        ADD_FAILURE() << "accepted as sample " << sample;
    } catch (const TimeTextError& error) {
        EXPECT_EQ(error.Text(), c.text);
        EXPECT_NE(std::string(error.what()).find("\"" + c.text + "\""), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(TimeText, TimeTextPoint, ::testing::ValuesIn(kTimePoints));

} // namespace
} // namespace oq::test
