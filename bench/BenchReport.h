#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

namespace oq::bench {

// One line of the result table: a median wall time (and processor time),
// and where it makes sense its ratio to a reference measured in the same
// run, and the peak memory.
struct ReportRow {
    std::string Name;
    double Seconds = 0;
    std::optional<double> CpuSeconds;
    std::string Reference;          // what the ratio divides by; empty for none
    std::optional<double> Ratio;    // Seconds / the reference's seconds
    std::optional<double> PeakMiB;
    std::string Note;
};

// A goal the figures are held against.
struct TargetVerdict {
    std::string Goal;
    std::optional<bool> Met; // none: not measured in this run
    std::string Evidence;
};

// Met when `value` <= `limit`; the evidence shows the value with `unit`.
TargetVerdict AtMost(const std::string& goal, std::optional<double> value, double limit, const std::string& unit);

double ToMiB(std::int64_t bytes);

struct Findings;

class BenchReport {
public:
    void AddRow(ReportRow row) { lines_.emplace_back(std::move(row)); }
    // A heading over the rows that follow.
    void AddSection(const std::string& title) { lines_.emplace_back(title); }
    void AddNote(const std::string& note) { notes_.push_back(note); }
    void AddTarget(TargetVerdict target) { targets_.push_back(std::move(target)); }
    // A scenario's section (when it ran), notes and targets, after those of
    // the scenarios added before it.
    void Add(const Findings& findings);

    // The table, then the notes, then one line per target.
    void Print(std::ostream& out) const;

private:
    std::vector<std::variant<ReportRow, std::string>> lines_;
    std::vector<std::string> notes_;
    std::vector<TargetVerdict> targets_;
};

} // namespace oq::bench
