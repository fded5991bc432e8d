#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace oq {

// Identifies a marker as the model last placed it. Every move the model
// makes gives the marker a new id; a drag and Add Marker keep it. A view
// that shows a marker somewhere else than its position's place can so tell
// when the model has taken the marker over again.
using MarkerId = std::uint32_t;

// Where a marker stands, without its identity: what a source of markers
// lays and what the undo history keeps.
//
// Every marker stands on a block 0..B, where it is drawn and where hand
// editing moves it. A marker whose source knew its time (a cue sheet, a
// label file, a link boundary, a typed time) also keeps that exact sample
// per channel, and cuts there rather than at its block's first sample; its
// block is the one whose cut lies nearest. Moving it by hand makes it a
// block marker again.
struct MarkerPlace {
    std::int32_t Position = 0;
    std::optional<std::int64_t> Sample{};
    // The name its source gave it (a cue track's, a label's title), which
    // the section starting at it takes; empty for none.
    std::string Title{};
    bool operator==(const MarkerPlace&) const = default;
};

// One marker: its place and its id.
struct Marker {
    std::int32_t Position = 0;
    MarkerId Id = 0;
    std::optional<std::int64_t> Sample{};
    std::string Title{};
    bool operator==(const Marker&) const = default;

    MarkerPlace Place() const { return {Position, Sample, Title}; }
};

} // namespace oq
