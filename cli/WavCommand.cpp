#include "cli/WavCommand.h"

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "cli/JobSession.h"
#include "jobs/JobList.h"
#include "jobs/JobPlanner.h"

namespace oq::cli {

std::string WavCommand::Summary() const { return "convert Ogg Vorbis and Opus files to 16-bit WAV files"; }

std::string WavCommand::Usage() const
{
    return "Usage: oggquorvel-cli wav [--dir DIR] FILE... [--quiet]\n\n"
           "Decodes each FILE into a 16-bit PCM WAV file of the same name ending in\n"
           ".wav, beside it or, with --dir, in DIR. Existing WAV files are replaced.\n"
           "Where two FILEs would give one WAV name, the later one's gets \" (NN)\"\n"
           "before \".wav\", NN its place in the list; standard error tells so.\n"
           "A chained FILE whose links differ in rate or channels is refused before\n"
           "anything is written: one WAV file holds one format (convert its links\n"
           "apart with `split --links`).\n" +
           std::string(kRefusedOutputs);
}

int WavCommand::Run(const std::vector<std::string>& arguments)
{
    const Arguments options(arguments, {"--dir"}, {"--quiet"});
    if (options.Plain().empty())
        throw UsageError("give the files to convert");
    WavOptions wav;
    wav.OneDirectory = options.Has("--dir");
    wav.OutputFolder = options.Value("--dir").value_or("");
    for (const MPEGData& file : DescribeInputs(options.Plain()))
        wav.Files.push_back(file.FileName);

    JobSession session(options.Has("--quiet"));
    JobList jobs = PlanJobs(wav, session.Observer());
    return session.RunPlan(jobs);
}

} // namespace oq::cli
