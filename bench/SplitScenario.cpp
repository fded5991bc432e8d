#include "bench/Scenarios.h"

#include "bench/PacketFloor.h"
#include "bench/SplitRun.h"
#include "bench/TimedRounds.h"

#include <optional>
#include <string>
#include <vector>

namespace oq::bench {

namespace {

constexpr double kFloorGoal = 1.2;    // engine split time / libogg packet floor time
constexpr double kPeakGoalMiB = 16.0; // the engine split's peak resident memory

} // namespace

std::vector<TargetVerdict> EngineSplitVerdicts(const std::string& subject, const std::optional<Ratio>& floorRatio,
                                               std::optional<double> peakMiB)
{
    return {RatioTarget(subject + FormatFigure(kFloorGoal, " split <= %.1f x libogg packet floor (45 min)"),
                        floorRatio, kFloorGoal),
            AtMost(subject + FormatFigure(kPeakGoalMiB, " peak memory under %.0f MiB (45 min)"), peakMiB,
                   kPeakGoalMiB, " MiB")};
}

Findings SplitFile(const ScenarioSetting& setting, const std::string& label, const std::string& source,
                   const std::string& goalLabel)
{
    const std::int64_t total = DecodedLength(source);
    const auto cuts = EqualCutPoints(total, kSections);
    Findings findings = setting.Begin(SplitTitle(source, total, SampleRate(source)));
    const std::string floorCopy = setting.Scratch("floor/copy.ogg");
    const std::string engineFolder = setting.Scratch("engine");
    const std::vector<Measured> results = TimeInRounds(
        {ChildTask("floor", [=] { PassPacketsThroughStreamLayer(source, floorCopy); }, setting.Reset("floor")),
         ChildTask("engine", [=] { SplitWithEngine(source, cuts, engineFolder); }, setting.Reset("engine"))},
        setting.QuickRounds(), setting.Progress());
    const Measured& floor = results[0];
    const Measured& engine = results[1];
    findings.AddRow("libogg packet floor", floor);
    findings.AddRow("engine split (sample-exact)", engine, "floor", &floor,
                    findings.CheckLengths("engine, " + label, OggFilesIn(engineFolder), total, true));
    if (!goalLabel.empty())
        findings.Targets = EngineSplitVerdicts(goalLabel + " engine", RatioOf(engine, floor), PeakMiBOf(engine));
    return findings;
}

} // namespace oq::bench
