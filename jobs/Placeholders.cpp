#include "jobs/Placeholders.h"

#include <algorithm>

namespace oq {

std::string Expanded(std::string_view pattern, std::span<const Placeholder> placeholders)
{
    std::string out;
    for (std::size_t at = 0; at < pattern.size();) {
        const auto found = std::ranges::find_if(
            placeholders, [&](const Placeholder& p) { return pattern.substr(at).starts_with(p.first); });
        if (found == placeholders.end()) {
            out += pattern[at++];
            continue;
        }
        out += found->second;
        at += found->first.size();
    }
    return out;
}

} // namespace oq
