#include "cli/ProfileAnalysis.h"

#include "base/Error.h"
#include "cli/InterruptGuard.h"
#include "cli/TerminalProgress.h"
#include "media/MPEGData.h"

#include <algorithm>
#include <atomic>

namespace oq::cli {

AmplitudeProfile AnalyseProfile(const MPEGData& file, bool quiet)
{
    std::atomic<bool> cancelled{false};
    TerminalProgress progress(quiet);
    const InterruptGuard guard([&] { cancelled = true; });
    const std::int64_t expected = std::max<std::int64_t>(file.BlockCount, 1);
    AmplitudeProfile profile = ComputeAmplitudeProfile(file.FileName, cancelled, [&](std::int32_t lastIndex) {
        progress.ProcessText("Analysing... " + std::to_string(std::min<std::int64_t>(100, lastIndex * 100 / expected)) +
                             "%");
    });
    progress.Finish();
    if (cancelled)
        throw CancelledError();
    return profile;
}

} // namespace oq::cli
