#include "bench/Scenarios.h"

#include "bench/ChildRun.h"
#include "bench/SplitRun.h"
#include "bench/TimedRounds.h"
#include "model/MarkerList.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace oq::bench {

namespace {

constexpr double kMsPerSecond = 1000.0;
constexpr double kFrameMs = kMsPerSecond / 60; // one frame of a 60 Hz screen: an event handled within it looks smooth
constexpr double kPercent = 100.0;

// The figures the timing tool reports for each round, in seconds per event.
enum Figure : std::size_t { kFullRepaint, kDragMove, kNudge, kFigureCount };
constexpr const char* kFigureNames[kFigureCount] = {"full_repaint", "drag_move", "nudge"};

// A row of one event's median time, with its share of a frame.
ReportRow EventRow(const std::string& name, double seconds, std::optional<double> fullRepaintSeconds)
{
    ReportRow row;
    row.Name = name;
    row.Seconds = seconds;
    if (fullRepaintSeconds && *fullRepaintSeconds > 0) {
        row.Reference = "full paint";
        row.Ratio = seconds / *fullRepaintSeconds;
    }
    row.Note = FormatFigure(seconds * kMsPerSecond, "%.3f ms; ") +
               FormatFigure(seconds * kMsPerSecond / kFrameMs * kPercent, "%.1f %% of a 60 Hz frame");
    return row;
}

// The timing tool's figures of every round, one list per figure; or the
// error output of the first round that failed.
struct EventRounds {
    std::vector<std::vector<ChildOutcome>> Runs = std::vector<std::vector<ChildOutcome>>(kFigureCount);
    std::optional<std::string> Failure;
};

EventRounds TimeEvents(const ScenarioSetting& setting, const std::string& program, const std::string& source,
                       const std::string& reportPath)
{
    EventRounds rounds;
    for (int round = 1; round <= setting.QuickRounds(); ++round) {
        std::filesystem::remove(reportPath);
        const ChildOutcome outcome = RunCommand({program, "markers", source, reportPath});
        const auto read = ReadFigures(reportPath);
        const bool complete = std::all_of(std::begin(kFigureNames), std::end(kFigureNames),
                                          [&](const char* name) { return read.contains(name); });
        if (!outcome.Ok() || !complete) {
            rounds.Failure = outcome.Errors;
            return rounds;
        }
        setting.Progress() << "  round " << round << "/" << setting.QuickRounds() << ":";
        for (std::size_t k = 0; k < kFigureCount; ++k) {
            ChildOutcome figure;
            figure.Seconds = read.at(kFigureNames[k]);
            rounds.Runs[k].push_back(figure);
            setting.Progress() << " " << kFigureNames[k] << FormatFigure(figure.Seconds * kMsPerSecond, " %.3f ms");
        }
        setting.Progress() << "\n";
    }
    return rounds;
}

} // namespace

// The time per event of marker editing with the most markers a file can
// have; peak and processor time are not of interest here. The timing tool
// runs once a round and reports every figure of that round.
Findings EditMarkersInDesktop(const ScenarioSetting& setting)
{
    Findings findings;
    std::optional<double> slowestEditMs;
    const std::string program = SiblingProgram("oq_gui_bench");
    if (program.empty()) {
        findings.Notes.push_back(
            "oq_gui_bench (built with the desktop program) is missing: marker editing in it not timed");
    } else {
        const std::string& source = setting.Material().Mono;
        findings = setting.Begin("Desktop program: " + std::to_string(MarkerList::kMaxMarkers) + " markers on " +
                                 std::filesystem::path(source).filename().string() + ", time per event");
        ResetFolder(setting.Scratch("desktop"));
        const EventRounds rounds = TimeEvents(setting, program, source, setting.Scratch("desktop/markers.txt"));
        if (rounds.Failure) {
            findings.Notes.push_back("marker editing in the desktop program failed: " + *rounds.Failure);
        } else {
            const double full = MedianSeconds(rounds.Runs[kFullRepaint]);
            const double drag = MedianSeconds(rounds.Runs[kDragMove]);
            const double nudge = MedianSeconds(rounds.Runs[kNudge]);
            findings.Rows = {EventRow("full repaint of the display", full, std::nullopt),
                             EventRow("drag move (marker held)", drag, full), EventRow("nudge", nudge, full)};
            slowestEditMs = std::max(drag, nudge) * kMsPerSecond;
        }
    }
    findings.Targets.push_back(
        AtMost("drag move and nudge with " + std::to_string(MarkerList::kMaxMarkers) +
                   FormatFigure(kFrameMs, " markers within a 60 Hz frame (%.1f ms)"),
               slowestEditMs, kFrameMs, " ms"));
    return findings;
}

} // namespace oq::bench
