#include "model/CueLines.h"

namespace oq {

bool IsCueBlank(char c) { return static_cast<unsigned char>(c) <= ' ' || c == '\x7F'; }

std::string_view TrimCue(std::string_view text)
{
    while (!text.empty() && IsCueBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsCueBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> CueLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] != '\n' && text[k] != '\r')
            continue;
        lines.push_back(text.substr(begin, k - begin));
        if (text[k] == '\r' && k + 1 < text.size() && text[k + 1] == '\n')
            ++k;
        begin = k + 1;
    }
    if (begin < text.size())
        lines.push_back(text.substr(begin));
    return lines;
}

} // namespace oq
