#pragma once

#include "tools/AmplitudeProfile.h"

#include <string>
#include <vector>

namespace oq {
struct MPEGData;
}

namespace oq::cli {

// The amplitude profile of `file`: the one remembered from an earlier run
// when the file has not changed since, else computed with the progress
// line "Analysing... n%" (none when `quiet`) and remembered. Ctrl-C stops
// it with CancelledError. A cache folder that cannot be written is warned
// of once, on standard error, and the work goes on without it.
AmplitudeProfile AnalyseProfile(const MPEGData& file, bool quiet);

// The option of every command that analyses profiles: it neither reads nor
// keeps a remembered one.
inline constexpr char kNoCacheOption[] = "--no-cache";
// The paragraph that command's help ends with: where profiles are kept, and
// the option.
std::string ProfileCacheUsage();
// Takes the option out of a command's arguments (those before "--") and,
// when it was there, analyses afresh for the rest of the run. Raises
// UsageError when it is given twice, as for any other option.
std::vector<std::string> TakeNoCacheOption(std::vector<std::string> arguments);

} // namespace oq::cli
