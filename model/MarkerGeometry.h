#pragma once

#include "media/ChainTimeline.h"
#include "model/Marker.h"
#include "model/PositionConverter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oq {

struct MPEGData;

// One section of the file between two block positions.
struct Section {
    std::int32_t Start = 0;
    std::int32_t End = 0;
    bool operator==(const Section&) const = default;
};

// A section's cut points in sample frames per channel.
struct SampleRange {
    std::int64_t Start = 0;
    std::int64_t End = 0;
    bool operator==(const SampleRange&) const = default;
};

// The markers of one file and the sections they cut it into: up to 1000
// markers at block positions 0..B, each with an id that a move renews and a
// drag keeps, and each cutting at its cut sample: the exact sample its
// source knew, else its block's (PositionToSamples). Markers are numbered
// from 1 in the list's order, which is the order of their blocks, then of
// their cut samples, once sorted; an operation that leaves the list
// unsorted says so. Positions given to it lie within 0..B, samples within
// the audio.
//
// Sections are derived from the sorted markers: a leading one from the
// start when the first marker cuts after it, one between each pair of
// neighbours, a trailing one to the end when the last marker cuts before
// it. Two exact markers in one block are two markers, with a section
// between them shorter than a block.
class MarkerGeometry {
public:
    static constexpr int kMaxMarkers = 1000;

    // Section j's first marker (0: the file's start) and its bounds.
    struct SectionPlace {
        int FirstMarker = 0;
        Section Bounds;
    };

    // No markers yet on `file`. A file shorter than one block (B < 1)
    // cannot hold markers: RangeError.
    explicit MarkerGeometry(const MPEGData& file);

    // The same over another file: no markers, and new ids go on from the
    // last one, so that no marker of it is taken for one of the earlier
    // file. On RangeError the geometry stays as it was.
    void Open(const MPEGData& file);

    const PositionConverter& Converter() const noexcept { return converter_; }
    std::int32_t Blocks() const noexcept { return converter_.BlockCount(); }
    // Samples per second per channel (of the first link in a chain).
    std::int32_t Rate() const noexcept { return rate_; }
    // Seconds of samples, each link's at its own rate.
    const ChainTimeline& Timeline() const noexcept { return timeline_; }
    std::int64_t TotalSamples() const { return converter_.PositionToSamples(Blocks()); }

    // --- Markers ------------------------------------------------------------

    int Count() const noexcept { return static_cast<int>(markers_.size()); }
    // Marker i (1..n); RangeError for any other i.
    const Marker& At(int i) const;
    std::int32_t Position(int i) const { return At(i).Position; }
    std::vector<std::int32_t> Positions() const;
    // Where marker i, or a marker at `place`, cuts, in samples per channel.
    std::int64_t CutSample(int i) const;
    std::int64_t CutSample(const MarkerPlace& place) const;
    // Every marker's place, in the list's order.
    std::vector<MarkerPlace> Places() const;
    // A marker that cuts at exactly `sample` (within the audio), on the
    // block whose cut lies nearest.
    MarkerPlace ExactPlace(std::int64_t sample, std::string title = {}) const;

    void Clear() noexcept { markers_.clear(); }
    // Adds a new marker at p, unsorted, and returns it. A full list moves
    // its last marker there instead of growing, as a new marker.
    const Marker& Append(std::int32_t p);
    const Marker& Append(const MarkerPlace& place);
    // A whole new list of new markers, sorted: each position appended in
    // turn (so a list past the limit ends on its last position).
    void Replace(const std::vector<std::int32_t>& positions);
    void Replace(const std::vector<MarkerPlace>& places);
    // Removes marker i; the last marker takes its place, unsorted.
    void RemoveAt(int i);
    // Marker i to block p as a new block marker (unsorted); it keeps its title.
    void Move(int i, std::int32_t p);
    // Marker i to `place` as a new marker (unsorted).
    void MoveTo(int i, const MarkerPlace& place);
    // Marker i to block p keeping its id: it stands where a view dragged
    // it, a block marker with its title.
    void Drag(int i, std::int32_t p);
    // Moves marker i off a position another marker holds, to the nearest
    // free one after it (before B), else the nearest free one before it;
    // a marker alone on its position stays. Unsorted.
    void Separate(int i);
    // Sorts by position, stably, so markers on one position keep their
    // order. Returns where marker `follow` went (0 stays 0).
    int Sort(int follow = 0);

    // --- Sections (of the sorted list) ---------------------------------------

    // Where the sorted markers cut: each marker's cut sample in order.
    std::vector<std::int64_t> CutSamples() const;
    // Whether the sorted list has a leading section before its first marker
    // (the first cuts after the start) and a trailing one after its last.
    bool LeadingSection() const;
    bool TrailingSection() const;

    // Section j (1..m); nothing for any other j.
    std::optional<SectionPlace> PlaceOfSection(int j) const;
    std::vector<Section> Sections() const;
    // Section j's cut points: its markers' cut samples, the start and the
    // end of the audio for the leading and trailing sections.
    // RangeError when there is no section j.
    SampleRange SectionSamples(int j) const;
    // Gives section j a span of `span` blocks from its start: a shorter one
    // moves (or for the trailing section, adds) the marker at its end; a
    // longer one moves that marker and drops those it swallows, running at
    // most to B. The trailing section ends at B and does not grow.
    void ResizeSection(int j, std::int32_t span);

private:
    Marker NewMarker(std::int32_t p) noexcept { return {p, ++lastId_}; }
    Marker NewMarker(const MarkerPlace& place) { return {place.Position, ++lastId_, place.Sample, place.Title}; }
    Marker& MutableAt(int i);
    std::int64_t CutOf(const Marker& marker) const;

    PositionConverter converter_;
    std::int32_t rate_;
    ChainTimeline timeline_;
    std::vector<Marker> markers_; // marker i in slot i - 1
    MarkerId lastId_ = 0;
};

} // namespace oq
