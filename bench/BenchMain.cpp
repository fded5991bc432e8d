// Times the section engine against the least work a lossless rewrite needs
// and against peer tools, and records decoding references, on generated
// material. Every figure is the median of several runs, each in a child
// process of its own, and is shown next to a reference measured in the same
// run, because these machines are shared and their absolute speed varies.
//
// Each scenario measures one subject and returns its findings; this program
// chooses the scenarios and their files, runs them in turn and prints what
// they found.

#include "bench/BenchMaterial.h"
#include "bench/BenchReport.h"
#include "bench/Findings.h"
#include "bench/Scenarios.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace oq::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kDefaultRuns = 5;

struct Options {
    int Runs = kDefaultRuns;
    std::string CacheRoot;
    std::string Only; // the one scenario to run; empty: all
};

// The scenarios' names for --only, in the order they run.
const std::vector<std::string> kScenarioNames = {
    "long-split", "info",          "look-again",   "mono",            "surround", "opus-split", "headroom",
    "decoding",   "opus-decoding", "desktop-open", "desktop-markers", "catalog",  "batch"};

// The system's one-minute load average, -1 when it does not tell.
double LoadAverage()
{
    std::ifstream in("/proc/loadavg");
    double load = -1;
    in >> load;
    return in ? load : -1;
}

void RunAndReport(const ScenarioSetting& setting, const std::string& only, std::ostream& out)
{
    // A scenario not chosen finds nothing and states no goal. The headroom
    // is measured for every scenario whose goals are read beside it.
    const auto wanted = [&](const std::string& name) { return only.empty() || only == name; };
    const auto run = [&](const std::string& name, const std::function<Findings()>& scenario) {
        return wanted(name) ? scenario() : Findings{};
    };
    const BenchMaterial& material = setting.Material();
    WarmUp(material);
    const unsigned cores = std::thread::hardware_concurrency();
    const double loadBefore = LoadAverage();
    out << "measuring: medians of " << setting.QuickRounds() << " rounds (decoding: " << setting.Runs() << "), "
        << cores << " cores, load average " << loadBefore << "\n";

    const Findings longSplit = run("long-split", [&] { return SplitLongFile(setting); });
    const Findings info = run("info", [&] { return DescribeWithCli(setting); });
    const Findings lookAgain = run("look-again", [&] { return LookAgainWithCli(setting); });
    const Findings mono = run("mono", [&] { return SplitFile(setting, "mono", material.Mono); });
    const Findings surround = run("surround", [&] { return SplitFile(setting, "6 channels", material.Surround); });
    const Findings opusSplit =
        run("opus-split", [&] { return SplitFile(setting, "Opus", material.LongOpus, "Opus"); });
    const Headroom headroom =
        wanted("headroom") || wanted("decoding") || wanted("batch") ? MeasureHeadroom(setting) : Headroom{};
    const Findings decoding = run("decoding", [&] { return DecodeVorbis(setting, headroom.TwoThreadShare); });
    const Findings opusDecoding = run("opus-decoding", [&] { return DecodeOpus(setting); });
    const Findings desktopOpen = run("desktop-open", [&] { return OpenInDesktop(setting); });
    const Findings desktopMarkers = run("desktop-markers", [&] { return EditMarkersInDesktop(setting); });
    const Findings catalog = run("catalog", [&] { return CatalogFolder(setting); });
    const Findings batch = run("batch", [&] { return SplitBatch(setting, headroom.TwoThreadShare); });
    fs::remove_all(material.Scratch);

    const std::vector<const Findings*> all = {&longSplit,    &info,           &lookAgain,     &mono,
                                              &surround,     &opusSplit,      &headroom.Found, &decoding,
                                              &opusDecoding, &desktopOpen,    &desktopMarkers, &catalog,
                                              &batch};
    BenchReport report;
    for (const Findings* findings : all)
        report.Add(*findings);
    report.AddNote(FormatFigure(loadBefore, "load average %.1f") +
                   FormatFigure(LoadAverage(), " before, %.1f after the run") + " on " + std::to_string(cores) +
                   " cores: wall times stretch with load, processor times much less");
    report.AddTarget(ExactLengthVerdict(all));
    out << "\n";
    report.Print(out);
}

void PrintUsage()
{
    std::cout << "usage: oq_bench [--runs N] [--material FOLDER] [--only SCENARIO]\n"
                 "  --runs N           runs of each decoding measurement, median reported (default "
              << kDefaultRuns
              << ");\n"
                 "                     the quicker measurements get 2N+1\n"
                 "  --material FOLDER  where generated material is kept (default: bench-material in the build\n"
                 "                     folder, beside bin/)\n"
                 "  --only SCENARIO    run that scenario alone (and the headroom, where its goals are\n"
                 "                     read beside it), one of:\n"
                 "                    ";
    for (const std::string& name : kScenarioNames)
        std::cout << " " << name;
    std::cout << "\n";
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
        } else if (arg == "--only" && i + 1 < argc &&
                   std::find(kScenarioNames.begin(), kScenarioNames.end(), argv[i + 1]) != kScenarioNames.end()) {
            options.Only = argv[++i];
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
        oq::bench::RunAndReport(oq::bench::ScenarioSetting(material, options.Runs, std::cout), options.Only,
                                std::cout);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "oq_bench: " << error.what() << "\n";
        return 1;
    }
}
