#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace oq {

// One chapter of a recording: where it begins, exactly, in sample frames
// per channel, and its title.
struct Chapter {
    std::int64_t Sample = 0;
    std::string Title{}; // "" when the file names none
    // Where the chapter ends, when its field gives an end time after "-->".
    std::optional<std::int64_t> EndSample{};

    bool operator==(const Chapter&) const = default;
};

// The chapter fields of Ogg comments, as players and audiobook tools read
// them: "CHAPTERnnn=HH:MM:SS.fff" (optionally followed by " --> " and an end
// time) and "CHAPTERnnnNAME=title", nnn from 000 to 999, names in any case.
// Times count from the first sample of the link whose comments hold them.
class ChapterFields {
public:
    // The most chapters the fields can number: CHAPTER001 to CHAPTER999.
    static constexpr int kMostChapters = 999;

    // Whether "NAME=value" is a chapter field (CHAPTER followed by digits,
    // and nothing or NAME): the fields a new chapter list replaces.
    static bool Is(std::string_view field);

    // The chapters of one link's comments (name, value), in the order of
    // their numbers; times at `rate` frames per second, rounded to the
    // nearest frame. Raises FormatError naming `fileName` and the field for
    // a time that is not HH:MM:SS[.fff], a number past 999 or given twice,
    // a title without a time, a time at or past `length` frames, an end
    // before its start or past `length`, and a time that does not follow
    // the one numbered before it.
    static std::vector<Chapter> Parse(const std::vector<std::pair<std::string, std::string>>& comments,
                                      std::int32_t rate, std::int64_t length, const std::string& fileName);

    // The fields ("NAME=value") of `chapters` (frames from the link's start,
    // rising), numbered from 001, each time to the nearest millisecond; a
    // chapter without a title is called "Chapter k". Raises RangeError for
    // more than kMostChapters chapters.
    static std::vector<std::string> Format(const std::vector<Chapter>& chapters, std::int32_t rate);

    // `sample` frames at `rate` as "HH:MM:SS.fff", to the nearest
    // millisecond; the hours take as many digits as they need.
    static std::string Time(std::int64_t sample, std::int32_t rate);
};

// The chapters of every link of the Ogg file `path`, each link's placed on
// the whole file's timeline (its times counted from the link's start, as
// the links' own comments count them). Raises what reading the links
// raises, and ChapterFields::Parse's FormatError.
std::vector<Chapter> ReadChapters(const std::string& path);

} // namespace oq
