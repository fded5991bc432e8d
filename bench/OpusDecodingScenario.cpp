#include "bench/Scenarios.h"

#include "bench/ChildRun.h"
#include "bench/TimedRounds.h"
#include "bench/ToolWork.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace oq::bench {

namespace fs = std::filesystem;

// The 45-minute Opus file against opusdec on the same file. opusdec writes
// undithered 16-bit samples as the program does.
Findings DecodeOpus(const ScenarioSetting& setting)
{
    const std::string& source = setting.Material().LongOpus;
    Findings findings = setting.Begin("Opus decoding: " + fs::path(source).filename().string());
    std::optional<Ratio> profileRatio;
    std::optional<Ratio> wavRatio;
    const std::string opusdec = FindProgram("opusdec");
    if (opusdec.empty()) {
        findings.Notes.push_back("opusdec (package opus-tools) is not installed: Opus decoding not timed");
    } else {
        enum { kOpusdec, kOpusdecWav, kProfile, kWav };
        const std::string opusdecWav = setting.Scratch("opusdec-wav/long.wav");
        const std::string ourWav = setting.Scratch("wav/long.wav");
        const std::vector<Task> tasks = {
            CommandTask("opusdec", {opusdec, "--quiet", "--no-dither", source, "/dev/null"}),
            CommandTask("opusdec-wav", {opusdec, "--quiet", "--no-dither", source, opusdecWav},
                        setting.Reset("opusdec-wav")),
            ChildTask("profile", [=] { ProfileWholeFile(source); }),
            ChildTask("wav", [=] { ConvertWholeFileToWav(source, ourWav); }, setting.Reset("wav"))};
        const std::vector<Measured> results = TimeInRounds(tasks, setting.Runs(), setting.Progress());
        const bool sameData = SameWavData(ourWav, opusdecWav);
        fs::remove_all(setting.Scratch("wav"));
        fs::remove_all(setting.Scratch("opusdec-wav"));
        findings.AddRow("opusdec to /dev/null", results[kOpusdec]);
        findings.AddRow("opusdec writing the WAV file", results[kOpusdecWav]);
        findings.AddRow("amplitude profile", results[kProfile], "opusdec", &results[kOpusdec],
                        CoresUsed(results[kProfile]));
        findings.AddRow("WAV conversion", results[kWav], "opusdec WAV", &results[kOpusdecWav],
                        CoresUsed(results[kWav]) +
                            (sameData ? "; samples identical to opusdec's" : "; samples differ from opusdec's"));
        profileRatio = RatioOf(results[kProfile], results[kOpusdec]);
        wavRatio = RatioOf(results[kWav], results[kOpusdecWav]);
    }
    findings.Targets = {
        RatioTarget(FormatFigure(kDecodeGoal, "Opus amplitude profile <= %.1f x opusdec (45 min)"), profileRatio,
                    kDecodeGoal),
        RatioTarget(FormatFigure(kDecodeGoal, "Opus WAV conversion <= %.1f x opusdec writing the WAV (45 min)"),
                    wavRatio, kDecodeGoal)};
    return findings;
}

} // namespace oq::bench
