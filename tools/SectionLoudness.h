#pragma once

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
// cutPoints[k - 1] (samples per channel), the last one at the end. Reports
// progress as it decodes; nothing when the user cancels. The calling thread
// decodes, watches pause and cancel and reports; a second thread runs the
// meters on the decoded chunks in order, and has ended when this returns.
std::optional<SplitLoudness> MeasureSections(const std::string& sourceName, const std::vector<std::int64_t>& cutPoints,
                                             const JobControl& control, JobObserver& observer);

} // namespace oq
