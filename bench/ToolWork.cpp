#include "bench/ToolWork.h"

#include "bench/SplitRun.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "jobs/JobList.h"
#include "jobs/JobPlanner.h"
#include "jobs/JobRunner.h"
#include "tools/AmplitudeProfile.h"
#include "tools/CatalogWriter.h"
#include "tools/SectionLoudness.h"
#include "tools/WavWriter.h"
#include "vorbis/VorbisFile.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>
#include <vector>

namespace oq::bench {

namespace {

constexpr int kDecodeBufferBytes = 8192;

} // namespace

void DecodeWholeFile(const std::string& path)
{
    const auto file = OpenVorbisFile(path);
    char buffer[kDecodeBufferBytes];
    int link = 0;
    for (;;) {
        const long got = ov_read(file->Handle(), buffer, sizeof buffer, 0, 2, 1, &link); // 16-bit little-endian signed
        if (got == 0)
            return;
        if (got < 0 && got != OV_HOLE)
            throw std::runtime_error("decoding " + path + " failed");
    }
}

void ProfileWholeFile(const std::string& path)
{
    const std::atomic<bool> cancelled{false};
    if (!ComputeAmplitudeProfile(path, cancelled).Complete)
        throw std::runtime_error("the amplitude profile of " + path + " is incomplete");
}

void MeasureLoudnessOf(const std::string& path, const std::vector<std::int64_t>& cutPoints)
{
    JobControl control;
    JobObserver quiet;
    if (!MeasureSections(path, cutPoints, control, quiet))
        throw std::runtime_error("measuring the loudness of " + path + " did not finish");
}

bool LoudnessMatchesOnePass(const std::string& path, const std::vector<std::int64_t>& cutPoints)
{
    JobControl control;
    JobObserver quiet;
    const auto parallel = MeasureSections(path, cutPoints, control, quiet);
    const auto onePass = MeasureSections(path, cutPoints, control, quiet, {.Targets = std::vector<std::int64_t>{}});
    if (!parallel || !onePass || parallel->Sections.size() != onePass->Sections.size())
        return false;
    const auto same = [](const LoudnessFigures& a, const LoudnessFigures& b) { return a.Lufs == b.Lufs && a.Peak == b.Peak; };
    for (std::size_t k = 0; k < parallel->Sections.size(); ++k)
        if (!same(parallel->Sections[k], onePass->Sections[k]))
            return false;
    return same(parallel->Album, onePass->Album);
}

void ConvertWholeFileToWav(const std::string& source, const std::string& output)
{
    JobControl control;
    JobObserver quiet;
    if (ConvertToWav(source, output, control, quiet) != WavOutcome::Written)
        throw std::runtime_error("converting " + source + " to WAV did not finish");
}

void WriteCatalogOf(const std::string& folder, const std::string& output)
{
    CatalogOptions options;
    options.Mode = CatalogMode::Csv;
    options.Directory = folder;
    options.OutputFile = output;
    options.Filter = "*.ogg";
    options.IncludeSubFolders = false;
    JobControl control;
    JobObserver quiet;
    JobList jobs = PlanJobs(options, control, quiet);
    if (RunJobs(jobs, control, quiet) != RunResult::Finished)
        throw std::runtime_error("the catalog of " + folder + " did not finish");
}

void BusyWork(unsigned threads, std::uint64_t iterations)
{
    std::atomic<std::uint64_t> sink{0};
    const auto share = [&](std::uint64_t steps) {
        std::uint64_t state = steps;
        for (std::uint64_t i = 0; i < steps; ++i)
            state = state * 6364136223846793005ull + 1442695040888963407ull; // each step needs the last
        sink += state;
    };
    std::vector<std::jthread> workers;
    for (unsigned k = 1; k < threads; ++k)
        workers.emplace_back(share, iterations / threads);
    share(iterations - (threads - 1) * (iterations / threads));
}

bool SameWavData(const std::string& first, const std::string& second)
{
    constexpr std::streamoff kHeaderBytes = 44;
    std::ifstream a(first, std::ios::binary);
    std::ifstream b(second, std::ios::binary);
    if (!a || !b)
        return false;
    a.seekg(kHeaderBytes);
    b.seekg(kHeaderBytes);
    return std::equal(std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(b), std::istreambuf_iterator<char>());
}

void MeasureEachFile(const std::string& folder)
{
    for (const std::string& file : OggFilesIn(folder))
        if (DecodedLength(file) < 0)
            throw std::runtime_error(file + " has no known length");
}

} // namespace oq::bench
