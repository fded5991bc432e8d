#pragma once

#include "jobs/JobPlanner.h"
#include "media/ChainTimeline.h"
#include "model/CueSheet.h"
#include "model/CueTags.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oq {

// Gives the sections of the markers a cue sheet laid their tracks' comments
// and names: a section plays the first track (in the sheet's order) whose
// start, as the exact sample on `timeline` (CueStartSample), is where the section starts
// (`sectionStarts`, one per section). A section before the first track
// plays none and keeps the source's comments.
void TagCueSections(SectionSource& source, const ChainTimeline& timeline, const std::vector<std::int64_t>& sectionStarts,
                    const CueTrackList& starts, const CueTags& tags);

// "NN - Title" (the number of at least two digits), as the sheet writes
// the title: OutputNames makes it a file name.
std::string TrackFileName(const CueTags::Track& track);

} // namespace oq
