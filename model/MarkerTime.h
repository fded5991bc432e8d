#pragma once

#include "media/ChainTimeline.h"
#include "model/MarkerSource.h"
#include "model/PositionConverter.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace oq {

struct MPEGData;

// Marker places as the times of their cut points, for the files that
// carry markers out of the program and back in. A marker's time is that of
// its cut sample (its exact sample, else PositionToSamples of its block) on
// the file's ChainTimeline, each link's samples at its own rate; a time read back is the nearest sample, kept exactly, on the block
// whose cut sample lies nearest. A time written with at least microsecond
// precision so returns to its own sample.
class MarkerTime {
public:
    // RangeError for a file without blocks, samples or rate.
    explicit MarkerTime(const MPEGData& file);

    std::int32_t BlockCount() const noexcept { return converter_.BlockCount(); }
    std::int32_t Rate() const noexcept { return rate_; }
    std::int64_t Sample(std::int32_t position) const { return converter_.PositionToSamples(position); }
    double Seconds(std::int32_t position) const { return SecondsAt(Sample(position)); }
    double SecondsAt(std::int64_t sample) const { return timeline_.Seconds(sample); }
    const ChainTimeline& Timeline() const noexcept { return timeline_; }
    std::int64_t TotalSamples() const noexcept { return samples_; }
    // Where a marker at `place` cuts.
    std::int64_t CutSample(const MarkerPlace& place) const { return place.Sample ? *place.Sample : Sample(place.Position); }
    // A marker that cuts at exactly `sample` (within the audio).
    MarkerPlace ExactPlace(std::int64_t sample, std::string title = {}) const;

    // The block whose cut sample lies nearest `sample` (the earlier of two
    // as near), within 0 .. BlockCount.
    std::int32_t PositionAtSample(std::int64_t sample) const;
    // The sample nearest a time in seconds; nothing for a time before 0 or
    // after the end of the audio by more than half a sample.
    std::optional<std::int64_t> SampleAt(double seconds) const;
    // The markers of a chained file's links: one at the start and one at
    // each boundary, exact, each titled with its link's TITLE; the end of
    // the file is left to the caller. Raises as the constructor does, and
    // IoError when the file cannot be read again for its links' comments.
    static LaidMarkers LinkMarkers(const MPEGData& file);

private:
    PositionConverter converter_;
    ChainTimeline timeline_;
    std::int32_t rate_;
    std::int64_t samples_;
};

} // namespace oq
