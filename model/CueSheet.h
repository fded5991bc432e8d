#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oq {

class PositionConverter;

// The track starts of the last cue sheet read, in the sheet's order: each
// as the sheet writes it after its INDEX keyword and index number, trimmed
// (normally minutes, seconds and frames, "mm:ss:ff").
using CueTrackList = std::vector<std::string>;

// Reads a sheet's text. Only TRACK and INDEX lines count, and only in upper
// case, wherever the word stands in the line; the first INDEX line after a
// TRACK line (an INDEX 00 pregap as well as an INDEX 01) gives the track's
// start, and a TRACK line without an INDEX line after it is not a track.
// Lines may end in LF, CR LF or CR alone; the text is read as CueSheetText
// reads it.
CueTrackList ParseCueSheet(std::string_view contents);

// Reads the sheet in the named file. Raises IoError when it cannot be read.
CueTrackList ReadCueSheet(const std::string& path);

// A sheet's bytes as UTF-8 text: a UTF-16 byte order mark is honoured, and
// without one UTF-16 is told by its zero bytes; other text (after a UTF-8
// mark, if any) that is not valid UTF-8 is read as Windows-1252, the
// encoding older sheets were written in.
std::string CueSheetText(std::string_view raw);
// The raw bytes of the sheet in the named file; IoError when unreadable.
std::string ReadCueSheetBytes(const std::string& path);
// The tracks' titles, one for each track of ParseCueSheet (the same tracks
// in the same order), empty for a track without a TITLE line.
std::vector<std::string> ParseCueTitles(std::string_view contents);
// The same from the named file; IoError when it cannot be read.
std::vector<std::string> ReadCueTitles(const std::string& path);

// A start text "m:ss:ff" as whole seconds (m of any number of digits; the
// frames, 1/75 s each, are dropped). Nothing for a text of another shape.
std::optional<std::int32_t> CueStartSeconds(std::string_view start);

// Tracks (numbered from 1 in the sheet's order) that gave no marker.
struct CueSkips {
    std::vector<int> Unreadable; // the start is not "m:ss:ff"
    std::vector<int> PastEnd;    // the start lies after the end of the file
    bool operator==(const CueSkips&) const = default;
};

struct CuePlacement {
    std::vector<std::int32_t> Positions; // in the sheet's order, unsorted
    CueSkips Skipped;
};

// The marker positions for the track starts: one per track that starts
// within the file, completed to at least two markers (the end of the file,
// and the start when needed), so that the sections become the tracks.
// Raises RangeError for a file without play time; nothing is laid then.
CuePlacement PlanCueMarkers(const CueTrackList& tracks, const PositionConverter& convert);

} // namespace oq
