#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace oq {

// How one section's comment fields differ from its source's. The source's
// track loudness (ReplayGain track gain and peak, the Opus R128 track gain)
// measures the whole recording and is never carried into a section; album
// values stay. Chapter fields (see ChapterFieldName) go where the edit drops
// them: their times count from the start of the source's link, so they
// belong to a section only when it is that whole link. Every field the edit
// sets replaces all source fields of that
// name (names compare without regard to ASCII case) and is appended, in the
// edit's order, after the source fields that remain in theirs.
struct CommentEdit {
    std::vector<std::pair<std::string, std::string>> Set; // name, value (UTF-8)
    bool DropsChapters = false;

    bool operator==(const CommentEdit&) const = default;

    // Sets `fields` after those the edit sets already, which they replace
    // where a name repeats (fields repeated within `fields` all stay).
    void Override(const std::vector<std::pair<std::string, std::string>>& fields);

    // The value of the first field the edit sets under `name` (any ASCII
    // case), or "" when it sets none.
    std::string Value(std::string_view name) const;

    // The fields a section gets from its source's `fields` ("NAME=value").
    std::vector<std::string> Apply(const std::vector<std::string>& fields) const;
    // Whether Apply may leave `fields` as they are.
    bool Keeps(const std::vector<std::string>& fields) const;
};

} // namespace oq
