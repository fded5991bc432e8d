#include "bench/Scenarios.h"

#include "bench/ChildRun.h"
#include "bench/PeerCommands.h"
#include "bench/SplitRun.h"
#include "bench/TimedRounds.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace oq::bench {

namespace {

// Twenty recordings of a few minutes: the long file cut in twenty.
constexpr int kBatchFiles = 20;

std::vector<std::string> SplitCommand(const std::string& cli, const std::vector<std::string>& sources,
                                      const std::string& folder)
{
    std::vector<std::string> command{cli, "split"};
    command.insert(command.end(), sources.begin(), sources.end());
    command.insert(command.end(), {"--count", std::to_string(kSections), "--out", folder, "--quiet", "--force"});
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

// Twenty files split in one run of the command line, against the same files
// split by a loop of one run each (the shell loop the batch replaces) and by
// a loop of oggsplt, and against two runs of half the files side by side:
// what working on two files at a time on two cores would gain. Read the last
// beside the headroom row: on a busy machine a second core gives little.
Findings SplitBatch(const ScenarioSetting& setting)
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
    const auto half = sources.begin() + static_cast<std::ptrdiff_t>(sources.size() / 2);
    const std::vector<std::string> first(sources.begin(), half);
    const std::vector<std::string> second(half, sources.end());
    std::vector<Task> tasks{
        CommandTask("batch", SplitCommand(cli, sources, out), setting.Reset("batch")),
        ChainTask("cli loop", cliLoop, setting.Reset("batch")),
        ChildTask(
            "two at a time",
            [=] {
                ChildOutcome halves[2];
                std::jthread other([&] { halves[1] = RunCommand(SplitCommand(cli, second, out)); });
                halves[0] = RunCommand(SplitCommand(cli, first, out));
                other.join();
                if (!halves[0].Ok() || !halves[1].Ok())
                    throw std::runtime_error("a half failed: " + halves[0].Errors + halves[1].Errors);
            },
            setting.Reset("batch"))};
    if (!peerLoop.empty())
        tasks.push_back(ChainTask("oggsplt loop", peerLoop, setting.Reset("batch")));
    const std::vector<Measured> results = TimeInRounds(tasks, setting.Runs(), setting.Progress());
    findings.AddRow("one run of the command line over all files", results[0], {}, nullptr, "reference");
    findings.AddRow("a loop of one run per file", results[1], "batch", &results[0]);
    findings.AddRow("two runs of half the files side by side", results[2], "batch", &results[0], CoresUsed(results[2]));
    if (results.size() > 3)
        findings.AddPeerRow("a loop of oggsplt, one run per file", results[3], results[0], "cuts at hundredths");
    else
        findings.Notes.push_back("oggsplt is not installed: the peer loop was not timed");
    return findings;
}

} // namespace oq::bench
