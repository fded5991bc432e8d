#pragma once

#include <ostream>
#include <string>

namespace oq::bench {

// Where the benchmark's generated recordings live. They are made once and
// re-used by later runs; a change of what is generated changes the folder
// name, so stale material is never measured.
struct BenchMaterial {
    std::string Folder;
    std::string Long;        // 45 minutes, stereo, 44.1 kHz
    std::string Quarter;     // the first quarter of the same recording
    std::string Mono;        // a few minutes, one channel
    std::string Surround;    // a few minutes, six channels
    std::string LongOpus;    // 45 minutes, stereo, Ogg Opus (libopusenc)
    std::string ShortFolder; // many short files of assorted formats
    std::string Scratch;     // outputs of the measured runs, emptied as they go
};

constexpr int kShortFileCount = 200;

// The material's places under `cacheRoot`.
BenchMaterial MaterialUnder(const std::string& cacheRoot);

// Generates whatever material is missing, in child processes, printing
// progress to `log`. Files appear under their final names only when
// complete, so an interrupted run starts that file again next time.
void EnsureMaterial(const BenchMaterial& material, std::ostream& log);

// Reads every file of the material once, so that the first timed run does
// not pay for the disk.
void WarmUp(const BenchMaterial& material);

} // namespace oq::bench
