#include "bench/Scenarios.h"

#include "bench/ChildRun.h"
#include "bench/PeerCommands.h"
#include "bench/SplitRun.h"
#include "bench/TimedRounds.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace oq::bench {

namespace {

// Twenty recordings of a few minutes: the long file cut in twenty.
constexpr int kBatchFiles = 20;
// Two files at a time / one at a time, wall time. Two workers on two free
// cores would take 0.5; what the two share (the disk, the planning of every
// file before the first is written, the start of the process) keeps the
// ratio above that.
constexpr double kTwoAtATimeGoal = 0.7;

std::vector<std::string> SplitCommand(const std::string& cli, const std::vector<std::string>& sources,
                                      const std::string& folder, const std::string& jobs = "1")
{
    std::vector<std::string> command{cli, "split"};
    command.insert(command.end(), sources.begin(), sources.end());
    command.insert(command.end(), {"--count", std::to_string(kSections), "--out", folder, "--quiet", "--force",
                                   "--jobs", jobs});
    return command;
}

// The batch's recordings, made once into the material folder.
std::vector<std::string> BatchSources(const ScenarioSetting& setting)
{
    const std::string folder = setting.Material().Folder + "/batch";
    if (!std::filesystem::is_directory(folder) || OggFilesIn(folder).size() != static_cast<std::size_t>(kBatchFiles)) {
        ResetFolder(folder);
        const auto total = DecodedLength(setting.Material().Long);
        SplitWithEngine(setting.Material().Long, EqualCutPoints(total, kBatchFiles), folder);
    }
    return OggFilesIn(folder);
}

} // namespace

// Twenty files split in one run of the command line one at a time, against
// the same run writing two at a time, a loop of one run per file (the shell
// loop the batch replaces) and a loop of oggsplt. Read the two at a time
// beside the headroom row: on a busy machine a second core gives little.
Findings SplitBatch(const ScenarioSetting& setting, std::optional<double> twoThreadShare)
{
    Findings findings;
    const std::string cli = SiblingProgram("oggquorvel-cli");
    if (cli.empty())
        return findings;
    const std::vector<std::string> sources = BatchSources(setting);
    const long rate = SampleRate(sources.front());
    findings = setting.Begin(std::to_string(sources.size()) + " files split into " + std::to_string(kSections) +
                             " sections each");
    const std::string out = setting.Scratch("batch");
    std::vector<std::vector<std::string>> cliLoop;
    std::vector<std::vector<std::string>> peerLoop;
    const std::string oggsplt = FindProgram("oggsplt");
    for (const std::string& source : sources) {
        cliLoop.push_back(SplitCommand(cli, {source}, out));
        if (!oggsplt.empty())
            peerLoop.push_back(OggspltCommand(oggsplt, source,
                                              out + "/" + std::filesystem::path(source).stem().string(),
                                              EqualCutPoints(DecodedLength(source), kSections), rate));
    }
    std::vector<Task> tasks{CommandTask("one at a time", SplitCommand(cli, sources, out), setting.Reset("batch")),
                            CommandTask("two at a time", SplitCommand(cli, sources, out, "2"), setting.Reset("batch")),
                            ChainTask("cli loop", cliLoop, setting.Reset("batch"))};
    if (!peerLoop.empty())
        tasks.push_back(ChainTask("oggsplt loop", peerLoop, setting.Reset("batch")));
    const std::vector<Measured> results = TimeInRounds(tasks, setting.Runs(), setting.Progress());
    findings.AddRow("one run of the command line, one file at a time", results[0], {}, nullptr, "reference");
    findings.AddRow("one run, two files at a time (--jobs 2)", results[1], "one at a time", &results[0],
                    CoresUsed(results[1]));
    findings.AddRow("a loop of one run per file", results[2], "one at a time", &results[0]);
    if (results.size() > 3)
        findings.AddPeerRow("a loop of oggsplt, one run per file (against two at a time)", results[3], results[1],
                            "cuts at hundredths");
    else
        findings.Notes.push_back("oggsplt is not installed: the peer loop was not timed");
    TargetVerdict twoAtATime =
        RatioTarget(FormatFigure(kTwoAtATimeGoal, "batch of 20 files two at a time <= %.1f x one at a time"),
                    RatioOf(results[1], results[0]), kTwoAtATimeGoal);
    if (twoThreadShare)
        twoAtATime.Evidence +=
            FormatFigure(*twoThreadShare, "; two threads took %.2f x the time of one for the same arithmetic");
    findings.Targets.push_back(std::move(twoAtATime));
    return findings;
}

} // namespace oq::bench
