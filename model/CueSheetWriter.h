#pragma once

#include "model/MarkerGeometry.h"
#include "model/MarkerTitles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oq {

class MarkerTime;

// A cue sheet of the sections: one audio track per section, titled from the
// markers' titles or "Section k", its INDEX 01 at the section's cut point as
// minutes, seconds and frames of 1/75 s, rounded to the nearest frame.
// The FILE line names the audio file without its folder, for a sheet kept
// beside it.
class CueSheetWriter {
public:
    static constexpr std::int64_t kFramesPerSecond = 75;

    static std::string Format(const std::string& audioFile, const std::vector<Section>& sections,
                              const MarkerTitles& titles, const MarkerTime& time);
    // Replaces `path` with the sheet. Neither `audioFile` nor any of
    // `otherInputs` (a cue sheet or label file the markers came from) may be
    // `path` (see RequireWritableOutput).
    static void Write(const std::string& path, const std::string& audioFile, const std::vector<Section>& sections,
                      const MarkerTitles& titles, const MarkerTime& time, std::vector<std::string> otherInputs);

    // A sample position as "mm:ss:ff" at `rate`, the frame rounded to the
    // nearest; minutes run past 99 as they must.
    static std::string TimeText(std::int64_t sample, std::int32_t rate);
    // "mm:ss:ff" back as the nearest sample; nothing for another shape.
    static std::optional<std::int64_t> SampleOf(std::string_view text, std::int32_t rate);
};

} // namespace oq
