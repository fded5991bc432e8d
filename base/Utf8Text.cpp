#include "base/Utf8Text.h"

namespace oq {

namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;

bool IsContinuation(unsigned char byte) noexcept { return (byte & 0xC0) == 0x80; }

} // namespace

bool IsUtf8(std::string_view text) noexcept
{
    // The smallest code point each length may carry: below it the form is
    // overlong.
    constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    std::size_t k = 0;
    while (k < text.size()) {
        const auto lead = static_cast<unsigned char>(text[k]);
        std::size_t extra = 0;
        char32_t code = lead;
        if (lead < 0x80) {
            ++k;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            code = lead & 0x07;
        } else {
            return false; // a continuation byte, or 0xF8.. that no code point needs
        }
        if (text.size() - k <= extra)
            return false;
        for (std::size_t i = 1; i <= extra; ++i) {
            const auto byte = static_cast<unsigned char>(text[k + i]);
            if (!IsContinuation(byte))
                return false;
            code = (code << 6) | (byte & 0x3F);
        }
        if (code < kSmallest[extra] || code > kLastCodePoint || (code >= kFirstSurrogate && code <= kLastSurrogate))
            return false;
        k += extra + 1;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string Windows1252ToUtf8(std::string_view bytes)
{
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte);
    }
    return out;
}

std::string AsUtf8(std::string_view text)
{
    return IsUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
}

std::size_t Utf8PrefixLength(std::string_view text, std::size_t bytes) noexcept
{
    if (bytes >= text.size())
        return text.size();
    // Back off the continuation bytes of the character the cut would split.
    std::size_t end = bytes;
    while (end > 0 && IsContinuation(static_cast<unsigned char>(text[end])))
        --end;
    return end;
}

} // namespace oq
