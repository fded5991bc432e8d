#pragma once

#include <string_view>
#include <vector>

namespace oq {

// Spaces and control characters separate and surround the words of a cue
// sheet's line.
bool IsCueBlank(char c);
std::string_view TrimCue(std::string_view text);
// Lines end at LF, at CR LF, and at a CR alone (as older sheets write them).
std::vector<std::string_view> CueLines(std::string_view text);

} // namespace oq
