#pragma once

#include "codec/CommentEdit.h"

#include <cstdint>
#include <string>

namespace oq {

// What the section engine needs to know of one section: where it starts and
// ends in the source (sample frames of the decoded source, per channel),
// where it goes, and the serial number of its new stream.
struct SectionJob {
    std::string OutputName;         // file written; not touched when SkipOutput
    std::uint32_t StreamSerial = 0;
    std::int64_t StartGranule = 0;  // first sample of the section
    std::int64_t EndGranule = 0;    // one past its last sample; unused for the last section
    bool SkipOutput = false;        // cut the section (keeping exact boundaries) but write nothing
    std::int32_t SectionNumber = 0; // named in refusals; 0: counted from the run's first section
    // Names the section in refusals instead of its number where not empty:
    // a cut's stretch as the user wrote it.
    std::string Title{};
    CommentEdit Comments{};         // how the section's comments differ from the source's
};

} // namespace oq
