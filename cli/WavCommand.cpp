#include "cli/WavCommand.h"

#include "cli/Arguments.h"
#include "cli/JobSession.h"
#include "decode/OggFileInfo.h"
#include "engine/Error.h"
#include "engine/JobList.h"
#include "engine/JobPlanner.h"

#include <iostream>

namespace oq::cli {

std::string WavCommand::Summary() const { return "convert Ogg Vorbis files to 16-bit WAV files"; }

std::string WavCommand::Usage() const
{
    return "Usage: oggquorvel-cli wav [--dir DIR] FILE... [--quiet]\n\n"
           "Decodes each FILE into a 16-bit PCM WAV file of the same name ending in\n"
           ".wav, beside it or, with --dir, in DIR. Existing WAV files are replaced.\n";
}

int WavCommand::Run(const std::vector<std::string>& arguments)
{
    const Arguments options(arguments, {"--dir"}, {"--quiet"});
    if (options.Plain().empty())
        throw UsageError("give the files to convert");
    WavOptions wav;
    wav.OneDirectory = options.Has("--dir");
    wav.OutputFolder = options.Value("--dir").value_or("");
    std::string refused;
    for (const std::string& name : options.Plain()) {
        MPEGData file;
        if (ReadOggFileInfo(name, file) == kOggInfoFilled)
            wav.Files.push_back(name);
        else
            refused += (refused.empty() ? "" : ", ") + name;
    }
    if (!refused.empty())
        throw Error("Not a Valid Ogg File.: " + refused);

    JobSession session(options.Has("--quiet"));
    JobList jobs = PlanJobs(wav, session.Observer());
    std::vector<std::string> written;
    for (const JobStacker& job : jobs)
        written.push_back(job.FinalName);
    const int status = session.Run(jobs);
    if (status == 0)
        for (const std::string& name : written)
            std::cout << name << "\n";
    return status;
}

} // namespace oq::cli
