#pragma once

#include "model/PositionConverter.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace oq {

struct MPEGData;

// Marker positions as the times of their cut points, for the files that
// carry markers out of the program and back in. A marker's time is its cut
// sample (PositionToSamples) over the rate; a time read back lands on the
// block whose cut sample lies nearest, so a time written with at least
// microsecond precision returns to its own block.
class MarkerTime {
public:
    // RangeError for a file without blocks, samples or rate.
    explicit MarkerTime(const MPEGData& file);

    std::int32_t BlockCount() const noexcept { return converter_.BlockCount(); }
    std::int32_t Rate() const noexcept { return rate_; }
    std::int64_t Sample(std::int32_t position) const { return converter_.PositionToSamples(position); }
    double Seconds(std::int32_t position) const { return static_cast<double>(Sample(position)) / rate_; }

    // The block whose cut sample lies nearest `sample` (the earlier of two
    // as near), within 0 .. BlockCount.
    std::int32_t PositionAtSample(std::int64_t sample) const;
    // The same for a time in seconds; nothing for a time before 0 or after
    // the end of the audio by more than half a sample.
    std::optional<std::int32_t> PositionAt(double seconds) const;
    // The block nearest each link boundary of a chained file, in order,
    // whose cut is the boundary itself (see PositionConverter); empty for a
    // file of one link. Raises as the constructor does.
    static std::vector<std::int32_t> LinkPositions(const MPEGData& file);

private:
    PositionConverter converter_;
    std::int32_t rate_;
    std::int64_t samples_;
};

} // namespace oq
