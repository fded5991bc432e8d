#include "tests/support/OutputCheck.h"

#include "tests/support/OggCheck.h"
#include "tests/support/TestAudio.h"

#include <filesystem>

namespace oq::test {

namespace {

constexpr std::size_t kWavHeaderBytes = 44;

std::uint32_t NumberAt(const Bytes& bytes, std::size_t offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytes[offset + static_cast<std::size_t>(i)];
    return value;
}

} // namespace

std::string ProblemWithWav(const std::string& path)
{
    const Bytes wav = ReadBytes(path);
    if (wav.size() < kWavHeaderBytes)
        return "shorter than a WAV header";
    if (NumberAt(wav, 4, 4) != wav.size() - 8 || NumberAt(wav, 40, 4) != wav.size() - kWavHeaderBytes)
        return "header sizes disagree with the length";
    const std::uint32_t frame = NumberAt(wav, 32, 2);
    if (frame == 0 || (wav.size() - kWavHeaderBytes) % frame != 0)
        return "data is no whole number of frames";
    return {};
}

std::string ProblemWithOutput(const std::string& path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    if (name.ends_with(".tmp"))
        return "a temporary file is left";
    if (name.ends_with(".wav"))
        return ProblemWithWav(path);
    if (name.ends_with(".ogg")) {
        const auto pages = ReadPages(path);
        return pages.empty() ? "no Ogg page" : ProblemWithStream(path, pages.front().Serial);
    }
    return {};
}

std::string ProblemWithOutputs(const std::string& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (std::string problem = ProblemWithOutput(entry.path().string()); !problem.empty())
            return entry.path().filename().string() + ": " + problem;
    return {};
}

} // namespace oq::test
