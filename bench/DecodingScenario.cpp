#include "bench/Scenarios.h"

#include "bench/ChildRun.h"
#include "bench/SplitRun.h"
#include "bench/TimedRounds.h"
#include "bench/ToolWork.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace oq::bench {

namespace fs = std::filesystem;

namespace {

// The loudness of a split's sections (--replaygain) / the plain ov_read
// decode of the same file.
constexpr double kLoudnessGoal = 0.6;

std::vector<TargetVerdict> Verdicts(const std::optional<Ratio>& profile, const std::optional<Ratio>& wav,
                                    bool wavIdentical, const std::optional<Ratio>& loudness,
                                    const std::optional<bool>& loudnessExact, std::optional<double> twoThreadShare)
{
    // The goals count on a second core, so they are read beside what one
    // gave in this run.
    const std::string headroom =
        twoThreadShare
            ? FormatFigure(*twoThreadShare, "; two threads took %.2f x the time of one for the same arithmetic")
            : "";
    TargetVerdict profileVerdict = RatioTarget(
        FormatFigure(kDecodeGoal, "amplitude profile <= %.1f x oggdec -o /dev/null (45 min)"), profile, kDecodeGoal);
    profileVerdict.Evidence += headroom;
    TargetVerdict wavVerdict = RatioTarget(
        FormatFigure(kDecodeGoal, "WAV conversion <= %.1f x oggdec writing the WAV (45 min)"), wav, kDecodeGoal);
    wavVerdict.Evidence += headroom + (wavIdentical ? "; samples identical" : "; SAMPLES DIFFER");
    TargetVerdict loudnessVerdict =
        RatioTarget("loudness of " + std::to_string(kSections) + " sections" +
                        FormatFigure(kLoudnessGoal, " <= %.1f x the ov_read decode (45 min)"),
                    loudness, kLoudnessGoal);
    if (loudnessExact) {
        loudnessVerdict.Evidence += *loudnessExact ? "; figures identical to one pass" : "; FIGURES DIFFER FROM ONE PASS";
        if (loudnessVerdict.Met && !*loudnessExact)
            loudnessVerdict.Met = false;
    }
    loudnessVerdict.Evidence += headroom;
    return {profileVerdict, wavVerdict, loudnessVerdict};
}

} // namespace

Findings DecodeVorbis(const ScenarioSetting& setting, std::optional<double> twoThreadShare)
{
    const std::string& source = setting.Material().Long;
    Findings findings = setting.Begin("Decoding references: " + fs::path(source).filename().string());
    std::vector<Task> tasks = {ChildTask("ov_read", [=] { DecodeWholeFile(source); })};
    enum { kPlain, kOggdec, kOggdecWav, kProfile, kWav, kLoudness };
    std::optional<Ratio> profileRatio;
    std::optional<Ratio> wavRatio;
    std::optional<Ratio> loudnessRatio;
    std::optional<bool> loudnessExact;
    bool wavIdentical = false;
    const std::string oggdec = FindProgram("oggdec");
    if (oggdec.empty()) {
        findings.Notes.push_back("oggdec (package vorbis-tools) is not installed: only ov_read timed");
        const std::vector<Measured> results = TimeInRounds(tasks, setting.Runs(), setting.Progress());
        findings.AddRow("ov_read decode (libvorbisfile)", results[kPlain]);
    } else {
        const std::string oggdecWav = setting.Scratch("oggdec-wav/long.wav");
        const std::string ourWav = setting.Scratch("wav/long.wav");
        tasks.push_back(CommandTask("oggdec", {oggdec, "-Q", "-o", "/dev/null", source}));
        tasks.push_back(
            CommandTask("oggdec-wav", {oggdec, "-Q", "-o", oggdecWav, source}, setting.Reset("oggdec-wav")));
        tasks.push_back(ChildTask("profile", [=] { ProfileWholeFile(source); }));
        tasks.push_back(ChildTask("wav", [=] { ConvertWholeFileToWav(source, ourWav); }, setting.Reset("wav")));
        const auto cuts = EqualCutPoints(DecodedLength(source), kSections);
        tasks.push_back(ChildTask("loudness", [=] { MeasureLoudnessOf(source, cuts); }));

        const std::vector<Measured> results = TimeInRounds(tasks, setting.Runs(), setting.Progress());
        wavIdentical = SameWavData(ourWav, oggdecWav);
        fs::remove_all(setting.Scratch("wav"));
        fs::remove_all(setting.Scratch("oggdec-wav"));
        const Measured& plain = results[kPlain];
        findings.AddRow("ov_read decode (libvorbisfile)", plain, {}, nullptr, "reference for decoding work");
        findings.AddRow("oggdec -o /dev/null", results[kOggdec], "ov_read", &plain);
        findings.AddRow("oggdec writing the WAV file", results[kOggdecWav], "ov_read", &plain);
        findings.AddRow("amplitude profile", results[kProfile], "oggdec", &results[kOggdec],
                        CoresUsed(results[kProfile]));
        findings.AddRow("WAV conversion", results[kWav], "oggdec WAV", &results[kOggdecWav],
                        CoresUsed(results[kWav]) +
                            (wavIdentical ? "; samples identical to oggdec's" : "; SAMPLES DIFFER FROM OGGDEC'S"));
        findings.AddRow("loudness of " + std::to_string(kSections) + " sections (--replaygain)",
                        results[kLoudness], "ov_read", &plain, CoresUsed(results[kLoudness]));
        profileRatio = RatioOf(results[kProfile], results[kOggdec]);
        wavRatio = RatioOf(results[kWav], results[kOggdecWav]);
        loudnessRatio = RatioOf(results[kLoudness], plain);
        loudnessExact = LoudnessMatchesOnePass(source, cuts);
    }
    findings.Targets = Verdicts(profileRatio, wavRatio, wavIdentical, loudnessRatio, loudnessExact, twoThreadShare);
    return findings;
}

} // namespace oq::bench
