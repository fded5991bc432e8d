#include "bench/SplitRun.h"

#include "media/CodecChoice.h"
#include "base/Error.h"
#include "tests/support/SectionCuts.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace oq::bench {

namespace {

constexpr std::uint32_t kFirstSectionSerial = 0x51560001;

std::string SectionName(const std::string& folder, std::size_t number)
{
    char name[32];
    std::snprintf(name, sizeof name, "/section%02zu.ogg", number);
    return folder + name;
}

} // namespace

std::vector<std::int64_t> EqualCutPoints(std::int64_t totalSamples, int sections)
{
    if (sections < 1 || totalSamples < sections)
        throw std::invalid_argument("cannot cut " + std::to_string(totalSamples) + " samples into " +
                                    std::to_string(sections) + " sections");
    std::vector<std::int64_t> cuts;
    for (int k = 1; k < sections; ++k)
        cuts.push_back(totalSamples * k / sections);
    return cuts;
}

std::vector<std::string> SplitWithEngine(const std::string& source, const std::vector<std::int64_t>& cuts,
                                         const std::string& folder)
{
    return test::CutSections(source, {.Cuts = cuts,
                                      .OutputName = [&](std::size_t n) { return SectionName(folder, n); },
                                      .FirstSerial = kFirstSectionSerial,
                                      .Skipped = {}});
}

std::int64_t DecodedLength(const std::string& path)
{
    try {
        const std::int64_t total = OpenFileDecoder(path)->Frames(-1);
        return total < 0 ? -1 : total;
    } catch (const NotOggAudioError&) {
        return -1;
    }
}

long SampleRate(const std::string& path)
{
    try {
        const auto format = OpenFileDecoder(path)->Format(0);
        return format ? format->Rate : 0;
    } catch (const NotOggAudioError&) {
        return 0;
    }
}

std::vector<std::string> OggFilesIn(const std::string& folder, const std::string& prefix)
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() == ".ogg" &&
            entry.path().filename().string().starts_with(prefix))
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

void ResetFolder(const std::string& folder)
{
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

} // namespace oq::bench
