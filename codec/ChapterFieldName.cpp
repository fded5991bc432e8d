#include "codec/ChapterFieldName.h"

#include <algorithm>
#include <cctype>

namespace oq {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::ranges::equal(text.substr(0, prefix.size()), prefix,
                              [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

} // namespace

std::optional<ChapterFieldName> ChapterFieldName::Read(std::string_view name)
{
    if (!StartsWithNoCase(name, kPrefix))
        return std::nullopt;
    name.remove_prefix(kPrefix.size());
    const auto digits = static_cast<std::size_t>(
        std::ranges::find_if_not(name, [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }) -
        name.begin());
    if (digits == 0)
        return std::nullopt;
    const std::string_view rest = name.substr(digits);
    if (rest.empty())
        return ChapterFieldName{name.substr(0, digits), false};
    if (rest.size() == kTitleSuffix.size() && StartsWithNoCase(rest, kTitleSuffix))
        return ChapterFieldName{name.substr(0, digits), true};
    return std::nullopt;
}

} // namespace oq
