#pragma once

#include "tests/support/TestAudio.h"

#include <vector>

namespace oq::test {

// A recording with known pauses, as a transfer from a record or a tape has
// them: music (the generator's tone) with short gaps of 0.3 s in it, and
// between the pieces a pause of digital silence, one of tape hiss at
// -62 dBFS (RMS) and a fade into silence; quiet before the first piece and
// after the last. 26.5 seconds.
AudioSpec PausedRecording(int channels, long rate);

// Where a cut in each of the three pauses belongs: the middle of the
// pause, to within `Tolerance` seconds on top of one profile block. The
// fade's pause begins where it falls below -50 dBFS.
struct ExpectedCut {
    double Middle = 0;
    double Tolerance = 0;
};
std::vector<ExpectedCut> PausedRecordingCuts();

} // namespace oq::test
