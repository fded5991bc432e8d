#include "base/TimeCode.h"

#include "base/Error.h"

#include <climits>
#include <clocale>
#include <cstdlib>

namespace oq {

namespace {

constexpr std::int32_t kHundredthsPerHour = 360000;
constexpr std::int32_t kHundredthsPerMinute = 6000;
constexpr std::int32_t kHundredthsPerSecond = 100;

std::string TwoDigits(int value)
{
    return value < 10 ? "0" + std::to_string(value) : std::to_string(value);
}

// One two-digit field of the displayed form, starting at `offset`.
int ReadField(const std::string& text, std::size_t offset)
{
    if (offset + 2 > text.size())
        throw RangeError("\"" + text + "\" is not a time code HH:MM:SS:XX");
    int value = 0;
    for (std::size_t i = offset; i < offset + 2; ++i) {
        // An unfilled place of the mask is shown, and read, as 0.
        const char c = text[i] == ' ' ? '0' : text[i];
        if (c < '0' || c > '9')
            throw RangeError("\"" + text + "\" is not a time code HH:MM:SS:XX");
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::string FormatTimeCode(std::int32_t hundredths)
{
    // Fields are whole-number divisions of the same count, so a seconds field
    // of 60 cannot arise from non-negative input; the carry stays for safety.
    int hours = hundredths / kHundredthsPerHour;
    int minutes = hundredths / kHundredthsPerMinute - hours * 60;
    int seconds = (hundredths / kHundredthsPerSecond) % 60;
    const int rest = hundredths - (hundredths / kHundredthsPerSecond) * kHundredthsPerSecond;
    if (seconds == 60) {
        seconds = 0;
        if (++minutes == 60) {
            minutes = 0;
            ++hours;
        }
    }
    return TwoDigits(hours) + TwoDigits(minutes) + TwoDigits(seconds) + TwoDigits(rest);
}

std::int32_t ParseTimeCode(const std::string& displayed)
{
    int hours = ReadField(displayed, 0);
    int minutes = ReadField(displayed, 3);
    int seconds = ReadField(displayed, 6);
    const int hundredths = ReadField(displayed, 9);
    if (seconds > 59) {
        seconds -= 60;
        ++minutes;
    }
    if (minutes > 59) {
        minutes -= 60;
        ++hours;
    }
    return hours * kHundredthsPerHour + minutes * kHundredthsPerMinute + seconds * kHundredthsPerSecond + hundredths;
}

std::string ShortTime(const std::string& timeCode)
{
    if (timeCode.size() < 6)
        throw RangeError("\"" + timeCode + "\" is not a time code");
    return timeCode.substr(0, 2) + ":" + timeCode.substr(2, 2) + ":" + timeCode.substr(4, 2);
}

std::string GroupedNumber(std::int64_t value)
{
    const std::lconv* conventions = std::localeconv();
    const std::string separator = conventions && conventions->thousands_sep ? conventions->thousands_sep : "";
    // The grouping string gives group sizes from the right; its last size
    // repeats. An empty or CHAR_MAX-led grouping means no grouping at all.
    const std::string grouping = conventions && conventions->grouping ? conventions->grouping : "";
    std::string digits = std::to_string(value < 0 ? -static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value));
    if (!separator.empty() && !grouping.empty() && grouping[0] > 0 && grouping[0] != CHAR_MAX) {
        std::string grouped;
        std::size_t groupIndex = 0;
        int groupSize = grouping[0];
        int inGroup = 0;
        for (std::size_t i = digits.size(); i-- > 0;) {
            if (inGroup == groupSize) {
                grouped.insert(0, separator);
                inGroup = 0;
                if (groupIndex + 1 < grouping.size() && grouping[groupIndex + 1] > 0 && grouping[groupIndex + 1] != CHAR_MAX)
                    groupSize = grouping[++groupIndex];
            }
            grouped.insert(grouped.begin(), digits[i]);
            ++inGroup;
        }
        digits = grouped;
    }
    return value < 0 ? "-" + digits : digits;
}

std::string KbText(std::int64_t kilobytes)
{
    return GroupedNumber(kilobytes) + "Kb";
}

} // namespace oq
