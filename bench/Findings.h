#pragma once

#include "bench/BenchReport.h"
#include "bench/TimedRounds.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oq::bench {

// What one scenario of the benchmark found: its section of the result table
// (a heading and rows of figures and ratios), notes on what could not be
// measured, and the goals its figures are held against. A scenario whose
// subject or reference is missing still states its goals, as not measured;
// one that did not start at all has no heading either.
struct Findings {
    std::string Title; // the section's heading; empty when the scenario did not start
    std::vector<ReportRow> Rows;
    std::vector<std::string> Notes;
    std::vector<TargetVerdict> Targets;
    // Splits of the engine or the command line whose sections must decode to
    // exactly the source's length (peers' splits are only described), and
    // what was wrong with them.
    int ExactSplits = 0;
    std::vector<std::string> LengthProblems;

    // A row for `measured`, with its ratio to `reference` when both ran; a
    // failed measurement shows its failure in place of the note.
    void AddRow(const std::string& name, const Measured& measured, const std::string& referenceName = {},
                const Measured* reference = nullptr, const std::string& note = {});
    // A peer tool's row: its ratio is the engine's time to the peer's, so
    // below 1 means the engine is the faster.
    void AddPeerRow(const std::string& name, const Measured& peer, const Measured& engine, const std::string& note);
    // Decodes a split's `sections` and describes their total length against
    // the source's ("10 sections, decoded length exact"). With `mustBeExact`
    // the split counts towards ExactSplits and any difference, or a section
    // that does not decode, is recorded under `what` in LengthProblems.
    std::string CheckLengths(const std::string& what, const std::vector<std::string>& sections,
                             std::int64_t sourceLength, bool mustBeExact);
};

// The rule that every exactly checked split of the run decoded to its
// source's length; not measured when no split was checked.
TargetVerdict ExactLengthVerdict(const std::vector<const Findings*>& all);

// Wall and processor time ratios of one comparison.
struct Ratio {
    double Wall = 0;
    double Cpu = 0;
};

// `measured` / `reference`, when both ran and the reference took time.
std::optional<Ratio> RatioOf(const Measured& measured, const Measured& reference);
// Met when the wall ratio is at most `limit`; the processor time ratio is
// shown beside it.
TargetVerdict RatioTarget(const std::string& goal, const std::optional<Ratio>& ratio, double limit);
// The run's peak resident memory, when it ran.
std::optional<double> PeakMiBOf(const Measured& measured);
// "1.94 cores busy": processor time over wall time; empty for a failed run.
std::string CoresUsed(const Measured& measured);
// `value` through a printf `format` with one double conversion.
std::string FormatFigure(double value, const char* format);

} // namespace oq::bench
