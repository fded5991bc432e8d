#include "bench/Scenarios.h"

#include "bench/TimedRounds.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>
#include <vorbis/vorbisfile.h>

namespace oq::bench {

namespace {

constexpr double kInfoGoalMs = 5.0; // command-line info process beyond the libvorbisfile open alone
constexpr double kMsPerSecond = 1000.0;

} // namespace

// What `info` costs beyond opening the file with libvorbisfile: the open
// alone runs in a forked child, `info` as a whole process (its start
// included).
Findings DescribeWithCli(const ScenarioSetting& setting)
{
    Findings findings;
    std::optional<double> beyondOpenMs;
    if (const std::string cli = SiblingProgram("oggquorvel-cli"); !cli.empty()) {
        const std::string source = setting.Material().Long;
        findings = setting.Begin("Command line: information on the 45-minute file");
        const std::vector<Measured> results = TimeInRounds(
            {ChildTask("ov_fopen",
                       [=] {
                           OggVorbis_File file;
                           if (ov_fopen(source.c_str(), &file) != 0)
                               throw std::runtime_error("ov_fopen failed");
                           ov_clear(&file);
                       }),
             CommandTask("cli info", {cli, "info", source})},
            setting.QuickRounds(), setting.Progress());
        findings.AddRow("libvorbisfile open (ov_fopen, ov_clear)", results[0]);
        findings.AddRow("oggquorvel-cli info (whole process)", results[1], "open", &results[0]);
        if (results[0].Ok() && results[1].Ok())
            beyondOpenMs = (results[1].Seconds - results[0].Seconds) * kMsPerSecond;
    }
    findings.Targets.push_back(
        AtMost(FormatFigure(kInfoGoalMs, "oggquorvel-cli info within %.0f ms of the libvorbisfile open (45 min)"),
               beyondOpenMs, kInfoGoalMs, " ms"));
    return findings;
}

} // namespace oq::bench
