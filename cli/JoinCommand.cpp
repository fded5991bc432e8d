#include "cli/JoinCommand.h"

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "cli/JobSession.h"
#include "jobs/JobList.h"
#include "jobs/JobPlanner.h"

namespace oq::cli {

std::string JoinCommand::Summary() const { return "join Ogg files into one chained file"; }

std::string JoinCommand::Usage() const
{
    return "Usage: oggquorvel-cli join --out OUT IN... [--quiet]\n\n"
           "Appends the bytes of the Ogg Vorbis files IN, or of the Ogg Opus files IN, in\n"
           "the order given, into OUT (a chained Ogg stream), replacing OUT if it exists.\n" +
           std::string(kRefusedOutputs);
}

int JoinCommand::Run(const std::vector<std::string>& arguments)
{
    const Arguments options(arguments, {"--out"}, {"--quiet"});
    if (options.Plain().empty())
        throw UsageError("give the files to join");
    JoinOptions join;
    join.OutputFile = options.Require("--out");
    join.Files = DescribeInputs(options.Plain());

    JobSession session(options.Has("--quiet"));
    JobList jobs = PlanJobs(join, session.Observer());
    return session.RunPlan(jobs);
}

} // namespace oq::cli
