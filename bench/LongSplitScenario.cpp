#include "bench/Scenarios.h"

#include "bench/PacketFloor.h"
#include "bench/PeerCommands.h"
#include "bench/SplitRun.h"
#include "bench/TimedRounds.h"

#include <cmath>
#include <cstdio>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace oq::bench {

namespace {

constexpr double kPeakSpreadMiB = 1.0; // peaks this close on a 4x longer file: independent of length
constexpr double kOggspltGoal = 0.9;   // engine time / oggsplt time
constexpr double kCliGoal = 0.6;       // whole command-line split process / oggsplt, same cut points
constexpr double kCutGoal = 1.0;       // command-line cut of three stretches / its split of the same file

// Three stretches taken out of a long recording, as fractions of its length:
// an advert, a silence, a false start.
constexpr double kRemovedStretches[][2] = {{0.10, 0.12}, {0.40, 0.41}, {0.75, 0.80}};

// The stretches as `cut` takes them, in seconds with nine decimals, which
// give back the sample positions exactly; `removed` receives their samples.
std::vector<std::string> CliCutCommand(const std::string& program, const std::string& source, std::int64_t total,
                                       long rate, const std::string& output, std::int64_t& removed)
{
    std::vector<std::string> command{program, "cut", source};
    removed = 0;
    for (const auto& stretch : kRemovedStretches) {
        const auto from = static_cast<std::int64_t>(stretch[0] * static_cast<double>(total));
        const auto to = static_cast<std::int64_t>(stretch[1] * static_cast<double>(total));
        removed += to - from;
        char text[64];
        std::snprintf(text, sizeof text, "%.9f,%.9f", static_cast<double>(from) / static_cast<double>(rate),
                      static_cast<double>(to) / static_cast<double>(rate));
        command.insert(command.end(), {"--remove", text});
    }
    command.insert(command.end(), {"--to", output, "--force", "--quiet"});
    return command;
}

std::vector<std::string> CliSplitCommand(const std::string& program, const std::string& source,
                                         const std::vector<std::int64_t>& cuts, const std::string& folder)
{
    std::string samples;
    for (const std::int64_t cut : cuts)
        samples += (samples.empty() ? "" : ",") + std::to_string(cut);
    return {program, "split", source, "--at-samples", samples, "--out", folder, "--force", "--quiet"};
}

// A peer splitter that is installed: its timed run, and what to say of its
// output.
struct Peer {
    std::string Name;
    std::string Folder; // its scratch folder, which its task empties before each run
    std::string Prefix; // of its section files there
    std::string Kind;   // how it cuts
    Task Timed;
};

// The installed peers, each cutting `source` at `cuts`; a note for each one
// that is not installed.
std::vector<Peer> InstalledPeers(const ScenarioSetting& setting, const std::string& source,
                                 const std::vector<std::int64_t>& cuts, long rate, std::vector<std::string>& notes)
{
    std::vector<Peer> peers;
    const auto add = [&](const std::string& program, const std::string& package, Peer peer,
                         const std::function<Task(const std::string& path, const std::string& folder)>& makeTask) {
        const std::string path = FindProgram(program);
        if (path.empty()) {
            notes.push_back(program + " is not installed (package " + package +
                            "; scripts/setup --bench installs it): not compared");
            return;
        }
        peer.Timed = makeTask(path, setting.Scratch(peer.Folder));
        peer.Timed.Prepare = setting.Reset(peer.Folder);
        peers.push_back(std::move(peer));
    };
    add("oggsplt", "mp3splt", {"oggsplt (mp3splt)", "oggsplt", "", "cuts at hundredths, not samples", {}},
        [&](const std::string& path, const std::string& folder) {
            return CommandTask("oggsplt", OggspltCommand(path, source, folder, cuts, rate));
        });
    add("vcut", "vorbis-tools",
        {"vcut, " + std::to_string(cuts.size()) + " runs chained", "vcut", "vcut", "one cut per run", {}},
        [&](const std::string& path, const std::string& folder) {
            return ChainTask("vcut", VcutChain(path, source, folder, cuts));
        });
    add("ffmpeg", "ffmpeg", {"ffmpeg -c copy -f segment", "ffmpeg", "", "cuts at packets", {}},
        [&](const std::string& path, const std::string& folder) {
            return CommandTask("ffmpeg", FfmpegSegmentCommand(path, source, folder, cuts, rate));
        });
    return peers;
}

// The figures the goals are held against; none where a measurement failed
// or did not run.
struct Figures {
    std::optional<Ratio> Floor;
    std::optional<Ratio> Oggsplt;
    std::optional<Ratio> Cli;
    std::optional<Ratio> CutVsSplit;
    std::optional<double> LongPeakMiB;
    std::optional<double> QuarterPeakMiB;
};

std::vector<TargetVerdict> Verdicts(const Figures& figures)
{
    std::vector<TargetVerdict> verdicts = EngineSplitVerdicts("engine", figures.Floor, figures.LongPeakMiB);
    std::optional<double> spread;
    if (figures.LongPeakMiB && figures.QuarterPeakMiB)
        spread = std::abs(*figures.LongPeakMiB - *figures.QuarterPeakMiB);
    TargetVerdict independent = AtMost(
        FormatFigure(kPeakSpreadMiB, "engine peak independent of file length (45 vs 11 min within %.0f MiB)"),
        spread, kPeakSpreadMiB, " MiB");
    if (spread)
        independent.Evidence = FormatFigure(*figures.LongPeakMiB, "%.1f MiB vs ") +
                               FormatFigure(*figures.QuarterPeakMiB, "%.1f MiB");
    verdicts.push_back(independent);
    verdicts.push_back(RatioTarget(FormatFigure(kOggspltGoal, "engine split <= %.1f x oggsplt (45 min)"),
                                   figures.Oggsplt, kOggspltGoal));
    verdicts.push_back(RatioTarget(FormatFigure(kCliGoal, "oggquorvel-cli split process <= %.1f x oggsplt (45 min)"),
                                   figures.Cli, kCliGoal));
    verdicts.push_back(RatioTarget(
        FormatFigure(kCutGoal, "oggquorvel-cli cut of 3 stretches <= %.1f x its split (45 min)"), figures.CutVsSplit,
        kCutGoal));
    return verdicts;
}

} // namespace

Findings SplitLongFile(const ScenarioSetting& setting)
{
    const std::string& source = setting.Material().Long;
    const std::string& quarter = setting.Material().Quarter;
    const std::int64_t total = DecodedLength(source);
    const std::int64_t quarterTotal = DecodedLength(quarter);
    const long rate = SampleRate(source);
    const auto cuts = EqualCutPoints(total, kSections);
    const auto quarterCuts = EqualCutPoints(quarterTotal, kSections);
    Findings findings = setting.Begin(SplitTitle(source, total, rate));
    const std::string floorCopy = setting.Scratch("floor/copy.ogg");
    const std::string engineFolder = setting.Scratch("engine");
    const std::string quarterEngineFolder = setting.Scratch("engine4");

    enum { kIdle, kFloor, kEngine, kCopy, kQuarterFloor, kQuarterEngine };
    std::vector<Task> tasks = {
        ChildTask("idle", [] {}),
        ChildTask("floor", [=] { PassPacketsThroughStreamLayer(source, floorCopy); }, setting.Reset("floor")),
        ChildTask("engine", [=] { SplitWithEngine(source, cuts, engineFolder); }, setting.Reset("engine")),
        CommandTask("cp", {"cp", source, setting.Scratch("cp/copy.ogg")}, setting.Reset("cp")),
        ChildTask("floor/4", [=] { PassPacketsThroughStreamLayer(quarter, floorCopy); }, setting.Reset("floor")),
        ChildTask("engine/4", [=] { SplitWithEngine(quarter, quarterCuts, quarterEngineFolder); },
                  setting.Reset("engine4")),
    };
    // The whole command-line process, on the same cut points and in the same
    // rounds as oggsplt and cp.
    const std::string cli = SiblingProgram("oggquorvel-cli");
    const std::size_t cliTask = tasks.size();
    const std::string cutOutput = setting.Scratch("cut/cut.ogg");
    std::int64_t removed = 0;
    if (!cli.empty()) {
        tasks.push_back(
            CommandTask("cli", CliSplitCommand(cli, source, cuts, setting.Scratch("cli")), setting.Reset("cli")));
        tasks.push_back(CommandTask("cli cut", CliCutCommand(cli, source, total, rate, cutOutput, removed),
                                    setting.Reset("cut")));
    } else
        findings.Notes.push_back("oggquorvel-cli was not built beside oq_bench: the command line is not timed");

    const std::vector<Peer> peers = InstalledPeers(setting, source, cuts, rate, findings.Notes);
    const std::size_t firstPeer = tasks.size();
    for (const Peer& peer : peers)
        tasks.push_back(peer.Timed);

    const std::vector<Measured> results = TimeInRounds(tasks, setting.QuickRounds(), setting.Progress());
    const Measured& engine = results[kEngine];
    const Measured& copy = results[kCopy];
    findings.AddRow("idle child (peak baseline)", results[kIdle], {}, nullptr, "what every child inherits");
    findings.AddRow("libogg packet floor", results[kFloor], "cp", &copy);
    findings.AddRow("cp of the same bytes", copy);
    std::string engineNote = findings.CheckLengths("engine, 45 min", OggFilesIn(engineFolder), total, true);
    if (engine.Ok() && copy.Ok())
        engineNote += FormatFigure(engine.Seconds / copy.Seconds, "; %.1f x cp");
    findings.AddRow("engine split (sample-exact)", engine, "floor", &results[kFloor], engineNote);
    findings.AddRow("libogg packet floor, 1/4 length", results[kQuarterFloor]);
    findings.AddRow(
        "engine split, 1/4 length", results[kQuarterEngine], "floor", &results[kQuarterFloor],
        findings.CheckLengths("engine, 1/4 length", OggFilesIn(quarterEngineFolder), quarterTotal, true));

    Figures figures;
    const Measured* oggsplt = nullptr;
    for (std::size_t k = 0; k < peers.size(); ++k) {
        const Peer& peer = peers[k];
        const Measured& measured = results[firstPeer + k];
        findings.AddPeerRow(
            peer.Name, measured, engine,
            peer.Kind + "; " +
                findings.CheckLengths(peer.Name, OggFilesIn(setting.Scratch(peer.Folder), peer.Prefix), total, false));
        if (peer.Folder == "oggsplt") {
            oggsplt = &measured;
            figures.Oggsplt = RatioOf(engine, measured);
        }
    }
    if (!cli.empty()) {
        const Measured& whole = results[cliTask];
        std::string note =
            findings.CheckLengths("command line, 45 min", OggFilesIn(setting.Scratch("cli")), total, true);
        if (whole.Ok() && copy.Ok())
            note += FormatFigure(whole.Seconds / copy.Seconds, "; %.1f x cp");
        findings.AddRow("oggquorvel-cli split (whole process)", whole, oggsplt ? "oggsplt" : "", oggsplt, note);
        if (oggsplt)
            figures.Cli = RatioOf(whole, *oggsplt);
        const Measured& cut = results[cliTask + 1];
        findings.AddRow("oggquorvel-cli cut, 3 stretches removed", cut, "cli split", &whole,
                        findings.CheckLengths("command-line cut, 45 min", {cutOutput}, total - removed, true));
        figures.CutVsSplit = RatioOf(cut, whole);
    }

    figures.Floor = RatioOf(engine, results[kFloor]);
    figures.LongPeakMiB = PeakMiBOf(engine);
    figures.QuarterPeakMiB = PeakMiBOf(results[kQuarterEngine]);
    findings.Targets = Verdicts(figures);
    return findings;
}

} // namespace oq::bench
