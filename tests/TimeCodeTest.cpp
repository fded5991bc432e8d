#include "model/PositionConverter.h"
#include "base/TimeCode.h"
#include "base/Error.h"
#include "tests/support/TestName.h"

#include <clocale>
#include <gtest/gtest.h>
#include <string>

namespace oq::test {
namespace {

// "HHMMSSXX" as the masked edit shows it: "HH:MM:SS:XX".
std::string Displayed(const std::string& timeCode)
{
    return timeCode.substr(0, 2) + ":" + timeCode.substr(2, 2) + ":" + timeCode.substr(4, 2) + ":" + timeCode.substr(6, 2);
}

struct FormattedCode {
    std::int32_t hundredths;
    const char* code;
};

void PrintTo(const FormattedCode& c, std::ostream* out) { *out << c.hundredths << " hundredths"; }

class TimeCodeFormat : public ::testing::TestWithParam<FormattedCode> {};

TEST_P(TimeCodeFormat, FormatsHundredthsAsEightDigits)
{
    EXPECT_EQ(FormatTimeCode(GetParam().hundredths), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(TimeCode, TimeCodeFormat,
                         ::testing::Values(FormattedCode{0, "00000000"}, FormattedCode{5, "00000005"},
                                           FormattedCode{5999, "00005999"}, FormattedCode{6000, "00010000"},
                                           FormattedCode{9900, "00013900"}, FormattedCode{366100, "01010100"},
                                           FormattedCode{359999, "00595999"}, FormattedCode{360000, "01000000"},
                                           FormattedCode{3599999, "09595999"}, FormattedCode{35999999, "99595999"}),
                         [](const auto& info) { return std::string(info.param.code); });

struct DisplayedCode {
    const char* label;
    const char* displayed;
    std::int32_t hundredths;
};

void PrintTo(const DisplayedCode& c, std::ostream* out) { *out << '"' << c.displayed << '"'; }

const DisplayedCode kDisplayedCodes[] = {
    {"zero", "00:00:00:00", 0},
    {"plain", "00:01:30:50", 9050},
    {"75 s: 1 min 15 s", "00:00:75:00", 7500},
    {"1 h 40 min 39 s", "00:99:99:00", 360000 + 40 * 6000 + 39 * 100},
    {"the seconds carry makes the minutes carry", "00:59:60:00", 360000},
    {"largest", "99:99:99:99", 100 * 360000 + 40 * 6000 + 39 * 100 + 99},
    {"unfilled places of the mask", "  :  :  :  ", 0},
    {"a blank in a field", "01: 2:03:04", 360000 + 2 * 6000 + 3 * 100 + 4},
};

class TimeCodeParse : public ::testing::TestWithParam<DisplayedCode> {};

TEST_P(TimeCodeParse, ParsesTheDisplayedFormWithOneCarryPerField)
{
    EXPECT_EQ(ParseTimeCode(GetParam().displayed), GetParam().hundredths);
}

INSTANTIATE_TEST_SUITE_P(TimeCode, TimeCodeParse, ::testing::ValuesIn(kDisplayedCodes),
                         [](const auto& info) { return TestName(info.param.label); });

class TimeCodeRoundTrip : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(TimeCodeRoundTrip, ParseUndoesFormat)
{
    EXPECT_EQ(ParseTimeCode(Displayed(FormatTimeCode(GetParam()))), GetParam());
}

INSTANTIATE_TEST_SUITE_P(TimeCode, TimeCodeRoundTrip,
                         ::testing::Values(0, 1, 99, 100, 5999, 6000, 359999, 360001, 4523417, 35999999));

TEST(TimeCode, RejectsFieldsThatAreNoNumbers)
{
    for (const char* text : {"ab:00:00:00", "00:0x:00:00", "00:00:00:-1", "00:00:+1:00", "00:00:00", "", "0"})
        EXPECT_THROW(ParseTimeCode(text), RangeError) << '"' << text << '"';
    EXPECT_THROW(ShortTime("0102"), RangeError);
}

TEST(TimeCode, ShortTimeDropsTheHundredths)
{
    EXPECT_EQ(ShortTime("01020399"), "01:02:03");
    EXPECT_EQ(ShortTime(FormatTimeCode(366100)), "01:01:01");
}

// Runs with the numeric locale set to `name` and restores the previous one.
class NumericLocale {
public:
    explicit NumericLocale(const char* name) : previous_(std::setlocale(LC_NUMERIC, nullptr))
    {
        active_ = std::setlocale(LC_NUMERIC, name) != nullptr;
    }
    ~NumericLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
    NumericLocale(const NumericLocale&) = delete;
    NumericLocale& operator=(const NumericLocale&) = delete;
    bool Active() const noexcept { return active_; }

private:
    std::string previous_;
    bool active_ = false;
};

TEST(TimeCode, KbTextGroupsThousandsTheLocaleWay)
{
    // C.UTF-8 does not group digits, so only a language locale will do.
    for (const char* name : {"en_US.UTF-8", "en_GB.UTF-8", "en_US.utf8"}) {
        NumericLocale locale(name);
        if (!locale.Active())
            continue;
        EXPECT_EQ(KbText(1234567), "1,234,567Kb");
        EXPECT_EQ(KbText(999), "999Kb");
        EXPECT_EQ(KbText(1000), "1,000Kb");
        EXPECT_EQ(KbText(0), "0Kb");
        EXPECT_EQ(GroupedNumber(3000000000LL), "3,000,000,000");
        EXPECT_EQ(GroupedNumber(-1234), "-1,234");
        return;
    }
    GTEST_SKIP() << "no English locale is installed (locale -a); "
                    "generate one with: localedef -i en_US -f UTF-8 en_US.UTF-8";
}

TEST(TimeCode, KbTextIsPlainWithoutGrouping)
{
    NumericLocale locale("C");
    ASSERT_TRUE(locale.Active());
    EXPECT_EQ(KbText(1234567), "1234567Kb");
    EXPECT_EQ(GroupedNumber(-1234), "-1234");
}

// T = 100.9 s over B = 1000 blocks, S = 100.9 s of 44.1 kHz.
PositionConverter Converter() { return PositionConverter(1000, 100.9, 4449690, 1000000); }

TEST(PositionConverter, ShownTimesTruncateToWholeSeconds)
{
    const PositionConverter convert = Converter();
    // 500 / 1000 * 100.9 = 50.45 s
    EXPECT_EQ(FormatTimeCode(convert.PositionToSeconds(500) * 100), "00005000");
    EXPECT_EQ(convert.PositionToSeconds(1000), 100);
    EXPECT_EQ(convert.PositionToSeconds(0), 0);
}

TEST(PositionConverter, TypedTimesDropTheirHundredths)
{
    const PositionConverter convert = Converter();
    // 50 / 100.9 * 1000 = 495.5: the 99 hundredths typed never count.
    EXPECT_EQ(convert.SecondsToPosition(ParseTimeCode("00:00:50:99") / 100), 495);
    EXPECT_EQ(convert.SecondsToPosition(ParseTimeCode("00:01:40:00") / 100), 991);
}

TEST(PositionConverter, SamplesReachTheEndExactly)
{
    const PositionConverter convert = Converter();
    EXPECT_EQ(convert.PositionToSamples(1000), 4449690);
    EXPECT_EQ(convert.PositionToSamples(1001), 4449690);
    EXPECT_EQ(convert.PositionToSamples(999), 4445240); // 999 / 1000 * 4449690 = 4445240.31
    EXPECT_EQ(convert.PositionToSamples(0), 0);
}

// Positions convert as p / B * S and p / B * T, dividing first as every
// conversion of the program does: the quotient's rounding can leave the
// product just below a whole number that p * S / B reaches.
TEST(PositionConverter, DividesBeforeMultiplying)
{
    // 7 / 9 * 77175 = 60025 exactly, computed as 60024.99...
    EXPECT_EQ(PositionConverter(9, 7.0, 77175, 100000).PositionToSamples(7), 60024);
    // 20 / 28 * 21 = 15 exactly, computed as 14.99...
    EXPECT_EQ(PositionConverter(28, 21.0, 21 * 11025, 100000).PositionToSeconds(20), 14);
}

TEST(PositionConverter, PixelsAndKilobytes)
{
    const PositionConverter convert = Converter();
    EXPECT_EQ(convert.PositionToPixel(999, 500), 499);
    EXPECT_EQ(convert.PixelToPosition(499, 500), 998);
    EXPECT_EQ(convert.SpanToKb(333), 333);   // 1000 bytes per block
    EXPECT_EQ(convert.KbToSpan(250), 250);
    // Past 2 GB the kilobyte product needs 64 bits: 3 GB over 1000 blocks.
    const PositionConverter large(1000, 100.9, 4449690, 3000000000LL);
    EXPECT_EQ(large.SpanToKb(1000), 3000000);
    EXPECT_EQ(large.KbToSpan(3000000), 1000);
}

TEST(PositionConverter, ZeroDivisorsRaiseRangeError)
{
    const PositionConverter noBlocks(0, 100.9, 4449690, 1000000);
    EXPECT_THROW(noBlocks.PositionToSeconds(0), RangeError);
    EXPECT_THROW(noBlocks.PositionToPixel(0, 500), RangeError);
    EXPECT_THROW(noBlocks.SpanToKb(1), RangeError);
    EXPECT_THROW(noBlocks.KbToSpan(1), RangeError);
    const PositionConverter noTime(1000, 0, 0, 1000000);
    EXPECT_THROW(noTime.SecondsToPosition(1), RangeError);
    const PositionConverter noBytes(1000, 100.9, 4449690, 0);
    EXPECT_THROW(noBytes.KbToSpan(1), RangeError);
    EXPECT_THROW(Converter().PixelToPosition(1, 0), RangeError);
}

} // namespace
} // namespace oq::test
