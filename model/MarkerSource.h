#pragma once

#include "model/Marker.h"

#include <string>
#include <vector>

namespace oq {

// What every source of markers gives, whoever lays them (the command line's
// methods, the split wizard, a label file's import, a chained file's links):
// the markers, each on its block and, where the source knew its time, at
// its exact sample, with the title the section starting there takes; and
// what the user should be told of what the source could not lay. A source
// that knows exact times (a recording's chapters, say) gives each marker as
// MarkerTime::ExactPlace(sample, title); the layers then need nothing new.
struct LaidMarkers {
    std::vector<MarkerPlace> Markers; // in the source's order
    std::vector<std::string> Notes;   // sentences without a final stop

    // Markers on these blocks, untitled.
    static LaidMarkers OnBlocks(const std::vector<std::int32_t>& positions);
};

} // namespace oq
