#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace oq {

// How a decoding job is divided: the threads that decode and the source
// byte offsets where parts should begin. The defaults suit the machine.
struct PartLayout {
    unsigned Threads = 0; // 0: one per processor core
    std::optional<std::vector<std::int64_t>> Targets; // none: spread by PartTargets
    // Sample frames a decoder begun in the middle decodes before its part,
    // for a codec that needs pre-roll; none: what the codec's headers let a
    // section's decoder drop. Tests shorten it to see joins fail.
    std::optional<std::int64_t> PreRoll = std::nullopt;
    // A stream that does not decode as planned is decoded again in one pass;
    // false raises the StreamPlanMismatch instead, so tests see which way
    // the result was made.
    bool OnePassOnMismatch = true;
};

unsigned ThreadsOf(const PartLayout& layout);
std::vector<std::int64_t> TargetsOf(const PartLayout& layout, const std::string& path);

// Does one part; returns early when `stop` is raised.
using PartWork = std::function<void(std::size_t part, const std::atomic<bool>& stop)>;
// Runs on the calling thread; returns false to stop the work.
using PartWatch = std::function<bool()>;

// Runs `work` for parts 0 .. parts - 1, each once, taken in order by up to
// `threads` worker threads, so that the finished stretch grows from the
// front. Meanwhile the calling thread runs `watch` every few milliseconds
// and once more after the parts have ended: progress, pause and cancel stay
// on the caller's thread, as with work done in one pass. When watch returns
// false, `stop` is raised for the parts. The first failure of a part or of
// watch stops the rest and is raised here once every thread has ended.
// Returns false when the work was stopped.
bool RunParts(std::size_t parts, unsigned threads, const PartWork& work, const PartWatch& watch);

} // namespace oq
