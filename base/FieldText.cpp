#include "base/FieldText.h"

#include "base/TimeCode.h"
#include "base/Error.h"

#include <limits>

namespace oq {

namespace {

constexpr char32_t kBackspace = 8;
constexpr char32_t kEnter = 13;

} // namespace

FieldKey FilterFieldKey(char32_t key) noexcept
{
    if ((key >= U'0' && key <= U'9') || key == kBackspace)
        return FieldKey::Accept;
    return key == kEnter ? FieldKey::Apply : FieldKey::Drop;
}

std::string ShownTimeCode(std::int32_t hundredths)
{
    const std::string digits = FormatTimeCode(hundredths);
    // Eight digits below 100 hours; more hours do not fit the mask at all.
    if (digits.size() != 8)
        throw RangeError("a time of " + std::to_string(hundredths / 100) + " seconds does not fit HH:MM:SS:XX");
    return digits.substr(0, 2) + ":" + digits.substr(2, 2) + ":" + digits.substr(4, 2) + ":" + digits.substr(6, 2);
}

std::int32_t ReadShownTime(const std::string& shown)
{
    return shown.empty() ? 0 : ParseTimeCode(shown);
}

std::int32_t ReadFieldNumber(const std::string& text)
{
    if (text.empty())
        throw RangeError("an empty field is not a number");
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            throw RangeError("\"" + text + "\" is not a number");
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            throw RangeError("\"" + text + "\" is too large a number");
    }
    return static_cast<std::int32_t>(value);
}

} // namespace oq
