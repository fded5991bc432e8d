#include "base/FieldText.h"

#include "base/TimeCode.h"
#include "base/Error.h"

#include <array>
#include <charconv>
#include <cmath>
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

FieldKey FilterDecimalKey(char32_t key) noexcept
{
    return key == U'-' || key == U'.' ? FieldKey::Accept : FilterFieldKey(key);
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

double ReadFieldDecimal(const std::string& text)
{
    // from_chars alone would take exponents, "inf" and "nan".
    const std::size_t sign = text.starts_with('-') ? 1 : 0;
    const bool plain = text.find_first_not_of("0123456789.", sign) == std::string::npos &&
                       text.find('.') == text.rfind('.') && text.find_first_of("0123456789") != std::string::npos;
    double value = 0;
    if (plain) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end == text.data() + text.size() && std::isfinite(value))
            return value;
    }
    throw RangeError("\"" + text + "\" is not a decimal number");
}

std::string DecimalFieldText(double value)
{
    // The shortest text of a double is at most 24 characters.
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc())
        throw RangeError("a value cannot be written as a decimal number");
    return {text.data(), end};
}

} // namespace oq
