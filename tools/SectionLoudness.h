#pragma once

#include "tools/ParallelParts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oq {

class JobControl;
class JobObserver;

struct LoudnessFigures {
    double Lufs = 0; // integrated loudness; minus infinity for silence
    double Peak = 0; // sample peak, full scale 1.0
};

struct SplitLoudness {
    std::vector<LoudnessFigures> Sections; // section k at [k - 1]
    LoudnessFigures Album;                 // all sections together
};

// Measures the sections a split would write from the source's decoded
// samples, which the lossless cut reproduces exactly: section k ends at
// cutPoints[k - 1] (samples per channel, rising), the last one at the end.
// Reports progress as it decodes; nothing when the user cancels. Pause,
// cancel and progress are seen on the calling thread; every thread started
// has ended when this returns.
//
// A plain file is measured in runs of whole sections on every processor
// core at once, each run decoded from a place close before it; a meter
// still takes exactly its section's samples in order, so every figure is
// the one a single pass gives, to the last bit. Anything else is decoded in
// one pass, beside a thread that runs the meters.
std::optional<SplitLoudness> MeasureSections(const std::string& sourceName, const std::vector<std::int64_t>& cutPoints,
                                             const JobControl& control, JobObserver& observer);
// The same with the division of the work given.
std::optional<SplitLoudness> MeasureSections(const std::string& sourceName, const std::vector<std::int64_t>& cutPoints,
                                             const JobControl& control, JobObserver& observer, const PartLayout& layout);

} // namespace oq
