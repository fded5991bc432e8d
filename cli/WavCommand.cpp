#include "cli/WavCommand.h"

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "cli/JobSession.h"
#include "cli/JsonReport.h"
#include "jobs/JobList.h"
#include "jobs/JobPlanner.h"
#include "media/ChainTimeline.h"

namespace oq::cli {

std::string WavCommand::Summary() const { return "convert Ogg Vorbis and Opus files to 16-bit WAV files"; }

std::string WavCommand::Usage() const
{
    return "Usage: oggquorvel-cli wav [--dir DIR] FILE... [--quiet] [--json]\n\n"
           "Decodes each FILE into a 16-bit PCM WAV file of the same name ending in\n"
           ".wav, beside it or, with --dir, in DIR. Existing WAV files are replaced.\n"
           "Where two FILEs would give one WAV name, the later one's gets \" (NN)\"\n"
           "before \".wav\", NN its place in the list; standard error tells so.\n"
           "A chained FILE whose links differ in rate or channels is refused before\n"
           "anything is written: one WAV file holds one format (convert its links\n"
           "apart with `split --links`).\n\n"
           "With --json it prints, instead of the files written, one JSON document: an\n"
           "array with an object for each FILE, {\"source\": FILE, \"files\": [{\"file\",\n"
           "\"first_sample\", \"end_sample\", \"samples\", \"seconds\"}]}, the WAV file and\n"
           "the samples it holds (per channel).\n\n" +
           std::string(kRefusedOutputs);
}

int WavCommand::Run(const std::vector<std::string>& arguments)
{
    const Arguments options(arguments, {"--dir"}, {"--quiet", "--json"});
    if (options.Plain().empty())
        throw UsageError("give the files to convert");
    WavOptions wav;
    wav.OneDirectory = options.Has("--dir");
    wav.OutputFolder = options.Value("--dir").value_or("");
    const std::vector<MPEGData> sources = DescribeInputs(options.Plain());
    for (const MPEGData& file : sources)
        wav.Files.push_back(file.FileName);

    const bool json = options.Has("--json");
    JobSession session(options.Has("--quiet"), !json);
    JobList jobs = PlanJobs(wav, session.Observer());
    const int status = session.RunPlan(jobs);
    if (status != 0 || !json)
        return status;
    // One job a source, in the order given.
    Json document = Json::array();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        Json file = {{"file", jobs[i].FinalName}};
        file.update(SampleRangeJson(0, sources[i].PcmTotal, ChainTimeline(sources[i])));
        document.push_back({{"source", sources[i].FileName}, {"files", Json::array({std::move(file)})}});
    }
    PrintJson(document);
    return 0;
}

} // namespace oq::cli
