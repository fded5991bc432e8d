#pragma once

#include "model/MarkerGeometry.h"

#include <string>
#include <vector>

namespace oq {

// The lines that name markers and sections, as the window's choice lists and
// the command line show them, numbered from 1.

// "Marker i - HH:MM:SS": each marker's time.
std::vector<std::string> MarkerItems(const MarkerGeometry& markers);

// "Section k - HH:MM:SS - 1,234Kb": each section's play length and size.
std::vector<std::string> SectionItems(const MarkerGeometry& markers);

} // namespace oq
