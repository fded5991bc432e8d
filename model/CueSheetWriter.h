#pragma once

#include "model/MarkerGeometry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oq {

class MarkerTime;

// A cue sheet of the sections: one audio track per section, titled from the
// title of the marker it starts at or "Section k", its INDEX 01 at the
// section's cut sample as minutes, seconds and frames of 1/75 s, rounded to
// the nearest frame (a cut read back from a sheet lies on a frame, and so
// returns to its own sample). The FILE line names the audio file without
// its folder, for a sheet kept beside it.
class CueSheetWriter {
public:
    static constexpr std::int64_t kFramesPerSecond = 75;

    struct Track {
        std::int64_t Start = 0; // samples per channel
        std::string Title;      // empty: "Section k"
    };
    // A track for each section of `markers`.
    static std::vector<Track> TracksOf(const MarkerGeometry& markers);

    static std::string Format(const std::string& audioFile, const std::vector<Track>& tracks,
                              const ChainTimeline& timeline);
    // Replaces `path` with the sheet. Neither `audioFile` nor any of
    // `otherInputs` (a cue sheet or label file the markers came from) may be
    // `path` (see RequireWritableOutput).
    static void Write(const std::string& path, const std::string& audioFile, const std::vector<Track>& tracks,
                      const ChainTimeline& timeline, std::vector<std::string> otherInputs);

    // A sample position as "mm:ss:ff" of its time on `timeline`, the frame
    // rounded to the nearest (halves up); minutes run past 99 as they must.
    static std::string TimeText(std::int64_t sample, const ChainTimeline& timeline);
};

} // namespace oq
