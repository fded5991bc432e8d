#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace oq {

// A placeholder such as "{n}" and the text that stands for it.
using Placeholder = std::pair<std::string_view, std::string>;

// `pattern` with every placeholder replaced by its text, read left to right
// in one pass, so a text that holds a placeholder is not expanded again.
std::string Expanded(std::string_view pattern, std::span<const Placeholder> placeholders);

} // namespace oq
