#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace oq {

// UTF-8 as RFC 3629 allows it: no overlong forms, no surrogates (U+D800 to
// U+DFFF), nothing past U+10FFFF, no sequence cut short.
bool IsUtf8(std::string_view text) noexcept;

// Appends the code point's UTF-8 form; `code` is at most U+10FFFF.
void AppendUtf8(std::string& out, char32_t code);

// Windows-1252 bytes as UTF-8. It differs from Latin-1 in 0x80..0x9F only;
// its five unassigned bytes there keep their C1 code points.
std::string Windows1252ToUtf8(std::string_view bytes);

// Text from outside (a cue sheet's field, a command-line argument) as UTF-8:
// kept as it is when it is valid UTF-8, else read as Windows-1252, the
// encoding older tools wrote. Every byte string reads one way or the other,
// so nothing is refused and the result is always valid.
std::string AsUtf8(std::string_view text);

// The longest prefix of the valid UTF-8 `text` of at most `bytes` bytes that
// ends on a character boundary: its length.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t bytes) noexcept;

} // namespace oq
