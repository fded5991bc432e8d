#pragma once

#include "tools/AmplitudeProfile.h"

namespace oq {
struct MPEGData;
}

namespace oq::cli {

// The amplitude profile of `file`, computed with the progress line
// "Analysing... n%" (none when `quiet`); Ctrl-C stops it with
// CancelledError.
AmplitudeProfile AnalyseProfile(const MPEGData& file, bool quiet);

} // namespace oq::cli
