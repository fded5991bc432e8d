#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/MarkerSource.h"

namespace oq {

class ChainTimeline;
class MarkerTime;

// The track starts of the last cue sheet read, in the sheet's order: each
// as the sheet writes it after its INDEX keyword and index number, trimmed
// (normally minutes, seconds and frames, "mm:ss:ff").
using CueTrackList = std::vector<std::string>;

// Reads a sheet's text. Only TRACK and INDEX lines count, and only in upper
// case, wherever the word stands in the line; a TRACK line without an INDEX
// line after it is not a track. A track starts at its INDEX 01: its INDEX
// 00 pregap belongs to the track before, as ripped albums are cut. A track
// without an INDEX 01 starts at its first INDEX line.
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

// A start text "m:ss:ff" in frames of 1/75 s (m of up to seven digits, ss
// and ff of two; a seconds or frames field past its range carries). Nothing
// for a text of another shape.
std::optional<std::int64_t> CueStartFrames(std::string_view start);
// The same as the sample where the frame begins: at one rate frames * rate
// / 75, exactly 588 samples a frame at 44.1 kHz and 640 at 48 kHz. At a
// rate not divisible by 75 (8 kHz, 32 kHz) a frame begins between two
// samples, and the nearer one is taken; it is never half-way. In a chain of
// links at different rates a frame counts at the rate of the link its time
// falls in (ChainTimeline::Sample).
std::optional<std::int64_t> CueStartSample(std::string_view start, const ChainTimeline& timeline);

// Tracks (numbered from 1 in the sheet's order) that gave no marker.
struct CueSkips {
    std::vector<int> Unreadable; // the start is not "m:ss:ff"
    std::vector<int> PastEnd;    // the start lies after the end of the file
    bool operator==(const CueSkips&) const = default;
};

struct CuePlacement {
    // In the sheet's order, unsorted: each track's exact start, titled from
    // `titles`; the notes name the tracks skipped.
    LaidMarkers Laid;
    CueSkips Skipped;
};

// The markers for the track starts: one per track that starts within the
// file, at its exact sample, completed to at least two markers (the end of
// the file, and the start when needed), so that the sections become the
// tracks. `titles` are ParseCueTitles' of the same sheet (or none).
CuePlacement PlanCueMarkers(const CueTrackList& tracks, const std::vector<std::string>& titles,
                            const MarkerTime& time);

} // namespace oq
