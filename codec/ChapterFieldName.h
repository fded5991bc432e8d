#pragma once

#include <optional>
#include <string_view>

namespace oq {

// The name of a chapter comment field, as players and audiobook tools write
// them: "CHAPTER" and a number ("CHAPTER001", the chapter's start time), or
// the same followed by "NAME" (its title), in any case.
struct ChapterFieldName {
    static constexpr std::string_view kPrefix = "CHAPTER";
    static constexpr std::string_view kTitleSuffix = "NAME";

    std::string_view Digits; // the number as written
    bool Title = false;      // the NAME field

    // Nothing when `name` (the part of a field before its '=') names no
    // chapter field.
    static std::optional<ChapterFieldName> Read(std::string_view name);
};

} // namespace oq
