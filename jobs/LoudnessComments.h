#pragma once

#include "codec/LoudnessConvention.h"
#include "jobs/JobPlanner.h"
#include "tools/SectionLoudness.h"

namespace oq {

// Gives every section of `source` its own track gain and peak, and all of
// them the album's, in the fields and on the scale of `convention` (the
// source codec's): ReplayGain 2.0 gains to -18 LUFS in dB with sample peaks,
// or R128 gains to -23 LUFS in Q7.8 without. Silence gets no gain.
void AddLoudnessComments(SectionSource& source, const SplitLoudness& loudness, const LoudnessConvention& convention);

} // namespace oq
