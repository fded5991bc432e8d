#include "bench/BenchMaterial.h"

#include "bench/ChildRun.h"
#include "bench/SplitRun.h"
#include "bench/VariedAudio.h"
#include "tests/support/TestAudio.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace oq::bench {

namespace {

namespace fs = std::filesystem;

constexpr const char* kMaterialVersion = "bench-material-1";
constexpr double kLongSeconds = 45 * 60.0;
constexpr double kQuarterSeconds = kLongSeconds / 4;
constexpr double kMonoSeconds = 4 * 60.0;
constexpr double kSurroundSeconds = 3 * 60.0;
constexpr float kQuality = 0.3f;
// About the Vorbis file's rate (20.5 MB in 45 minutes: 61 kbit/s), so that
// both files hold about as many bytes and pages.
constexpr int kOpusBitrate = 64000;
constexpr long kOpusRate = 48000; // what Opus encodes natively: no resampling
constexpr std::size_t kWarmBlockBytes = 65536;
constexpr std::uint32_t kLongSeed = 1; // the quarter shares it, so it is the long file's beginning

VariedAudioSpec LongSpec(double seconds)
{
    return {.Channels = 2, .Rate = 44100, .Seconds = seconds, .Quality = kQuality, .Seed = kLongSeed};
}

// Encodes `spec` into `path` unless it exists, as Vorbis or, given a bit
// rate, as Opus.
void Generate(const VariedAudioSpec& spec, const std::string& path, int opusBitrate = 0)
{
    if (fs::exists(path))
        return;
    const std::string name = fs::path(path).filename().string();
    const auto start = std::chrono::steady_clock::now();
    constexpr int kReportEveryPercent = 10;
    int nextReport = kReportEveryPercent;
    const EncodeProgress report = [&](double done) {
        if (done * 100 < nextReport)
            return;
        nextReport += kReportEveryPercent;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("  %s: %3.0f%% encoded, %.0f s\n", name.c_str(), done * 100, elapsed);
        std::fflush(stdout);
    };
    if (opusBitrate > 0)
        EncodeVariedOpus(spec, opusBitrate, path, report);
    else
        EncodeVariedAudio(spec, path, report);
}

// Short files of assorted channel counts, rates, lengths, content and page
// shapes, as a folder of someone's recordings would hold.
void GenerateShortFiles(const std::string& folder)
{
    if (fs::exists(folder))
        return;
    const std::string partial = folder + ".part";
    fs::remove_all(partial);
    fs::create_directories(partial);
    static constexpr std::array<long, 3> kRates = {44100, 22050, 48000};
    static constexpr std::array<test::Signal, 3> kSignals = {test::Signal::Mixed, test::Signal::Tone,
                                                             test::Signal::Noise};
    for (int k = 0; k < kShortFileCount; ++k) {
        test::AudioSpec spec;
        spec.channels = 1 + k % 2;
        spec.rate = kRates[k % kRates.size()];
        spec.seconds = 1.0 + 0.5 * (k % 5);
        spec.signal = kSignals[k % kSignals.size()];
        spec.quality = 0.1f * static_cast<float>(k % 4);
        spec.seed = static_cast<std::uint32_t>(k + 1);
        test::PageLayout layout;
        layout.serial = 0x1000u + static_cast<std::uint32_t>(k);
        layout.flushEveryPackets = k % 7 == 0 ? 8 : 0;
        char name[32];
        std::snprintf(name, sizeof name, "/short%03d.ogg", k + 1);
        test::WriteBytes(partial + name, test::MakeOggVorbis(spec, layout));
    }
    fs::rename(partial, folder);
    std::printf("  %d short files written\n", kShortFileCount);
    std::fflush(stdout);
}

void RequireSuccess(const ChildOutcome& outcome, const std::string& what)
{
    if (!outcome.Ok())
        throw std::runtime_error("generating " + what + " failed (exit " + std::to_string(outcome.ExitCode) + ")");
}

} // namespace

BenchMaterial MaterialUnder(const std::string& cacheRoot)
{
    const std::string folder = cacheRoot + "/" + kMaterialVersion;
    return {.Folder = folder,
            .Long = folder + "/long-45min-stereo.ogg",
            .Quarter = folder + "/quarter-11min-stereo.ogg",
            .Mono = folder + "/mono-4min.ogg",
            .Surround = folder + "/surround-3min-6ch.ogg",
            .LongOpus = folder + "/long-45min-stereo.opus",
            .ShortFolder = folder + "/short",
            .Scratch = folder + "/scratch"};
}

void EnsureMaterial(const BenchMaterial& material, std::ostream& log)
{
    const bool complete = fs::exists(material.Long) && fs::exists(material.Quarter) && fs::exists(material.Mono) &&
                          fs::exists(material.Surround) && fs::exists(material.ShortFolder) &&
                          fs::exists(material.LongOpus);
    if (complete) {
        log << "material: re-using " << material.Folder << "\n";
        return;
    }
    fs::create_directories(material.Folder);
    log << "material: generating into " << material.Folder << " (once; the 45-minute file takes a while)\n";
    log.flush();
    // Two children, so that both cores encode: the long file alone, the
    // rest together.
    const StartedChild longChild = StartChild([&] { Generate(LongSpec(kLongSeconds), material.Long); });
    const StartedChild restChild = StartChild([&] {
        Generate(LongSpec(kQuarterSeconds), material.Quarter);
        Generate({.Channels = 1, .Rate = 44100, .Seconds = kMonoSeconds, .Quality = kQuality, .Seed = 2},
                 material.Mono);
        Generate({.Channels = 6, .Rate = 48000, .Seconds = kSurroundSeconds, .Quality = kQuality, .Seed = 3},
                 material.Surround);
        GenerateShortFiles(material.ShortFolder);
        Generate({.Channels = 2, .Rate = kOpusRate, .Seconds = kLongSeconds, .Seed = kLongSeed}, material.LongOpus,
                 kOpusBitrate);
    });
    const ChildOutcome longOutcome = WaitForChild(longChild);
    const ChildOutcome restOutcome = WaitForChild(restChild);
    RequireSuccess(longOutcome, material.Long);
    RequireSuccess(restOutcome, "the shorter material");
    log << "material: ready after " << static_cast<int>(longOutcome.Seconds) << " s\n";
}

void WarmUp(const BenchMaterial& material)
{
    std::vector<std::string> files = {material.Long, material.Quarter, material.Mono, material.Surround,
                                      material.LongOpus};
    const std::vector<std::string> shortFiles = OggFilesIn(material.ShortFolder);
    files.insert(files.end(), shortFiles.begin(), shortFiles.end());
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        char block[kWarmBlockBytes];
        while (in.read(block, sizeof block) || in.gcount() > 0) {
        }
    }
}

} // namespace oq::bench
