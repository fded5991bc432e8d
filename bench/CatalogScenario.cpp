#include "bench/Scenarios.h"

#include "bench/SplitRun.h"
#include "bench/TimedRounds.h"
#include "bench/ToolWork.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace oq::bench {

namespace {

std::int64_t CountLines(const std::string& path)
{
    std::ifstream in(path);
    std::int64_t lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines;
}

} // namespace

// The catalog against its floor: every file opened by the decoder library
// and its length asked for.
Findings CatalogFolder(const ScenarioSetting& setting)
{
    const std::string& folder = setting.Material().ShortFolder;
    const auto files = OggFilesIn(folder);
    Findings findings = setting.Begin("Catalog of a folder of " + std::to_string(files.size()) + " short files");
    const std::string output = setting.Scratch("catalog/catalog.csv");
    const std::vector<Measured> results =
        TimeInRounds({ChildTask("open", [=] { MeasureEachFile(folder); }),
                      ChildTask("catalog", [=] { WriteCatalogOf(folder, output); }, setting.Reset("catalog"))},
                     setting.QuickRounds(), setting.Progress());
    findings.AddRow("open + length of each file", results[0], {}, nullptr, "reference: the decoder library alone");
    std::string note;
    if (results[1].Ok()) {
        const std::int64_t lines = CountLines(output);
        note = std::to_string(std::lround(static_cast<double>(files.size()) / results[1].Seconds)) +
               " files/s; " + std::to_string(lines) + " lines written";
        if (lines < static_cast<std::int64_t>(files.size()))
            note += " (FEWER THAN FILES)";
    }
    findings.AddRow("catalog (CSV template)", results[1], "open", &results[0], note);
    return findings;
}

} // namespace oq::bench
