#include "cli/ProfileCommand.h"

#include "cli/Arguments.h"
#include "cli/InterruptGuard.h"
#include "cli/JobSession.h"
#include "cli/SectionMethod.h"
#include "cli/TerminalProgress.h"
#include "tools/AmplitudeProfile.h"

#include <atomic>
#include <iostream>

namespace oq::cli {

std::string ProfileCommand::Summary() const { return "print the amplitude profile of a file"; }

std::string ProfileCommand::Usage() const
{
    return "Usage: oggquorvel-cli profile FILE [--quiet]\n\n"
           "Decodes FILE and prints one entry a line: the mean magnitude (0 to 32767) of\n"
           "the non-zero samples in each block of 16384 bytes of decoded 16-bit audio.\n";
}

int ProfileCommand::Run(const std::vector<std::string>& arguments)
{
    const Arguments options(arguments, {}, {"--quiet"});
    if (options.Plain().size() != 1)
        throw UsageError("give one FILE");
    const MPEGData file = DescribeSourceFile(options.Plain()[0]);
    std::atomic<bool> cancelled{false};
    TerminalProgress progress(options.Has("--quiet"));
    const InterruptGuard guard([&] { cancelled = true; });
    const std::int64_t expected = std::max<std::int64_t>(file.BlockCount, 1);
    const AmplitudeProfile profile =
        ComputeAmplitudeProfile(file.FileName, cancelled, [&](std::int32_t lastIndex) {
            progress.ProcessText("Analysing... " + std::to_string(std::min<std::int64_t>(100, lastIndex * 100 / expected)) + "%");
        });
    progress.Finish();
    if (cancelled) {
        std::cerr << "Cancelled.\n";
        return kExitCancelled;
    }
    for (std::int16_t entry : profile.Entries)
        std::cout << entry << "\n";
    return 0;
}

} // namespace oq::cli
