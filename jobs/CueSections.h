#pragma once

#include "jobs/JobPlanner.h"
#include "model/CueSheet.h"
#include "model/CueTags.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oq {

// Gives the sections that SectionsFromMarkers made of the markers a cue
// sheet laid their tracks' comments and names: a section plays the first
// track (in the sheet's order) whose start lies where the section starts. A
// section before the first track plays none and keeps the source's comments.
void TagCueSections(SectionSource& source, const MPEGData& file, const std::vector<std::int32_t>& markerPositions,
                    const CueTrackList& starts, const CueTags& tags);

// "NN - Title" (the number of at least two digits), as the sheet writes
// the title: OutputNames makes it a file name.
std::string TrackFileName(const CueTags::Track& track);

} // namespace oq
