#pragma once

#include "media/MPEGData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oq::cli {

// The sections a cut divides its source into, from the stretches given
// with --remove or --keep: cut points in samples (rising, inside the
// audio), whether each section is kept, and how a refusal names it (the
// stretch as the user wrote it, or what lies between two of them).
struct CutSections {
    std::vector<std::int64_t> CutPoints;
    std::vector<bool> Kept;          // section k's at [k - 1]
    std::vector<std::string> Titles; // section k's at [k - 1]
};

// `option` is "--remove" or "--keep", `stretches` its values ("FROM,TO"),
// in any order; overlapping or touching stretches are merged. Raises
// UsageError for a stretch that is not two times, reversed, empty or past
// the end of `file`'s audio, and for a cut that keeps nothing.
CutSections SectionsOfStretches(const std::string& option, const std::vector<std::string>& stretches,
                                const MPEGData& file);

// A stretch's end as a sample of `file`, read as --at reads its times
// (ParseTimePoint: "end", and a leading "-" counting back from the end).
// TimeTextError for a time that is none or lies outside the audio.
std::int64_t StretchTime(const std::string& text, const MPEGData& file);

} // namespace oq::cli
