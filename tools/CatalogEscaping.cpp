#include "tools/CatalogEscaping.h"

#include <cstdint>

namespace oq {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

// Length of the valid UTF-8 sequence at text[i], 0 when it is not one.
std::size_t SequenceLength(const std::string& text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    // Lead byte pattern, payload bits of the lead, smallest code point that
    // needs this length (anything below is an overlong form).
    struct Form {
        unsigned char mask, pattern, payload;
        std::size_t length;
        std::uint32_t smallest;
    };
    static constexpr Form kForms[] = {{0xE0, 0xC0, 0x1F, 2, 0x80}, {0xF0, 0xE0, 0x0F, 3, 0x800}, {0xF8, 0xF0, 0x07, 4, 0x10000}};
    const Form* form = nullptr;
    for (const Form& candidate : kForms)
        if ((lead & candidate.mask) == candidate.pattern)
            form = &candidate;
    if (!form)
        return 0;
    const std::size_t length = form->length;
    std::uint32_t code = lead & form->payload;
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < form->smallest || surrogate || code > 0x10FFFF)
        return 0;
    return length;
}

bool IsControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7F;
}

} // namespace

std::string ValidUtf8(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            result += kReplacement;
            ++i;
        } else {
            result.append(text, i, length);
            i += length;
        }
    }
    return result;
}

std::string EscapeHtml(const std::string& text)
{
    std::string result;
    for (const char c : ValidUtf8(text)) {
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '"': result += "&quot;"; break;
        case '\'': result += "&#39;"; break;
        default:
            if (IsControl(c))
                result += kReplacement;
            else
                result += c;
        }
    }
    return result;
}

std::string CsvField(const std::string& text)
{
    const std::string valid = ValidUtf8(text);
    const bool padded = !valid.empty() && (valid.front() == ' ' || valid.back() == ' ');
    if (!padded && valid.find_first_of(",;\"\r\n\t") == std::string::npos)
        return valid;
    std::string result = "\"";
    for (const char c : valid) {
        if (c == '"')
            result += '"';
        result += c;
    }
    return result + "\"";
}

std::string EscapeTagValue(const std::string& value, TagEscaping escaping)
{
    switch (escaping) {
    case TagEscaping::Html: return EscapeHtml(value);
    case TagEscaping::Csv: return CsvField(value);
    case TagEscaping::None: break;
    }
    return value;
}

} // namespace oq
