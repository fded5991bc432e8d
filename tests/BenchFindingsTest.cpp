// What the benchmark's scenarios report: a ratio the wrong way round or a
// length problem lost between scenarios would mislead without failing.
#ifdef OQ_BENCH_TOOLS

#include "bench/BenchReport.h"
#include "bench/Findings.h"
#include "tests/support/TestAudio.h"

#include <gtest/gtest.h>
#include <sstream>

namespace oq::bench {
namespace {

Measured Timed(double seconds, double cpuSeconds)
{
    Measured measured;
    measured.Runs.push_back({.Seconds = seconds, .CpuSeconds = cpuSeconds, .PeakBytes = 1 << 20, .Errors = {}});
    measured.Seconds = seconds;
    measured.CpuSeconds = cpuSeconds;
    measured.Peak = 1 << 20;
    return measured;
}

TEST(BenchFindings, RatiosDivideByTheReferenceAndPeersByThemselves)
{
    const Measured engine = Timed(0.5, 0.4);
    const Measured floor = Timed(1.0, 0.8);
    Measured failed;
    failed.Failure = "failed, exit 1: no such file";

    Findings findings;
    findings.AddRow("engine", engine, "floor", &floor, "exact");
    findings.AddRow("against a failed reference", engine, "floor", &failed);
    findings.AddRow("failed", failed, "floor", &floor, "hidden by the failure");
    findings.AddPeerRow("peer", floor, engine, "cuts at packets");
    ASSERT_EQ(findings.Rows.size(), 4u);
    EXPECT_DOUBLE_EQ(findings.Rows[0].Ratio.value_or(0), 0.5);
    EXPECT_EQ(findings.Rows[0].Note, "exact");
    EXPECT_DOUBLE_EQ(findings.Rows[0].PeakMiB.value_or(0), 1.0);
    EXPECT_FALSE(findings.Rows[1].Ratio);
    EXPECT_TRUE(findings.Rows[1].Reference.empty());
    EXPECT_EQ(findings.Rows[2].Note, failed.Failure);
    EXPECT_FALSE(findings.Rows[2].CpuSeconds);
    EXPECT_EQ(findings.Rows[3].Reference, "engine/this"); // below 1: the engine is the faster
    EXPECT_DOUBLE_EQ(findings.Rows[3].Ratio.value_or(0), 0.5);

    const auto ratio = RatioOf(engine, floor);
    ASSERT_TRUE(ratio);
    EXPECT_DOUBLE_EQ(ratio->Cpu, 0.5);
    EXPECT_FALSE(RatioOf(engine, failed));
    EXPECT_FALSE(RatioOf(engine, Timed(0.1, 0.0))); // no processor time to divide by
}

TEST(BenchFindings, LengthProblemsOfEveryScenarioReachTheVerdict)
{
    test::TempDir dir;
    const std::string section = dir.Path("section01.ogg");
    test::WriteBytes(section, test::MakeOggVorbis({.channels = 1, .seconds = 1.0}));
    const std::string garbage = dir.Path("section02.ogg");
    test::WriteBytes(garbage, test::Bytes(5000, 'x'));

    Findings exact;
    EXPECT_EQ(exact.CheckLengths("exact", {section}, 44100, true), "1 sections, decoded length exact");
    EXPECT_EQ(exact.CheckLengths("peer", {section}, 44105, false), "1 sections, decoded length -5 samples");
    EXPECT_EQ(ExactLengthVerdict({&exact}).Evidence, "1 splits checked");
    EXPECT_TRUE(ExactLengthVerdict({&exact}).Met.value_or(false)); // a peer's shortfall is only described

    Findings later;
    later.CheckLengths("short", {section}, 44105, true);
    later.CheckLengths("broken", {section, garbage}, 88200, true);
    ASSERT_EQ(later.LengthProblems.size(), 2u);
    EXPECT_EQ(later.LengthProblems[1], "broken: " + garbage + " does not decode");
    const TargetVerdict verdict = ExactLengthVerdict({&exact, &later});
    EXPECT_EQ(verdict.Met, false);
    EXPECT_EQ(verdict.Evidence, "short: sections decode to -5 samples");
    EXPECT_FALSE(ExactLengthVerdict({}).Met); // no split checked: not measured
}

TEST(BenchFindings, AScenarioThatDidNotRunKeepsItsNotesAndGoals)
{
    Findings skipped;
    skipped.Notes.push_back("oggdec is not installed");
    skipped.Targets.push_back(AtMost("decoding goal", std::nullopt, 0.6, " x"));
    Findings ran;
    ran.Title = "Split";
    ran.AddRow("engine", Timed(0.5, 0.4));

    BenchReport report;
    report.Add(skipped);
    report.Add(ran);
    std::ostringstream out;
    report.Print(out);
    const std::string text = out.str();
    EXPECT_NE(text.find("\nSplit\nengine "), std::string::npos);
    EXPECT_EQ(text.find("\n\n\n"), std::string::npos); // no empty heading for the skipped one
    EXPECT_NE(text.find("note: oggdec is not installed\n"), std::string::npos);
    EXPECT_NE(text.find("target: decoding goal: not measured\n"), std::string::npos);
}

} // namespace
} // namespace oq::bench

#endif // OQ_BENCH_TOOLS
