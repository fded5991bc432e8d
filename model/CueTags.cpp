#include "model/CueTags.h"

#include "model/CueLines.h"
#include "model/CueSheet.h"

#include <algorithm>

namespace oq {

namespace {

// The first word of `text`, which loses it and the blanks after it.
std::string_view TakeWord(std::string_view& text)
{
    text = TrimCue(text);
    std::size_t end = 0;
    while (end < text.size() && !IsCueBlank(text[end]))
        ++end;
    const std::string_view word = text.substr(0, end);
    text = TrimCue(text.substr(end));
    return word;
}

// A value as sheets write it: in double quotes (up to the last one) or bare.
std::string Value(std::string_view text)
{
    text = TrimCue(text);
    if (text.size() >= 2 && text.front() == '"') {
        const std::size_t close = text.rfind('"');
        if (close > 0)
            return std::string(text.substr(1, close - 1));
    }
    return std::string(text);
}

std::string TrackNumber(std::string_view afterKeyword, std::size_t ordinal)
{
    std::string_view word = TakeWord(afterKeyword);
    if (word.empty() || !std::ranges::all_of(word, [](char c) { return c >= '0' && c <= '9'; }))
        return std::to_string(ordinal);
    while (word.size() > 1 && word.front() == '0')
        word.remove_prefix(1);
    return std::string(word);
}

} // namespace

// Tracks are found by the rules of ParseCueSheet (a line naming TRACK outside
// a track's header opens one, its first INDEX line closes the header, a
// header never closed is no track), so that both agree on the count.
CueTags ParseCueTags(std::string_view raw)
{
    const std::string text = CueSheetText(raw);
    CueTags tags;
    bool inTrackHeader = false;
    for (const std::string_view line : CueLines(text)) {
        if (!inTrackHeader) {
            if (const std::size_t at = line.find("TRACK"); at != std::string_view::npos) {
                tags.Tracks.push_back({TrackNumber(line.substr(at + 5), tags.Tracks.size() + 1), {}, {}, {}});
                inTrackHeader = true;
                continue;
            }
        } else if (line.find("INDEX") != std::string_view::npos) {
            inTrackHeader = false;
            continue;
        }
        std::string_view rest = line;
        const std::string_view keyword = TakeWord(rest);
        CueTags::Track* track = tags.Tracks.empty() ? nullptr : &tags.Tracks.back();
        if (keyword == "TITLE")
            (track ? track->Title : tags.Title) = Value(rest);
        else if (keyword == "PERFORMER")
            (track ? track->Performer : tags.Performer) = Value(rest);
        else if (keyword == "ISRC" && track)
            track->Isrc = Value(rest);
        else if (keyword == "REM" && !track) {
            const std::string_view name = TakeWord(rest);
            if (name == "DATE")
                tags.Date = Value(rest);
            else if (name == "GENRE")
                tags.Genre = Value(rest);
            else if (name == "COMMENT")
                tags.Comment = Value(rest);
        }
    }
    if (inTrackHeader)
        tags.Tracks.pop_back();
    return tags;
}

CommentEdit CueTags::TrackComments(std::size_t index) const
{
    const Track& track = Tracks.at(index);
    CommentEdit edit;
    const auto set = [&edit](const char* name, const std::string& value) {
        if (!value.empty())
            edit.Set.emplace_back(name, value);
    };
    set("TITLE", track.Title);
    set("ARTIST", track.Performer.empty() ? Performer : track.Performer);
    set("ALBUM", Title);
    // Tracks that name their own performers leave the album's to ALBUMARTIST.
    const bool othersPerform = std::ranges::any_of(
        Tracks, [this](const Track& t) { return !t.Performer.empty() && t.Performer != Performer; });
    if (othersPerform)
        set("ALBUMARTIST", Performer);
    set("TRACKNUMBER", track.Number);
    set("TRACKTOTAL", std::to_string(Tracks.size()));
    set("DATE", Date);
    set("GENRE", Genre);
    set("COMMENT", Comment);
    set("ISRC", track.Isrc);
    return edit;
}

} // namespace oq
