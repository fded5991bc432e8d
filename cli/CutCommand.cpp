#include "cli/CutCommand.h"

#include "cli/Arguments.h"
#include "cli/CutStretches.h"
#include "cli/SectionMethod.h"
#include "cli/WritingBatch.h"
#include "jobs/JobList.h"
#include "jobs/JobPlanner.h"

namespace oq::cli {

std::string CutCommand::Summary() const { return "take stretches out of a file, or keep only them, as one file"; }

std::string CutCommand::Usage() const
{
    return "Usage: oggquorvel-cli cut FILE --remove FROM,TO [--remove FROM,TO ...] --to OUT [OPTIONS]\n"
           "Usage: oggquorvel-cli cut FILE --keep FROM,TO [--keep FROM,TO ...] --to OUT [OPTIONS]\n\n"
           "Writes FILE (Ogg Vorbis or Opus) without the stretches given with --remove,\n"
           "or only those given with --keep, as the one file OUT, copying the compressed\n"
           "audio unchanged: OUT decodes to exactly the samples of FILE that are kept.\n"
           "Each kept stretch is a link of OUT's chain, behind FILE's own headers and\n"
           "comments, with a serial number of its own; players that follow chained\n"
           "files play them one after another without a gap.\n\n"
           "FROM and TO are times as split takes its cut points: seconds (90, 1.5) or\n"
           "[HH:]MM:SS[.fff]; \"end\" is the end of the audio and a leading \"-\" counts\n"
           "back from it (--remove -30,end takes out the last 30 seconds). Give either\n"
           "option as often as needed, in any order; stretches that overlap are merged.\n\n"
           "Options:\n"
           "  --remove FROM,TO   take this stretch out\n"
           "  --keep FROM,TO     keep this stretch (and the others given with --keep)\n"
           "  --to OUT           the file written\n"
           "  --one-stream       write one stream instead of a chain, for players that do\n"
           "                     not follow chained files (some report a chain's length\n"
           "                     wrongly). This trades exactness at the joins for\n"
           "                     compatibility: a stream cannot drop samples inside\n"
           "                     itself, so each stretch starts and ends on the audio\n"
           "                     packet boundary nearest its time (at most a packet\n"
           "                     away, often 10 ms or less; standard error\n"
           "                     tells each move), and the decoder blends the packets\n"
           "                     on either side of a join. A chained FILE is refused.\n"
           "                     A Vorbis FILE whose first granule position counts\n"
           "                     fewer samples than its first page gives drops the\n"
           "                     difference there, and so does OUT; kept audio that\n"
           "                     ends on that page is refused.\n"
           "  --chapters         with --one-stream: a chapter comment (CHAPTER001=\n"
           "                     HH:MM:SS.fff) at the start of each kept stretch\n"
           "  --force            replace OUT without asking\n"
           "  --quiet            no progress line\n"
           "  --json             print one JSON document instead of OUT's name: an\n"
           "                     array with one object, {\"source\": FILE, \"file\": OUT,\n"
           "                     \"stretches\": [{\"stretch\", \"title\", \"first_sample\",\n"
           "                     \"end_sample\", \"samples\", \"seconds\",\n"
           "                     \"output_first_sample\", \"output_end_sample\"}, ...]},\n"
           "                     each kept stretch in order: the samples of FILE it holds\n"
           "                     (per channel, from first_sample up to end_sample) and\n"
           "                     where they lie in OUT. With --one-stream each also has\n"
           "                     \"start_moved\" and \"end_moved\", how many samples its\n"
           "                     ends moved (later when positive); {\"source\", \"error\"}\n"
           "                     when FILE was not cut. Errors and progress still go\n"
           "                     to standard error.\n\n" +
           std::string(kRefusedOutputs);
}

int CutCommand::Run(const std::vector<std::string>& arguments)
{
    const Arguments options(arguments, {"--remove", "--keep", "--to"},
                            {"--one-stream", "--chapters", "--force", "--quiet", "--json"},
                            {"--remove", "--keep"});
    if (options.Plain().size() != 1)
        throw UsageError("give one FILE to cut");
    if (options.Has("--remove") == options.Has("--keep"))
        throw UsageError("give the stretches to take out with --remove, or those to keep with --keep, not both");
    const std::string option = options.Has("--remove") ? "--remove" : "--keep";
    const std::string output = options.Require("--to");
    if (options.Has("--chapters") && !options.Has("--one-stream"))
        throw UsageError("--chapters needs --one-stream: a chain's links carry their own comments");

    const auto plan = [&](const std::string& source, const JobControl& /*control*/,
                          JobObserver& observer) -> std::optional<PlannedSource> {
        const MPEGData file = DescribeFileToCut(source);
        CutSections sections = SectionsOfStretches(option, options.Values(option), file);
        CutOptions cut{.Source = SectionsAtSamples(file, std::move(sections.CutPoints)),
                       .Kept = std::move(sections.Kept),
                       .Titles = std::move(sections.Titles),
                       .FileName = output,
                       .OneStream = options.Has("--one-stream"),
                       .Chapters = options.Has("--chapters")};
        JobList jobs = PlanJobs(cut, observer);
        return PlannedSource{file, std::move(jobs)};
    };
    const auto report = [&output](const std::string& source, const PlannedSource& done) -> Json {
        return {{"source", source}, {"file", output}, {"stretches", CutStretchesJson(done.Jobs, done.Source)}};
    };
    return WritingBatch(Name(), options.Has("--quiet"), options.Has("--json"), report)
        .Run(options.Plain(), plan, options.Has("--force"));
}

} // namespace oq::cli
