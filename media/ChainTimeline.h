#pragma once

#include <cstdint>
#include <vector>

namespace oq {

struct MPEGData;

// Seconds on a file's timeline of sample frames per channel, the count of
// every link one after another that MPEGData's LinkStarts and the section
// cutter use. The links of a chain may run at different rates, so a count
// of samples is no time by itself: a position inside link k lies after the
// durations of the links before it, plus its own samples at link k's rate.
// That is also how the decoder library totals a chain's play time.
class ChainTimeline {
public:
    explicit ChainTimeline(const MPEGData& file);
    // A timeline at one rate: one link, or links that all run at `rate`.
    explicit ChainTimeline(std::int32_t rate);

    // Seconds from the start of the file to `sample`.
    double Seconds(std::int64_t sample) const { return Length(0, sample); }
    // Seconds the samples from `first` up to `end` last; 0 when `end` is
    // not after `first`. Inside one link it is exactly (end - first) / rate.
    double Length(std::int64_t first, std::int64_t end) const;
    // Whether every sample counts at one rate: a time is then proportional
    // to a count of samples wherever they lie.
    bool OneRate() const noexcept;

private:
    // A stretch of the timeline at one rate: from First up to the next
    // stretch's First (the last runs on to any end).
    struct Stretch {
        std::int64_t First;
        std::int32_t Rate; // Hz; 0 counts no time
    };
    std::vector<Stretch> stretches_; // rising, the first at 0
};

} // namespace oq
