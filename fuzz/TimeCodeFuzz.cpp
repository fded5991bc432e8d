// Reads whatever text arrives as a typed time code "HH:MM:SS:XX". A text
// that reads must give a time the fields can hold, which formats back to
// the same number of hundredths; every other text must be refused with
// RangeError.

#include "base/TimeCode.h"
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
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
