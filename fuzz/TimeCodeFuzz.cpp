// Reads whatever text arrives as a typed time code "HH:MM:SS:XX". A text
// that reads must give a time the fields can hold, which formats back to
// the same number of hundredths; every other text must be refused with
// RangeError. The same text as a point of the audio (ParseTimePoint) lies
// within it or is refused with TimeTextError, and with a "-" before it
// counts the same time back from the end.

#include "base/TimeCode.h"
#include "base/TimeText.h"
#include "base/Error.h"

#include <cstdlib>
#include <string>

namespace {

// 99 hours, 99 + 1 minutes (the carry of a seconds field above 59), 99
// seconds and 99 hundredths at most.
constexpr std::int32_t kLargestTime = 99 * 360000 + 100 * 6000 + 99 * 100 + 99;

// The displayed form of a count of hundredths, as the masked edit shows it.
std::string Displayed(std::int32_t hundredths)
{
    const std::string digits = oq::FormatTimeCode(hundredths);
    return digits.substr(0, 2) + ":" + digits.substr(2, 2) + ":" + digits.substr(4, 2) + ":" + digits.substr(6, 2);
}

void CheckTimePoint(const std::string& text, std::int32_t rate, std::int64_t total)
{
    std::int64_t sample = 0;
    try {
        sample = oq::ParseTimePoint(text, rate, total);
    } catch (const oq::TimeTextError&) {
        return;
    }
    if (sample < 0 || sample > total)
        std::abort();
    if (text != "end" && !text.starts_with('-') && oq::ParseTimePoint("-" + text, rate, total) != total - sample)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckTimePoint(text, 44100, 600 * 44100LL);
    CheckTimePoint(text, 8000, 1);
    CheckTimePoint(text, 2'147'483'647, 4'000'000'000'000'000'000LL);
    try {
        const std::int32_t hundredths = oq::ParseTimeCode(text);
        if (hundredths < 0 || hundredths > kLargestTime)
            std::abort();
        // Below 100 hours the formatted form has eight digits and reads back.
        if (hundredths < 100 * 360000 && oq::ParseTimeCode(Displayed(hundredths)) != hundredths)
            std::abort();
        oq::ShortTime(oq::FormatTimeCode(hundredths));
    } catch (const oq::RangeError&) {
    }
    return 0;
}
