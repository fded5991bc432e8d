#include "cli/ProfileCommand.h"

#include "cli/Arguments.h"
#include "base/Error.h"
#include "cli/JobSession.h"
#include "cli/ProfileAnalysis.h"
#include "cli/SectionMethod.h"

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
    AmplitudeProfile profile;
    try {
        profile = AnalyseProfile(file, options.Has("--quiet"));
    } catch (const CancelledError&) {
        std::cerr << "Cancelled.\n";
        return kExitCancelled;
    }
    for (std::int16_t entry : profile.Entries)
        std::cout << entry << "\n";
    return 0;
}

} // namespace oq::cli
