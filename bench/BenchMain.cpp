// Times the section engine against the least work a lossless rewrite needs
// and against peer tools, and records decoding references, on generated
// material. Every figure is the median of several runs, each in a child
// process of its own, and is shown next to a reference measured in the same
// run, because these machines are shared and their absolute speed varies.

#include "bench/BenchMaterial.h"
#include "bench/BenchReport.h"
#include "bench/ChildRun.h"
#include "bench/PacketFloor.h"
#include "bench/PeerCommands.h"
#include "bench/SplitRun.h"
#include "bench/TimedRounds.h"
#include "bench/ToolWork.h"
#include "model/MarkerList.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>
#include <vorbis/vorbisfile.h>

namespace oq::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kSections = 10;
constexpr int kDefaultRuns = 5;
constexpr double kFloorGoal = 1.2;      // engine time / libogg packet floor
constexpr double kPeakGoalMiB = 16.0;
constexpr double kPeakSpreadMiB = 1.0;  // peaks this close on a 4x longer file: independent of length
constexpr double kOggspltGoal = 0.9;    // engine time / oggsplt time
constexpr double kCliGoal = 0.6;        // whole command-line split process / oggsplt, same cut points
constexpr double kInfoGoalMs = 5.0;     // command-line info process beyond the libvorbisfile open alone
constexpr double kDecodeGoal = 0.6;     // profile or WAV time / oggdec time
constexpr double kOpenGoal = 0.65;      // desktop program's open-to-waveform time / oggdec time
constexpr double kFrameMs = 1000.0 / 60; // one frame of a 60 Hz screen: an event handled within it looks smooth
constexpr std::uint64_t kBusyIterations = 400'000'000; // about a second of arithmetic on one core
constexpr std::size_t kWarmBlockBytes = 65536;

struct Options {
    int Runs = kDefaultRuns;
    std::string CacheRoot;
};

std::string Fixed(double value, const char* format)
{
    char text[160];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string SignedText(std::int64_t value)
{
    return (value > 0 ? "+" : "") + std::to_string(value);
}

std::string MinutesText(std::int64_t samples, long rate)
{
    const std::int64_t seconds = rate > 0 ? samples / rate : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

// The system's one-minute load average, -1 when it does not tell.
double LoadAverage()
{
    std::ifstream in("/proc/loadavg");
    double load = -1;
    in >> load;
    return in ? load : -1;
}

// Reads a file once so that the first timed run does not pay for the disk.
void Warm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char block[kWarmBlockBytes];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
    }
}

std::int64_t CountLines(const std::string& path)
{
    std::ifstream in(path);
    std::int64_t lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines;
}

// The command-line program built beside this one; empty when it is not.
std::string CliProgram()
{
    const fs::path path = fs::read_symlink("/proc/self/exe").parent_path() / "oggquorvel-cli";
    return fs::exists(path) ? path.string() : std::string();
}

std::vector<std::string> CliSplitCommand(const std::string& program, const std::string& source,
                                         const std::vector<std::int64_t>& cuts, const std::string& folder)
{
    std::string samples;
    for (const std::int64_t cut : cuts)
        samples += (samples.empty() ? "" : ",") + std::to_string(cut);
    return {program, "split", source, "--at-samples", samples, "--out", folder, "--force", "--quiet"};
}

class BenchRun {
public:
    BenchRun(BenchMaterial material, int runs) : material_(std::move(material)), runs_(runs) {}

    void Run()
    {
        for (const std::string& file : {material_.Long, material_.Quarter, material_.Mono, material_.Surround, material_.LongOpus})
            Warm(file);
        for (const std::string& file : OggFilesIn(material_.ShortFolder))
            Warm(file);
        const double loadBefore = LoadAverage();
        std::cout << "measuring: medians of " << QuickRounds() << " rounds (decoding: " << runs_ << "), "
                  << std::thread::hardware_concurrency() << " cores, load average " << loadBefore << "\n";
        SplitLong();
        OpenWithCli();
        SplitOther("mono", material_.Mono);
        SplitOther("6 channels", material_.Surround);
        const auto [opusFloor, opusEngine] = SplitOther("Opus", material_.LongOpus);
        if (opusFloor.Ok() && opusEngine.Ok()) {
            opusFloorRatio_ = RatioOf(opusEngine, opusFloor);
            opusPeak_ = ToMiB(opusEngine.Peak);
        }
        Headroom();
        Decoding();
        OpusDecoding();
        Desktop();
        Catalog();
        fs::remove_all(material_.Scratch);
        report_.AddNote(Fixed(loadBefore, "load average %.1f") + Fixed(LoadAverage(), " before, %.1f after the run") +
                        " on " + std::to_string(std::thread::hardware_concurrency()) +
                        " cores: wall times stretch with load, processor times much less");
        AddTargets();
        std::cout << "\n";
        report_.Print(std::cout);
    }

private:
    // Measurements under a second are cheap, so they get more rounds.
    int QuickRounds() const { return 2 * runs_ + 1; }
    std::string Scratch(const std::string& name) const { return material_.Scratch + "/" + name; }
    std::function<void()> Reset(const std::string& folder) const
    {
        return [folder = Scratch(folder)] { ResetFolder(folder); };
    }

    // A row for `measured`, with its ratio to `reference` when both ran.
    void AddRow(const std::string& name, const Measured& measured, const std::string& referenceName = {},
                const Measured* reference = nullptr, const std::string& note = {})
    {
        ReportRow row;
        row.Name = name;
        row.Note = note;
        if (!measured.Ok()) {
            row.Note = measured.Failure;
            report_.AddRow(row);
            return;
        }
        row.Seconds = measured.Seconds;
        row.CpuSeconds = measured.CpuSeconds;
        row.PeakMiB = ToMiB(measured.Peak);
        if (reference && reference->Ok() && reference->Seconds > 0) {
            row.Reference = referenceName;
            row.Ratio = measured.Seconds / reference->Seconds;
        }
        report_.AddRow(row);
    }

    // A peer's row: its ratio is ours to theirs.
    void AddPeerRow(const std::string& name, const Measured& peer, const Measured& engine, const std::string& note)
    {
        AddRow(name, peer, {}, nullptr, note);
        if (peer.Ok() && engine.Ok()) {
            ReportRow& row = report_.LastRow();
            row.Reference = "engine/this";
            row.Ratio = engine.Seconds / peer.Seconds;
        }
    }

    // Compares the decoded lengths of a split's sections with the source's.
    std::string CheckLengths(const std::string& what, const std::vector<std::string>& sections,
                             std::int64_t sourceLength, bool mustBeExact)
    {
        std::int64_t total = 0;
        for (const std::string& section : sections) {
            const std::int64_t length = DecodedLength(section);
            if (length < 0) {
                if (mustBeExact)
                    lengthProblems_.push_back(what + ": " + section + " does not decode");
                return section + " does not decode";
            }
            total += length;
        }
        const std::int64_t difference = total - sourceLength;
        if (mustBeExact) {
            ++lengthChecks_;
            if (difference != 0 || sections.empty())
                lengthProblems_.push_back(what + ": sections decode to " + SignedText(difference) + " samples");
        }
        return std::to_string(sections.size()) + " sections, " +
               (difference == 0 ? std::string("decoded length exact")
                                : "decoded length " + SignedText(difference) + " samples");
    }

    std::string Title(const std::string& source, std::int64_t total, long rate) const
    {
        return "Split into " + std::to_string(kSections) + " equal sections: " +
               fs::path(source).filename().string() + " (" + MinutesText(total, rate) +
               Fixed(static_cast<double>(fs::file_size(source)) / 1e6, ", %.1f MB)");
    }

    void SplitLong()
    {
        const std::string& source = material_.Long;
        const std::string& quarter = material_.Quarter;
        const std::int64_t total = DecodedLength(source);
        const std::int64_t quarterTotal = DecodedLength(quarter);
        const long rate = SampleRate(source);
        const auto cuts = EqualCutPoints(total, kSections);
        const auto quarterCuts = EqualCutPoints(quarterTotal, kSections);
        const std::string title = Title(source, total, rate);
        report_.AddSection(title);
        std::cout << title << "\n";

        enum { kIdle, kFloor, kEngine, kCopy, kQuarterFloor, kQuarterEngine };
        std::vector<Task> tasks = {
            ChildTask("idle", [] {}),
            ChildTask("floor", [=, this] { PassPacketsThroughStreamLayer(source, Scratch("floor/copy.ogg")); },
                      Reset("floor")),
            ChildTask("engine", [=, this] { SplitWithEngine(source, cuts, Scratch("engine")); }, Reset("engine")),
            CommandTask("cp", {"cp", source, Scratch("cp/copy.ogg")}, Reset("cp")),
            ChildTask("floor/4", [=, this] { PassPacketsThroughStreamLayer(quarter, Scratch("floor/copy.ogg")); },
                      Reset("floor")),
            ChildTask("engine/4", [=, this] { SplitWithEngine(quarter, quarterCuts, Scratch("engine4")); },
                      Reset("engine4")),
        };
        // Peers, when installed, with what to say of their output.
        struct Peer {
            std::string Name;
            std::string Folder;
            std::string Prefix;
            std::string Kind;
        };
        std::vector<Peer> peers;
        auto addPeer = [&](const std::string& program, const std::string& package, Peer peer,
                           const std::function<Task(const std::string& path)>& makeTask) {
            const std::string path = FindProgram(program);
            if (path.empty()) {
                NotInstalled(program, package);
                return;
            }
            tasks.push_back(makeTask(path));
            peers.push_back(std::move(peer));
        };
        // The whole command-line process, on the same cut points and in
        // the same rounds as oggsplt and cp.
        const std::string cli = CliProgram();
        const std::size_t cliTask = tasks.size();
        if (!cli.empty())
            tasks.push_back(CommandTask("cli", CliSplitCommand(cli, source, cuts, Scratch("cli")), Reset("cli")));
        else
            report_.AddNote("oggquorvel-cli was not built beside oq_bench: the command line is not timed");
        const std::size_t firstPeer = tasks.size();
        addPeer("oggsplt", "mp3splt", {"oggsplt (mp3splt)", "oggsplt", "", "cuts at hundredths, not samples"},
                [&](const std::string& path) {
                    return CommandTask("oggsplt", OggspltCommand(path, source, Scratch("oggsplt"), cuts, rate),
                                       Reset("oggsplt"));
                });
        addPeer("vcut", "vorbis-tools",
                {"vcut, " + std::to_string(cuts.size()) + " runs chained", "vcut", "vcut", "one cut per run"},
                [&](const std::string& path) {
                    return ChainTask("vcut", VcutChain(path, source, Scratch("vcut"), cuts), Reset("vcut"));
                });
        addPeer("ffmpeg", "ffmpeg", {"ffmpeg -c copy -f segment", "ffmpeg", "", "cuts at packets"},
                [&](const std::string& path) {
                    return CommandTask("ffmpeg", FfmpegSegmentCommand(path, source, Scratch("ffmpeg"), cuts, rate),
                                       Reset("ffmpeg"));
                });

        const std::vector<Measured> results = TimeInRounds(tasks, QuickRounds(), std::cout);
        const Measured& engine = results[kEngine];
        const Measured& copy = results[kCopy];
        AddRow("idle child (peak baseline)", results[kIdle], {}, nullptr, "what every child inherits");
        AddRow("libogg packet floor", results[kFloor], "cp", &copy);
        AddRow("cp of the same bytes", copy);
        std::string engineNote = CheckLengths("engine, 45 min", OggFilesIn(Scratch("engine")), total, true);
        if (engine.Ok() && copy.Ok())
            engineNote += Fixed(engine.Seconds / copy.Seconds, "; %.1f x cp");
        AddRow("engine split (sample-exact)", engine, "floor", &results[kFloor], engineNote);
        AddRow("libogg packet floor, 1/4 length", results[kQuarterFloor]);
        AddRow("engine split, 1/4 length", results[kQuarterEngine], "floor", &results[kQuarterFloor],
               CheckLengths("engine, 1/4 length", OggFilesIn(Scratch("engine4")), quarterTotal, true));
        const Measured* oggsplt = nullptr;
        for (std::size_t k = 0; k < peers.size(); ++k) {
            const Peer& peer = peers[k];
            const Measured& measured = results[firstPeer + k];
            AddPeerRow(peer.Name, measured, engine,
                       peer.Kind + "; " +
                           CheckLengths(peer.Name, OggFilesIn(Scratch(peer.Folder), peer.Prefix), total, false));
            if (peer.Folder == "oggsplt" && engine.Ok() && measured.Ok())
                oggspltRatio_ = {engine.Seconds / measured.Seconds, engine.CpuSeconds / measured.CpuSeconds};
            if (peer.Folder == "oggsplt")
                oggsplt = &measured;
        }

        if (!cli.empty()) {
            const Measured& whole = results[cliTask];
            std::string note = CheckLengths("command line, 45 min", OggFilesIn(Scratch("cli")), total, true);
            if (whole.Ok() && copy.Ok())
                note += Fixed(whole.Seconds / copy.Seconds, "; %.1f x cp");
            AddRow("oggquorvel-cli split (whole process)", whole, oggsplt ? "oggsplt" : "", oggsplt, note);
            if (oggsplt)
                cliRatio_ = RatioOf(whole, *oggsplt);
        }

        if (engine.Ok() && results[kFloor].Ok())
            floorRatio_ = {engine.Seconds / results[kFloor].Seconds, engine.CpuSeconds / results[kFloor].CpuSeconds};
        if (engine.Ok())
            longPeak_ = ToMiB(engine.Peak);
        if (results[kQuarterEngine].Ok())
            quarterPeak_ = ToMiB(results[kQuarterEngine].Peak);
    }

    // What `info` costs beyond opening the file with libvorbisfile: the open
    // alone runs in a forked child, `info` as a whole process (its start
    // included).
    void OpenWithCli()
    {
        const std::string cli = CliProgram();
        if (cli.empty())
            return;
        const std::string source = material_.Long;
        report_.AddSection("Command line: information on the 45-minute file");
        std::vector<Task> tasks = {
            ChildTask("ov_fopen", [=] {
                OggVorbis_File file;
                if (ov_fopen(source.c_str(), &file) != 0)
                    throw std::runtime_error("ov_fopen failed");
                ov_clear(&file);
            }),
            CommandTask("cli info", {cli, "info", source}),
        };
        const std::vector<Measured> results = TimeInRounds(tasks, QuickRounds(), std::cout);
        AddRow("libvorbisfile open (ov_fopen, ov_clear)", results[0]);
        AddRow("oggquorvel-cli info (whole process)", results[1], "open", &results[0]);
        if (results[0].Ok() && results[1].Ok())
            infoBeyondOpenMs_ = (results[1].Seconds - results[0].Seconds) * 1000;
    }

    void NotInstalled(const std::string& program, const std::string& package)
    {
        report_.AddNote(program + " is not installed (package " + package +
                        "; scripts/setup --bench installs it): not compared");
    }

    // The packet floor's and the engine split's measurements.
    std::pair<Measured, Measured> SplitOther(const std::string& label, const std::string& source)
    {
        const std::int64_t total = DecodedLength(source);
        const auto cuts = EqualCutPoints(total, kSections);
        const std::string title = Title(source, total, SampleRate(source));
        report_.AddSection(title);
        std::cout << title << "\n";
        const std::vector<Measured> results = TimeInRounds(
            {ChildTask("floor", [=, this] { PassPacketsThroughStreamLayer(source, Scratch("floor/copy.ogg")); },
                       Reset("floor")),
             ChildTask("engine", [=, this] { SplitWithEngine(source, cuts, Scratch("engine")); }, Reset("engine"))},
            QuickRounds(), std::cout);
        AddRow("libogg packet floor", results[0]);
        AddRow("engine split (sample-exact)", results[1], "floor", &results[0],
               CheckLengths("engine, " + label, OggFilesIn(Scratch("engine")), total, true));
        return {results[0], results[1]};
    }

    // Whether two threads get twice the work done of one right now: on a
    // machine shared with other sessions they may not, and no parallel
    // decoding can then beat one thread by more than this.
    void Headroom()
    {
        const std::string title = "Two cores: the same arithmetic on one thread and split over two";
        report_.AddSection(title);
        std::cout << title << "\n";
        const std::vector<Measured> results = TimeInRounds(
            {ChildTask("1 thread", [] { BusyWork(1, kBusyIterations); }),
             ChildTask("2 threads", [] { BusyWork(2, kBusyIterations); })},
            QuickRounds(), std::cout);
        AddRow("arithmetic, 1 thread", results[0]);
        AddRow("arithmetic, split over 2 threads", results[1], "1 thread", &results[0],
               "below 0.6: decoding on two cores can meet its 0.6 goals here");
        if (results[0].Ok() && results[1].Ok())
            headroom_ = results[1].Seconds / results[0].Seconds;
    }

    void Decoding()
    {
        const std::string& source = material_.Long;
        const std::string title = "Decoding references: " + fs::path(source).filename().string();
        report_.AddSection(title);
        std::cout << title << "\n";
        std::vector<Task> tasks = {ChildTask("ov_read", [=] { DecodeWholeFile(source); })};
        enum { kPlain, kOggdec, kOggdecWav, kProfile, kWav, kLoudness };
        const std::string oggdec = FindProgram("oggdec");
        if (oggdec.empty() || !kHaveAmplitudeProfile || !kHaveWavWriter) {
            report_.AddNote("oggdec (package vorbis-tools), the amplitude profile or the WAV writer is missing: "
                            "only ov_read timed");
            AddRow("ov_read decode (libvorbisfile)", TimeInRounds(tasks, runs_, std::cout)[kPlain]);
            return;
        }
        const std::string oggdecWav = Scratch("oggdec-wav/long.wav");
        const std::string ourWav = Scratch("wav/long.wav");
        tasks.push_back(CommandTask("oggdec", {oggdec, "-Q", "-o", "/dev/null", source}));
        tasks.push_back(CommandTask("oggdec-wav", {oggdec, "-Q", "-o", oggdecWav, source}, Reset("oggdec-wav")));
        tasks.push_back(ChildTask("profile", [=] { ProfileWholeFile(source); }));
        tasks.push_back(ChildTask("wav", [=] { ConvertWholeFileToWav(source, ourWav); }, Reset("wav")));
        const auto cuts = EqualCutPoints(DecodedLength(source), kSections);
        tasks.push_back(ChildTask("loudness", [=] { MeasureLoudnessOf(source, cuts); }));

        const std::vector<Measured> results = TimeInRounds(tasks, runs_, std::cout);
        const bool sameData = SameWavData(ourWav, oggdecWav);
        fs::remove_all(Scratch("wav"));
        fs::remove_all(Scratch("oggdec-wav"));
        const Measured& plain = results[kPlain];
        AddRow("ov_read decode (libvorbisfile)", plain, {}, nullptr, "reference for decoding work");
        AddRow("oggdec -o /dev/null", results[kOggdec], "ov_read", &plain);
        AddRow("oggdec writing the WAV file", results[kOggdecWav], "ov_read", &plain);
        AddRow("amplitude profile", results[kProfile], "oggdec", &results[kOggdec], CoresUsed(results[kProfile]));
        AddRow("WAV conversion", results[kWav], "oggdec WAV", &results[kOggdecWav],
               CoresUsed(results[kWav]) + (sameData ? "; samples identical to oggdec's" : "; SAMPLES DIFFER FROM OGGDEC'S"));
        AddRow("loudness of 10 sections (--replaygain)", results[kLoudness], "ov_read", &plain,
               CoresUsed(results[kLoudness]));
        profileRatio_ = RatioOf(results[kProfile], results[kOggdec]);
        wavRatio_ = RatioOf(results[kWav], results[kOggdecWav]);
        wavIdentical_ = sameData;
    }

    // The 45-minute Opus file against opusdec on the same file. opusdec
    // writes undithered 16-bit samples as the program does.
    void OpusDecoding()
    {
        const std::string& source = material_.LongOpus;
        const std::string title = "Opus decoding: " + fs::path(source).filename().string();
        report_.AddSection(title);
        std::cout << title << "\n";
        const std::string opusdec = FindProgram("opusdec");
        if (opusdec.empty() || !kHaveAmplitudeProfile || !kHaveWavWriter) {
            report_.AddNote("opusdec (package opus-tools), the amplitude profile or the WAV writer is missing: "
                            "Opus decoding not timed");
            return;
        }
        enum { kOpusdec, kOpusdecWav, kProfile, kWav };
        const std::string opusdecWav = Scratch("opusdec-wav/long.wav");
        const std::string ourWav = Scratch("wav/long.wav");
        const std::vector<Task> tasks = {
            CommandTask("opusdec", {opusdec, "--quiet", "--no-dither", source, "/dev/null"}),
            CommandTask("opusdec-wav", {opusdec, "--quiet", "--no-dither", source, opusdecWav}, Reset("opusdec-wav")),
            ChildTask("profile", [=] { ProfileWholeFile(source); }),
            ChildTask("wav", [=] { ConvertWholeFileToWav(source, ourWav); }, Reset("wav"))};
        const std::vector<Measured> results = TimeInRounds(tasks, runs_, std::cout);
        const bool sameData = SameWavData(ourWav, opusdecWav);
        fs::remove_all(Scratch("wav"));
        fs::remove_all(Scratch("opusdec-wav"));
        AddRow("opusdec to /dev/null", results[kOpusdec]);
        AddRow("opusdec writing the WAV file", results[kOpusdecWav]);
        AddRow("amplitude profile", results[kProfile], "opusdec", &results[kOpusdec], CoresUsed(results[kProfile]));
        AddRow("WAV conversion", results[kWav], "opusdec WAV", &results[kOpusdecWav],
               CoresUsed(results[kWav]) + (sameData ? "; samples identical to opusdec's" : "; samples differ from opusdec's"));
        opusProfileRatio_ = RatioOf(results[kProfile], results[kOpusdec]);
        opusWavRatio_ = RatioOf(results[kWav], results[kOpusdecWav]);
    }

    // The desktop program's timing tool, built beside this one with the GUI.
    static std::string DesktopBenchProgram()
    {
        const fs::path program = fs::read_symlink("/proc/self/exe").parent_path() / "oq_gui_bench";
        return fs::exists(program) ? program.string() : std::string();
    }

    void Desktop()
    {
        const std::string program = DesktopBenchProgram();
        const std::string oggdec = FindProgram("oggdec");
        if (program.empty() || oggdec.empty()) {
            report_.AddNote("oq_gui_bench (built with the desktop program) or oggdec (package vorbis-tools) is "
                            "missing: the desktop program not timed");
            return;
        }
        OpenInDesktop(program, oggdec);
        EditMarkersInDesktop(program);
    }

    void OpenInDesktop(const std::string& program, const std::string& oggdec)
    {
        const std::string& source = material_.Long;
        const std::string title = "Desktop program: opening " + fs::path(source).filename().string() +
                                  " until its waveform is drawn";
        report_.AddSection(title);
        std::cout << title << "\n";
        ResetFolder(Scratch("desktop"));
        const std::vector<Measured> results = TimeInRounds(
            {CommandTask("oggdec", {oggdec, "-Q", "-o", "/dev/null", source}),
             SelfTimedTask("open", {program, "open", source, Scratch("desktop/open.txt")}, Scratch("desktop/open.txt"),
                           "opened")},
            runs_, std::cout);
        AddRow("oggdec -o /dev/null", results[0]);
        AddRow("open to waveform drawn", results[1], "oggdec", &results[0],
               CoresUsed(results[1]) + "; from the open call, the program already started");
        openRatio_ = RatioOf(results[1], results[0]);
    }

    // The time per event of marker editing with the most markers a file can
    // have; peak and processor time are not of interest here.
    void EditMarkersInDesktop(const std::string& program)
    {
        const std::string& source = material_.Mono;
        const std::string title = "Desktop program: " + std::to_string(MarkerList::kMaxMarkers) + " markers on " +
                                  fs::path(source).filename().string() + ", time per event";
        report_.AddSection(title);
        std::cout << title << "\n";
        const std::string reportPath = Scratch("desktop/markers.txt");
        const std::vector<std::string> figures = {"full_repaint", "drag_move", "nudge"};
        std::vector<std::vector<ChildOutcome>> runs(figures.size());
        for (int round = 1; round <= QuickRounds(); ++round) {
            fs::remove(reportPath);
            const ChildOutcome outcome = RunCommand({program, "markers", source, reportPath});
            const auto read = ReadFigures(reportPath);
            if (!outcome.Ok() || read.size() < figures.size()) {
                report_.AddNote("marker editing in the desktop program failed: " + outcome.Errors);
                return;
            }
            std::cout << "  round " << round << "/" << QuickRounds() << ":";
            for (std::size_t k = 0; k < figures.size(); ++k) {
                ChildOutcome figure;
                figure.Seconds = read.at(figures[k]);
                runs[k].push_back(figure);
                std::cout << " " << figures[k] << Fixed(read.at(figures[k]) * 1000, " %.3f ms");
            }
            std::cout << "\n";
        }
        const double full = MedianSeconds(runs[0]);
        const auto addEventRow = [&](const std::string& name, double seconds, bool againstFull) {
            ReportRow row;
            row.Name = name;
            row.Seconds = seconds;
            if (againstFull && full > 0) {
                row.Reference = "full paint";
                row.Ratio = seconds / full;
            }
            row.Note = Fixed(seconds * 1000, "%.3f ms; ") + Fixed(seconds * 1000 / kFrameMs * 100, "%.1f %% of a 60 Hz frame");
            report_.AddRow(row);
        };
        addEventRow("full repaint of the display", full, false);
        addEventRow("drag move (marker held)", MedianSeconds(runs[1]), true);
        addEventRow("nudge", MedianSeconds(runs[2]), true);
        slowestEditMs_ = std::max(MedianSeconds(runs[1]), MedianSeconds(runs[2])) * 1000;
    }

    static std::string CoresUsed(const Measured& measured)
    {
        return measured.Ok() && measured.Seconds > 0 ? Fixed(measured.CpuSeconds / measured.Seconds, "%.2f cores busy")
                                                     : std::string();
    }

    void Catalog()
    {
        if (!kHaveCatalog) {
            report_.AddNote("catalog: not in this build yet, not timed");
            return;
        }
        const std::string& folder = material_.ShortFolder;
        const auto files = OggFilesIn(folder);
        const std::string title = "Catalog of a folder of " + std::to_string(files.size()) + " short files";
        report_.AddSection(title);
        std::cout << title << "\n";
        const std::string output = Scratch("catalog/catalog.csv");
        const std::vector<Measured> results =
            TimeInRounds({ChildTask("open", [=] { MeasureEachFile(folder); }),
                          ChildTask("catalog", [=] { WriteCatalogOf(folder, output); }, Reset("catalog"))},
                         QuickRounds(), std::cout);
        AddRow("open + length of each file", results[0], {}, nullptr, "reference: the decoder library alone");
        std::string note;
        if (results[1].Ok()) {
            const std::int64_t lines = CountLines(output);
            note = std::to_string(std::lround(static_cast<double>(files.size()) / results[1].Seconds)) +
                   " files/s; " + std::to_string(lines) + " lines written";
            if (lines < static_cast<std::int64_t>(files.size()))
                note += " (FEWER THAN FILES)";
        }
        AddRow("catalog (CSV template)", results[1], "open", &results[0], note);
    }

    // Wall and processor time ratios of one comparison.
    struct Ratio {
        double Wall = 0;
        double Cpu = 0;
    };

    static std::optional<Ratio> RatioOf(const Measured& measured, const Measured& reference)
    {
        if (!measured.Ok() || !reference.Ok() || reference.Seconds <= 0 || reference.CpuSeconds <= 0)
            return std::nullopt;
        return Ratio{measured.Seconds / reference.Seconds, measured.CpuSeconds / reference.CpuSeconds};
    }

    static TargetVerdict RatioTarget(const std::string& goal, const std::optional<Ratio>& ratio, double limit)
    {
        TargetVerdict verdict = AtMost(goal, ratio ? std::optional(ratio->Wall) : std::nullopt, limit, " x");
        if (ratio)
            verdict.Evidence += Fixed(ratio->Cpu, " wall; %.2f x processor time");
        return verdict;
    }

    void AddTargets()
    {
        report_.AddTarget(RatioTarget(Fixed(kFloorGoal, "engine split <= %.1f x libogg packet floor (45 min)"),
                                      floorRatio_, kFloorGoal));
        report_.AddTarget(AtMost(Fixed(kPeakGoalMiB, "engine peak memory under %.0f MiB (45 min)"), longPeak_,
                                 kPeakGoalMiB, " MiB"));
        std::optional<double> spread;
        if (longPeak_ && quarterPeak_)
            spread = std::abs(*longPeak_ - *quarterPeak_);
        TargetVerdict independent =
            AtMost(Fixed(kPeakSpreadMiB, "engine peak independent of file length (45 vs 11 min within %.0f MiB)"),
                   spread, kPeakSpreadMiB, " MiB");
        if (spread)
            independent.Evidence = Fixed(*longPeak_, "%.1f MiB vs ") + Fixed(*quarterPeak_, "%.1f MiB");
        report_.AddTarget(independent);
        report_.AddTarget(
            RatioTarget(Fixed(kOggspltGoal, "engine split <= %.1f x oggsplt (45 min)"), oggspltRatio_, kOggspltGoal));
        report_.AddTarget(RatioTarget(Fixed(kCliGoal, "oggquorvel-cli split process <= %.1f x oggsplt (45 min)"),
                                      cliRatio_, kCliGoal));
        report_.AddTarget(AtMost(Fixed(kInfoGoalMs, "oggquorvel-cli info within %.0f ms of the libvorbisfile open (45 min)"),
                                 infoBeyondOpenMs_, kInfoGoalMs, " ms"));
        const std::string headroom =
            headroom_ ? Fixed(*headroom_, "; two threads took %.2f x the time of one for the same arithmetic") : "";
        TargetVerdict profile =
            RatioTarget(Fixed(kDecodeGoal, "amplitude profile <= %.1f x oggdec -o /dev/null (45 min)"), profileRatio_, kDecodeGoal);
        profile.Evidence += headroom;
        report_.AddTarget(profile);
        TargetVerdict wav =
            RatioTarget(Fixed(kDecodeGoal, "WAV conversion <= %.1f x oggdec writing the WAV (45 min)"), wavRatio_, kDecodeGoal);
        wav.Evidence += headroom + (wavIdentical_ ? "; samples identical" : "; SAMPLES DIFFER");
        report_.AddTarget(wav);
        report_.AddTarget(RatioTarget(
            Fixed(kOpenGoal, "desktop program: open to waveform drawn <= %.2f x oggdec -o /dev/null (45 min)"),
            openRatio_, kOpenGoal));
        report_.AddTarget(AtMost(Fixed(kFrameMs, "drag move and nudge with 1000 markers within a 60 Hz frame (%.1f ms)"),
                                 slowestEditMs_, kFrameMs, " ms"));
        report_.AddTarget(RatioTarget(Fixed(kFloorGoal, "Opus engine split <= %.1f x libogg packet floor (45 min)"),
                                      opusFloorRatio_, kFloorGoal));
        report_.AddTarget(AtMost(Fixed(kPeakGoalMiB, "Opus engine peak memory under %.0f MiB (45 min)"), opusPeak_,
                                 kPeakGoalMiB, " MiB"));
        report_.AddTarget(RatioTarget(Fixed(kDecodeGoal, "Opus amplitude profile <= %.1f x opusdec (45 min)"),
                                      opusProfileRatio_, kDecodeGoal));
        report_.AddTarget(RatioTarget(Fixed(kDecodeGoal, "Opus WAV conversion <= %.1f x opusdec writing the WAV (45 min)"),
                                      opusWavRatio_, kDecodeGoal));
        TargetVerdict exact;
        exact.Goal = "engine sections decode to exactly the source's length";
        if (lengthChecks_ > 0) {
            exact.Met = lengthProblems_.empty();
            exact.Evidence = lengthProblems_.empty() ? std::to_string(lengthChecks_) + " splits checked"
                                                     : lengthProblems_.front();
        }
        report_.AddTarget(exact);
    }

    BenchMaterial material_;
    int runs_;
    BenchReport report_;
    int lengthChecks_ = 0;
    std::vector<std::string> lengthProblems_;
    std::optional<Ratio> floorRatio_;
    std::optional<Ratio> oggspltRatio_;
    std::optional<Ratio> cliRatio_;
    std::optional<double> infoBeyondOpenMs_;
    std::optional<Ratio> profileRatio_;
    std::optional<Ratio> wavRatio_;
    std::optional<Ratio> opusFloorRatio_;
    std::optional<double> opusPeak_;
    std::optional<Ratio> opusProfileRatio_;
    std::optional<Ratio> opusWavRatio_;
    std::optional<Ratio> openRatio_;
    std::optional<double> slowestEditMs_;
    std::optional<double> headroom_;
    bool wavIdentical_ = false;
    std::optional<double> longPeak_;
    std::optional<double> quarterPeak_;
};

void PrintUsage()
{
    std::cout << "usage: oq_bench [--runs N] [--material FOLDER]\n"
                 "  --runs N           runs of each decoding measurement, median reported (default "
              << kDefaultRuns
              << ");\n"
                 "                     the quicker measurements get 2N+1\n"
                 "  --material FOLDER  where generated material is kept (default: bench-material in the build\n"
                 "                     folder, beside bin/)\n";
}

Options ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            options.Runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--material" && i + 1 < argc) {
            options.CacheRoot = argv[++i];
        } else {
            PrintUsage();
            std::exit(arg == "--help" || arg == "-h" ? 0 : 2);
        }
    }
    if (options.CacheRoot.empty())
        options.CacheRoot = fs::read_symlink("/proc/self/exe").parent_path().parent_path().string() + "/bench-material";
    return options;
}

} // namespace

} // namespace oq::bench

int main(int argc, char** argv)
{
    try {
        const oq::bench::Options options = oq::bench::ParseOptions(argc, argv);
        const oq::bench::BenchMaterial material = oq::bench::MaterialUnder(options.CacheRoot);
        oq::bench::EnsureMaterial(material, std::cout);
        oq::bench::BenchRun(material, options.Runs).Run();
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "oq_bench: " << error.what() << "\n";
        return 1;
    }
}
