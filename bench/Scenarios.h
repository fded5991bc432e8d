#pragma once

#include "bench/BenchMaterial.h"
#include "bench/Findings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace oq::bench {

// Splits are timed into this many equal sections.
constexpr int kSections = 10;

// Our amplitude profile's or WAV conversion's time / the peer decoder's on
// the same file, for Vorbis and Opus alike.
constexpr double kDecodeGoal = 0.6;

// What every scenario is given: the material, how many rounds to time, a
// scratch folder for outputs, and where progress goes as it is measured.
class ScenarioSetting {
public:
    ScenarioSetting(BenchMaterial material, int runs, std::ostream& progress);

    const BenchMaterial& Material() const noexcept { return material_; }
    // Rounds of the measurements that take seconds (decoding a long file).
    int Runs() const noexcept { return runs_; }
    // Measurements under a second are cheap, so they get more rounds.
    int QuickRounds() const noexcept { return 2 * runs_ + 1; }
    std::ostream& Progress() const noexcept { return progress_; }

    // `name` under the scratch folder.
    std::string Scratch(const std::string& name) const;
    // Empties the scratch folder `name`: the preparation before each run of
    // a task that writes there.
    std::function<void()> Reset(const std::string& name) const;
    // Findings under `title`, the title shown in the progress as the
    // scenario starts.
    Findings Begin(const std::string& title) const;

private:
    BenchMaterial material_;
    int runs_;
    std::ostream& progress_;
};

// A program built beside this one ("oggquorvel-cli", "oq_gui_bench");
// empty when it was not built.
std::string SiblingProgram(const std::string& name);

// The heading of a split into kSections: the file's name, length (m:ss of
// `total` samples at `rate`) and size.
std::string SplitTitle(const std::string& source, std::int64_t total, long rate);

// The goals of every engine split of a 45-minute file: its time against the
// libogg packet floor's, and its peak memory; `subject` names the split
// ("engine", "Opus engine").
std::vector<TargetVerdict> EngineSplitVerdicts(const std::string& subject, const std::optional<Ratio>& floorRatio,
                                               std::optional<double> peakMiB);

// The scenarios, one to a file, each timing one subject against a reference
// measured in the same rounds.

// The 45-minute file split by the engine, next to the libogg packet floor,
// cp, the same at a quarter of the length, the command line as a whole
// process and the peer splitters that are installed.
Findings SplitLongFile(const ScenarioSetting& setting);
// The command line's `info` next to the decoder library's open alone.
Findings DescribeWithCli(const ScenarioSetting& setting);
// The command line's `markers --silence` twice on the 45-minute file: the
// first look decodes, the second answers from the remembered profile; with
// ffmpeg's silence detection beside them where installed.
Findings LookAgainWithCli(const ScenarioSetting& setting);
// One more file split by the engine next to the packet floor. With
// `goalLabel` ("Opus") its time and peak are held to the split goals under
// that name.
Findings SplitFile(const ScenarioSetting& setting, const std::string& label, const std::string& source,
                   const std::string& goalLabel = {});

// How much a second thread gains right now, which every two-core figure
// must be read beside.
struct Headroom {
    Findings Found;
    std::optional<double> TwoThreadShare; // two threads' time / one thread's for the same work
};
Headroom MeasureHeadroom(const ScenarioSetting& setting);

// The long Vorbis file decoded: the library's plain decode, oggdec, our
// amplitude profile, WAV conversion and loudness measurement.
Findings DecodeVorbis(const ScenarioSetting& setting, std::optional<double> twoThreadShare);
// The long Opus file decoded: opusdec next to our profile and WAV conversion.
Findings DecodeOpus(const ScenarioSetting& setting);
// The desktop program opening the long file until its waveform is drawn.
Findings OpenInDesktop(const ScenarioSetting& setting);
// The desktop program's time per event of marker editing with the most
// markers a file can have.
Findings EditMarkersInDesktop(const ScenarioSetting& setting);
// The catalog tool over a folder of short files.
Findings CatalogFolder(const ScenarioSetting& setting);
// Twenty files of a few minutes split by one run of the command line, one
// at a time and two at a time, by a loop of runs, and by a loop of oggsplt;
// the two at a time is read beside `twoThreadShare` (see Headroom).
Findings SplitBatch(const ScenarioSetting& setting, std::optional<double> twoThreadShare);

} // namespace oq::bench
