#include "bench/Scenarios.h"

#include "bench/SplitRun.h"

#include <cstdio>
#include <filesystem>

namespace oq::bench {

namespace fs = std::filesystem;

namespace {

constexpr double kBytesPerMB = 1e6;

std::string MinutesText(std::int64_t samples, long rate)
{
    const std::int64_t seconds = rate > 0 ? samples / rate : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

} // namespace

ScenarioSetting::ScenarioSetting(BenchMaterial material, int runs, std::ostream& progress)
    : material_(std::move(material)), runs_(runs), progress_(progress)
{
}

std::string ScenarioSetting::Scratch(const std::string& name) const
{
    return material_.Scratch + "/" + name;
}

std::function<void()> ScenarioSetting::Reset(const std::string& name) const
{
    return [folder = Scratch(name)] { ResetFolder(folder); };
}

Findings ScenarioSetting::Begin(const std::string& title) const
{
    progress_ << title << "\n";
    Findings findings;
    findings.Title = title;
    return findings;
}

std::string SiblingProgram(const std::string& name)
{
    const fs::path path = fs::read_symlink("/proc/self/exe").parent_path() / name;
    return fs::exists(path) ? path.string() : std::string();
}

std::string SplitTitle(const std::string& source, std::int64_t total, long rate)
{
    return "Split into " + std::to_string(kSections) + " equal sections: " + fs::path(source).filename().string() +
           " (" + MinutesText(total, rate) +
           FormatFigure(static_cast<double>(fs::file_size(source)) / kBytesPerMB, ", %.1f MB)");
}

} // namespace oq::bench
