#include "model/MarkerSource.h"

namespace oq {

LaidMarkers LaidMarkers::OnBlocks(const std::vector<std::int32_t>& positions)
{
    LaidMarkers laid;
    laid.Markers.reserve(positions.size());
    for (const std::int32_t p : positions)
        laid.Markers.push_back({.Position = p});
    return laid;
}

} // namespace oq
