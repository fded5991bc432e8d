#pragma once

#include <string>

namespace oq {

// How a catalog template wants the values of its tags written. A template
// chooses with a note line of its own ("<QRV:ESCAPE HTML>"); without one the
// values are written as they are.
enum class TagEscaping {
    None, // the value unchanged
    Html, // text of an HTML element or attribute value
    Csv,  // one CSV field, quoted when it needs to be
};

// Invalid UTF-8 sequences (names written in another encoding) become U+FFFD,
// so that the output stays readable as UTF-8.
std::string ValidUtf8(const std::string& text);

// &, <, >, " and ' as character references; control characters, which HTML
// does not allow, and invalid UTF-8 as U+FFFD.
std::string EscapeHtml(const std::string& text);

// A CSV field (RFC 4180): enclosed in double quotes, with its quotes doubled,
// when it holds a separator (comma or semicolon), a quote, a line break or a
// tab, or starts or ends with a space; invalid UTF-8 becomes U+FFFD.
std::string CsvField(const std::string& text);

std::string EscapeTagValue(const std::string& value, TagEscaping escaping);

} // namespace oq
