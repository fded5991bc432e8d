#include "cli/UserTags.h"

#include "cli/Command.h"
#include "base/Utf8Text.h"

#include <algorithm>

namespace oq::cli {

namespace {

// A comment field name holds the characters 0x20 to 0x7D, '=' aside.
constexpr char kFirstNameChar = 0x20;
constexpr char kLastNameChar = 0x7D;

bool IsFieldName(const std::string& name)
{
    return !name.empty() &&
           std::ranges::all_of(name, [](char c) { return c >= kFirstNameChar && c <= kLastNameChar && c != '='; });
}

} // namespace

UserTags ParseUserTags(const std::vector<std::string>& tags)
{
    UserTags parsed;
    for (const std::string& tag : tags) {
        const auto equals = tag.find('=');
        if (equals == std::string::npos || !IsFieldName(tag.substr(0, equals)))
            throw UsageError("--tag " + tag + ": give KEY=VALUE, KEY of the characters ' ' to '}' without '='");
        // Comments are UTF-8; a value typed in another encoding is read as
        // Windows-1252 rather than written as bytes no reader can show.
        parsed.emplace_back(tag.substr(0, equals), AsUtf8(std::string_view(tag).substr(equals + 1)));
    }
    return parsed;
}

std::string UserTagsUsage()
{
    return "  --tag KEY=VALUE    give every section the comment KEY=VALUE (replacing\n"
           "                     its other KEY comments); {n} in VALUE is the section's\n"
           "                     number, {total} how many there are; may be repeated\n";
}

} // namespace oq::cli
