#pragma once

#include <cstdint>

namespace oq {

// Identifies a marker as the model last placed it. Every move the model
// makes gives the marker a new id; a drag and Add Marker keep it. A view
// that shows a marker somewhere else than its position's place can so tell
// when the model has taken the marker over again.
using MarkerId = std::uint32_t;

// One marker: a block position 0..B and its id.
struct Marker {
    std::int32_t Position = 0;
    MarkerId Id = 0;
    bool operator==(const Marker&) const = default;
};

} // namespace oq
