#include "bench/Findings.h"

#include "bench/SplitRun.h"

#include <cstdio>

namespace oq::bench {

namespace {

std::string SignedText(std::int64_t value)
{
    return (value > 0 ? "+" : "") + std::to_string(value);
}

} // namespace

void Findings::AddRow(const std::string& name, const Measured& measured, const std::string& referenceName,
                      const Measured* reference, const std::string& note)
{
    ReportRow row;
    row.Name = name;
    row.Note = note;
    if (!measured.Ok()) {
        row.Note = measured.Failure;
        Rows.push_back(row);
        return;
    }
    row.Seconds = measured.Seconds;
    row.CpuSeconds = measured.CpuSeconds;
    row.PeakMiB = ToMiB(measured.Peak);
    if (reference && reference->Ok() && reference->Seconds > 0) {
        row.Reference = referenceName;
        row.Ratio = measured.Seconds / reference->Seconds;
    }
    Rows.push_back(row);
}

void Findings::AddPeerRow(const std::string& name, const Measured& peer, const Measured& engine,
                          const std::string& note)
{
    AddRow(name, peer, {}, nullptr, note);
    if (peer.Ok() && engine.Ok()) {
        ReportRow& row = Rows.back();
        row.Reference = "engine/this";
        row.Ratio = engine.Seconds / peer.Seconds;
    }
}

std::string Findings::CheckLengths(const std::string& what, const std::vector<std::string>& sections,
                                   std::int64_t sourceLength, bool mustBeExact)
{
    std::int64_t total = 0;
    for (const std::string& section : sections) {
        const std::int64_t length = DecodedLength(section);
        if (length < 0) {
            if (mustBeExact)
                LengthProblems.push_back(what + ": " + section + " does not decode");
            return section + " does not decode";
        }
        total += length;
    }
    const std::int64_t difference = total - sourceLength;
    if (mustBeExact) {
        ++ExactSplits;
        if (difference != 0 || sections.empty())
            LengthProblems.push_back(what + ": sections decode to " + SignedText(difference) + " samples");
    }
    return std::to_string(sections.size()) + " sections, " +
           (difference == 0 ? std::string("decoded length exact")
                            : "decoded length " + SignedText(difference) + " samples");
}

TargetVerdict ExactLengthVerdict(const std::vector<const Findings*>& all)
{
    int checked = 0;
    std::vector<std::string> problems;
    for (const Findings* findings : all) {
        checked += findings->ExactSplits;
        problems.insert(problems.end(), findings->LengthProblems.begin(), findings->LengthProblems.end());
    }
    TargetVerdict exact;
    exact.Goal = "engine sections decode to exactly the source's length";
    if (checked > 0) {
        exact.Met = problems.empty();
        exact.Evidence = problems.empty() ? std::to_string(checked) + " splits checked" : problems.front();
    }
    return exact;
}

std::optional<Ratio> RatioOf(const Measured& measured, const Measured& reference)
{
    if (!measured.Ok() || !reference.Ok() || reference.Seconds <= 0 || reference.CpuSeconds <= 0)
        return std::nullopt;
    return Ratio{measured.Seconds / reference.Seconds, measured.CpuSeconds / reference.CpuSeconds};
}

TargetVerdict RatioTarget(const std::string& goal, const std::optional<Ratio>& ratio, double limit)
{
    TargetVerdict verdict = AtMost(goal, ratio ? std::optional(ratio->Wall) : std::nullopt, limit, " x");
    if (ratio)
        verdict.Evidence += FormatFigure(ratio->Cpu, " wall; %.2f x processor time");
    return verdict;
}

std::optional<double> PeakMiBOf(const Measured& measured)
{
    return measured.Ok() ? std::optional(ToMiB(measured.Peak)) : std::nullopt;
}

std::string CoresUsed(const Measured& measured)
{
    return measured.Ok() && measured.Seconds > 0
               ? FormatFigure(measured.CpuSeconds / measured.Seconds, "%.2f cores busy")
               : std::string();
}

std::string FormatFigure(double value, const char* format)
{
    char text[160];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace oq::bench
