#include "bench/Scenarios.h"

#include "bench/ChildRun.h"
#include "bench/SplitRun.h"
#include "bench/TimedRounds.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace oq::bench {

namespace {

constexpr double kOpenGoal = 0.65; // the desktop program's open-to-waveform time / oggdec time
// Opening a file again, from its remembered profile / its first opening.
constexpr double kReopenGoal = 0.1;

} // namespace

// The desktop program's timing tool reports the interval from its open call
// to the window drawn with the waveform, leaving its own start out.
Findings OpenInDesktop(const ScenarioSetting& setting)
{
    Findings findings;
    std::optional<Ratio> openRatio;
    std::optional<Ratio> reopenRatio;
    const std::string program = SiblingProgram("oq_gui_bench");
    const std::string oggdec = FindProgram("oggdec");
    if (program.empty() || oggdec.empty()) {
        findings.Notes.push_back("oq_gui_bench (built with the desktop program) or oggdec (package vorbis-tools) "
                                 "is missing: opening in the desktop program not timed");
    } else {
        const std::string& source = setting.Material().Long;
        findings = setting.Begin("Desktop program: opening " + std::filesystem::path(source).filename().string() +
                                 " until its waveform is drawn");
        ResetFolder(setting.Scratch("desktop"));
        const std::string reportPath = setting.Scratch("desktop/open.txt");
        const std::string reopenReport = setting.Scratch("desktop/reopen.txt");
        const std::vector<Measured> results = TimeInRounds(
            {CommandTask("oggdec", {oggdec, "-Q", "-o", "/dev/null", source}),
             SelfTimedTask("open", {program, "open", source, reportPath}, reportPath, "opened"),
             SelfTimedTask("reopen", {program, "reopen", source, reopenReport}, reopenReport, "opened")},
            setting.Runs(), setting.Progress());
        findings.AddRow("oggdec -o /dev/null", results[0]);
        findings.AddRow("open to waveform drawn", results[1], "oggdec", &results[0],
                        CoresUsed(results[1]) + "; from the open call, the program already started");
        findings.AddRow("opened again (remembered profile)", results[2], "open", &results[1],
                        "a second opening in the same window");
        openRatio = RatioOf(results[1], results[0]);
        reopenRatio = RatioOf(results[2], results[1]);
    }
    findings.Targets.push_back(RatioTarget(
        FormatFigure(kOpenGoal, "desktop program: open to waveform drawn <= %.2f x oggdec -o /dev/null (45 min)"),
        openRatio, kOpenGoal));
    findings.Targets.push_back(RatioTarget(
        FormatFigure(kReopenGoal, "desktop program: opening again <= %.1f x the first opening (45 min)"), reopenRatio,
        kReopenGoal));
    return findings;
}

} // namespace oq::bench
