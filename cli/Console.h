#pragma once

#include "media/MPEGData.h"

#include <string>
#include <vector>

namespace oq::cli {

// Describes each input file; raises one error naming every file that is not
// Ogg Vorbis or Opus ("Not a Valid Ogg File.", as the wizard's lists refuse
// them) with what is wrong with it, and IoError for a file that cannot be
// read at all.
std::vector<MPEGData> DescribeInputs(const std::vector<std::string>& names);

// Prints each warning on standard error, marked as such.
void PrintWarnings(const std::vector<std::string>& warnings);
// Prints a plan's notes (outputs written under other names than asked) on
// standard error, marked as such.
void PrintNotes(const std::vector<std::string>& notes);

} // namespace oq::cli
