#include "bench/BenchReport.h"

#include "bench/Findings.h"

#include <algorithm>
#include <cstdio>

namespace oq::bench {

namespace {

constexpr double kBytesPerMiB = 1024.0 * 1024.0;

std::string Fixed(double value, int decimals)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Padded(const std::string& text, std::size_t width, bool right)
{
    if (text.size() >= width)
        return text;
    const std::string fill(width - text.size(), ' ');
    return right ? fill + text : text + fill;
}

} // namespace

double ToMiB(std::int64_t bytes)
{
    return static_cast<double>(bytes) / kBytesPerMiB;
}

TargetVerdict AtMost(const std::string& goal, std::optional<double> value, double limit, const std::string& unit)
{
    TargetVerdict verdict;
    verdict.Goal = goal;
    if (!value) {
        verdict.Evidence = "not measured";
        return verdict;
    }
    verdict.Met = *value <= limit;
    verdict.Evidence = Fixed(*value, 2) + unit;
    return verdict;
}

void BenchReport::Add(const Findings& findings)
{
    if (!findings.Title.empty())
        AddSection(findings.Title);
    for (const ReportRow& row : findings.Rows)
        AddRow(row);
    notes_.insert(notes_.end(), findings.Notes.begin(), findings.Notes.end());
    targets_.insert(targets_.end(), findings.Targets.begin(), findings.Targets.end());
}

void BenchReport::Print(std::ostream& out) const
{
    std::size_t nameWidth = 11;
    std::size_t referenceWidth = 9;
    for (const auto& line : lines_) {
        const auto* row = std::get_if<ReportRow>(&line);
        if (!row)
            continue;
        nameWidth = std::max(nameWidth, row->Name.size());
        referenceWidth = std::max(referenceWidth, row->Reference.size());
    }
    out << Padded("measurement", nameWidth, false) << "  " << Padded("median s", 9, true) << "  "
        << Padded("cpu s", 7, true) << "  "
        << Padded("reference", referenceWidth, false) << "  " << Padded("ratio", 6, true) << "  "
        << Padded("peak MiB", 8, true) << "  note\n";
    for (const auto& line : lines_) {
        if (const auto* heading = std::get_if<std::string>(&line)) {
            out << "\n" << *heading << "\n";
            continue;
        }
        const ReportRow& row = std::get<ReportRow>(line);
        out << Padded(row.Name, nameWidth, false) << "  " << Padded(Fixed(row.Seconds, 3), 9, true) << "  "
            << Padded(row.CpuSeconds ? Fixed(*row.CpuSeconds, 3) : "-", 7, true) << "  "
            << Padded(row.Reference.empty() ? "-" : row.Reference, referenceWidth, false) << "  "
            << Padded(row.Ratio ? Fixed(*row.Ratio, 2) : "-", 6, true) << "  "
            << Padded(row.PeakMiB ? Fixed(*row.PeakMiB, 1) : "-", 8, true) << "  " << row.Note << "\n";
    }
    if (!notes_.empty())
        out << "\n";
    for (const std::string& note : notes_)
        out << "note: " << note << "\n";
    if (!targets_.empty())
        out << "\n";
    for (const TargetVerdict& target : targets_) {
        const char* verdict = !target.Met ? "not measured" : *target.Met ? "met" : "NOT MET";
        out << "target: " << target.Goal << ": " << verdict;
        if (target.Met)
            out << " (" << target.Evidence << ")";
        out << "\n";
    }
}

} // namespace oq::bench
