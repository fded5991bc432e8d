#pragma once

#include "base/Error.h"
#include "model/MarkerGeometry.h"

#include <cstdint>
#include <string>

namespace oq {

// A way of laying markers asked for more than the marker list holds.
class MarkerLimitError : public RangeError {
public:
    using RangeError::RangeError;
};

// What each way of laying markers needs of MarkerGeometry::kMaxMarkers,
// counted in what the user asked for. A list that is full moves its last
// marker instead of growing, so laying part of a longer list would leave
// the rest of the file to one long last section without a word: a method
// that needs more is refused whole, before a marker moves.
enum class MarkerDemand {
    // Sections of equal length (by count, length or size): a marker at each
    // end of the file and one between each two sections.
    EvenSections,
    // Cue tracks and labels: a marker at each start.
    CueTracks,
    Labels,
    // A file's chapters: a marker at each start.
    Chapters,
    // A marker in the middle of each pause, and one at each end of the file.
    Pauses,
    // A marker at the start of each link (titled with its title) and one
    // at the end of the file.
    Links,
};

// The most of `demand` (sections, tracks, labels, pauses, links) that fit.
constexpr std::int64_t MostThatFit(MarkerDemand demand) noexcept
{
    constexpr std::int64_t markers = MarkerGeometry::kMaxMarkers;
    switch (demand) {
    case MarkerDemand::EvenSections:
    case MarkerDemand::Links:
        return markers - 1;
    case MarkerDemand::Pauses:
        return markers - 2;
    case MarkerDemand::CueTracks:
    case MarkerDemand::Labels:
    case MarkerDemand::Chapters:
        break;
    }
    return markers;
}

// Raises MarkerLimitError when `count` of `demand` do not fit. `subject`
// says who asks, ending in its verb: "the cue sheet \"a.cue\" has" gives
// "the cue sheet "a.cue" has 2,000 tracks; at most 1,000 can be cut: the
// editor holds 1,000 markers, one at each track's start".
void RequireMarkerRoom(MarkerDemand demand, std::int64_t count, const std::string& subject);

} // namespace oq
