#pragma once

#include "model/MarkerSource.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oq {

class MarkerTime;

// The label file of audio editors: one label a line, its start and end in
// seconds and its text, separated by tabs, the times with six decimals. A
// marker is a point label (start = end) at its cut sample; a region label
// gives a marker at its start. A label read back gives an exact marker at
// the sample nearest its start, titled with its text.
//
// Reading is strict: a line that is not "START<tab>END[<tab>TEXT]" with
// times of digits and an optional fraction, 0 <= START <= END, raises
// FormatError naming the file and the line's number, so that no cut point
// is lost quietly. Blank lines are passed over; lines may end in CR LF; a
// UTF-8 byte order mark before the first line is passed over.
class LabelFile {
public:
    // Marker k's label text is its title, else "Marker k".
    static std::string Format(const std::vector<MarkerPlace>& markers, const MarkerTime& time);
    // Replaces `path` with the labels of `markers`. `inputs` are the files
    // the markers came from (the audio file, a cue sheet or label file read
    // for them), none of which `path` may be (see RequireWritableOutput).
    static void Write(const std::string& path, const std::vector<MarkerPlace>& markers, const MarkerTime& time,
                      const std::vector<std::string>& inputs);

    // The markers in the file's order. `name` names the file in errors. A
    // file without a label within the audio raises FormatError; a single
    // label is completed to two markers with the end (or the start) of the
    // file. Labels past the end of the audio give notes naming their lines.
    static LaidMarkers Parse(std::string_view text, const std::string& name, const MarkerTime& time);
    // IoError when the file cannot be read.
    static LaidMarkers Read(const std::string& path, const MarkerTime& time);
};

} // namespace oq
