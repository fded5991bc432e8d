#include "base/TimeText.h"

#include <charconv>
#include <cstdio>
#include <string_view>

namespace oq {

namespace {

constexpr std::int64_t kSixty = 60;    // seconds a minute, minutes an hour
constexpr int kMostFields = 3;         // hours, minutes, seconds
constexpr std::size_t kMostDecimals = 9; // nanoseconds: 10^9 * rate * 2 stays within 64 bits
constexpr std::string_view kEnd = "end";
// Past the 64-bit range, whether in seconds or in samples.
const char* const kTooLarge = "lies past the end of any audio: too large a time";

std::int64_t Whole(std::string_view digits, const std::string& text)
{
    std::int64_t value = 0;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        throw TimeTextError(text, "is not a time: give seconds (90, 1.5), MM:SS or HH:MM:SS[.fff]");
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        throw TimeTextError(text, kTooLarge);
    return value;
}

// a * b + c, refusing a result past the 64-bit range.
std::int64_t MultiplyAdd(std::int64_t a, std::int64_t b, std::int64_t c, const std::string& text)
{
    std::int64_t product = 0;
    std::int64_t sum = 0;
    if (__builtin_mul_overflow(a, b, &product) || __builtin_add_overflow(product, c, &sum))
        throw TimeTextError(text, kTooLarge);
    return sum;
}

// The samples of a time without sign, rounded half up.
std::int64_t Samples(std::string_view time, std::int32_t rate, const std::string& text)
{
    std::int64_t seconds = 0;
    std::int64_t fraction = 0;
    std::int64_t scale = 1;
    for (int field = 1;; ++field) {
        const std::size_t colon = time.find(':');
        std::string_view digits = time.substr(0, colon);
        if (colon == std::string_view::npos) {
            if (const std::size_t dot = digits.find('.'); dot != std::string_view::npos) {
                const std::string_view decimals = digits.substr(dot + 1);
                if (decimals.size() > kMostDecimals)
                    throw TimeTextError(text, "is not a time: at most " + std::to_string(kMostDecimals) +
                                                  " decimals");
                fraction = Whole(decimals, text);
                for (std::size_t k = 0; k < decimals.size(); ++k)
                    scale *= 10;
                digits = digits.substr(0, dot);
            }
        }
        const std::int64_t value = Whole(digits, text);
        if (field > 1 && value >= kSixty)
            throw TimeTextError(text, "is not a time: minutes and seconds run to 59");
        seconds = MultiplyAdd(seconds, kSixty, value, text);
        if (colon == std::string_view::npos)
            break;
        if (field == kMostFields)
            throw TimeTextError(text, "is not a time: at most hours, minutes and seconds");
        time.remove_prefix(colon + 1);
    }
    // fraction / scale of a second at `rate`, to the nearest sample: below
    // 10^9 * 2^31 * 2, within 64 bits.
    return MultiplyAdd(seconds, rate, (fraction * rate * 2 + scale) / (scale * 2), text);
}

} // namespace

TimeTextError::TimeTextError(const std::string& text, const std::string& problem)
    : RangeError("\"" + text + "\" " + problem), text_(text)
{
}

std::int64_t ParseTimePoint(const std::string& text, std::int32_t rate, std::int64_t totalSamples)
{
    if (rate < 1 || totalSamples < 0)
        throw RangeError("a time cannot be placed in audio without samples");
    if (text == kEnd)
        return totalSamples;
    const bool fromEnd = text.starts_with('-');
    const std::int64_t samples = Samples(std::string_view(text).substr(fromEnd ? 1 : 0), rate, text);
    const double seconds = static_cast<double>(totalSamples) / rate;
    char length[32];
    std::snprintf(length, sizeof length, "%.3f", seconds);
    if (samples > totalSamples)
        throw TimeTextError(text, fromEnd ? "lies before the start of the audio, which lasts " + std::string(length) +
                                                " seconds"
                                          : "lies past the end of the audio, " + std::string(length) + " seconds");
    return fromEnd ? totalSamples - samples : samples;
}

} // namespace oq
