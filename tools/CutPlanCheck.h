#pragma once

#include "tools/SectionJob.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oq {

// Checks every section of a cutting run before any of it is written: one
// pass over the source's packets, without writing, meets each cut point as
// the section engine will and applies the same CutPointCheck rules, so a
// run the engine would have to abandon half-way is refused whole.
class CutPlanCheck {
public:
    // `sections` are the run's sections of `sourceName` in order; the last
    // runs to the end of the source. Raises RangeError for the first section
    // that cannot be cut, and what opening the source raises. Returns how
    // many bytes from the start of the source it read as whole pages with
    // valid checksums and nothing skipped, which the cut may trust (see
    // SourceReader::TrustPagesBefore).
    static std::int64_t Require(const std::string& sourceName, const std::vector<SectionJob>& sections);
};

} // namespace oq
