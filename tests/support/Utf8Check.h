#pragma once

#include <string>

namespace oq::test {

// Whether glibc's converter takes `text` as UTF-8 whole: a judge of names
// and comments that shares no code with the program's own check.
bool ConvertsFromUtf8(const std::string& text);

} // namespace oq::test
