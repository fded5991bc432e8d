#pragma once

#include "jobs/JobPlanner.h"
#include "tools/SectionLoudness.h"

namespace oq {

// Gives every section of `source` its own track gain and peak, and all of
// them the album's, in the fields of the source's codec: ReplayGain 2.0 for
// Vorbis (gain to -18 LUFS in dB, sample peak), R128 for Opus (gain to
// -23 LUFS in Q7.8). Silence gets no gain.
void AddLoudnessComments(SectionSource& source, const SplitLoudness& loudness, bool opus);

} // namespace oq
