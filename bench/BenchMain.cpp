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
};

// The system's one-minute load average, -1 when it does not tell.
double LoadAverage()
{
    std::ifstream in("/proc/loadavg");
    double load = -1;
    in >> load;
    return in ? load : -1;
}

void RunAndReport(const ScenarioSetting& setting, std::ostream& out)
{
    const BenchMaterial& material = setting.Material();
    WarmUp(material);
    const unsigned cores = std::thread::hardware_concurrency();
    const double loadBefore = LoadAverage();
    out << "measuring: medians of " << setting.QuickRounds() << " rounds (decoding: " << setting.Runs() << "), "
        << cores << " cores, load average " << loadBefore << "\n";

    const Findings longSplit = SplitLongFile(setting);
    const Findings info = DescribeWithCli(setting);
    const Findings lookAgain = LookAgainWithCli(setting);
    const Findings mono = SplitFile(setting, "mono", material.Mono);
    const Findings surround = SplitFile(setting, "6 channels", material.Surround);
    const Findings opusSplit = SplitFile(setting, "Opus", material.LongOpus, "Opus");
    const Headroom headroom = MeasureHeadroom(setting);
    const Findings decoding = DecodeVorbis(setting, headroom.TwoThreadShare);
    const Findings opusDecoding = DecodeOpus(setting);
    const Findings desktopOpen = OpenInDesktop(setting);
    const Findings desktopMarkers = EditMarkersInDesktop(setting);
    const Findings catalog = CatalogFolder(setting);
    const Findings batch = SplitBatch(setting);
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
        oq::bench::RunAndReport(oq::bench::ScenarioSetting(material, options.Runs, std::cout), std::cout);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "oq_bench: " << error.what() << "\n";
        return 1;
    }
}
