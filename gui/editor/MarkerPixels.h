#pragma once

#include "model/Marker.h"

#include <cstdint>
#include <optional>
#include <unordered_map>

namespace oq {

class MarkerList;

// The pixel range x0 <= x < x1 of the section highlight on the overview.
struct PixelRange {
    std::int32_t X0 = 0;
    std::int32_t X1 = 0;
    bool operator==(const PixelRange&) const = default;
};

// Where the overview shows the markers of a MarkerList. A marker stands on
// its position's pixel Trunc(p / B * W), W being the overview's width for
// positions and B the model's block count, unless the view placed it by
// hand: a dragged marker stays under the mouse's pixel, and Add Marker's
// marker in the middle of the display (W / 2, which differs from the pixel
// of B / 2 when B is odd). Such a pixel stays with the marker's id, so it is
// kept through sorting and deleting and dropped when the model moves the
// marker. The section highlight is remembered as drawn, so that removing it
// inverts exactly those columns even after the markers moved.
class MarkerPixels {
public:
    // On an overview `width` pixels wide (W).
    MarkerPixels(const MarkerList& markers, std::int32_t width);

    std::int32_t PositionToPixel(std::int32_t position) const;
    std::int32_t PixelOf(const Marker& marker) const;
    // Marker i's image (1..n), and MarkerOn's: the selected marker's pixel,
    // 0 with none selected.
    std::int32_t ImagePixel(int i) const;
    std::int32_t MarkerOnPixel() const;

    // Add Marker's marker stands in the middle of the display.
    void PlaceInMiddle(MarkerId id);
    // The selected marker is dragged to pixel x: its image follows x limited
    // to 0..W. Returns the position under it for MarkerList::DragMarker;
    // RangeError (a display of no width) before any change.
    std::int32_t DragSelectedTo(std::int32_t x);
    // Forgets the pixels of markers the model no longer holds.
    void Prune();

    // The columns of the section from `first` to `last` (none: the file's
    // start or end), remembered as the highlight drawn.
    PixelRange DrawHighlight(std::optional<Marker> first, std::optional<Marker> last);
    // The highlight as last drawn.
    PixelRange Highlight() const noexcept { return highlight_; }

    // The section under overview column x: 1..m, or 0 for none.
    int SectionAtPixel(int x) const;

private:
    const MarkerList& markers_;
    std::int32_t width_;
    std::unordered_map<MarkerId, std::int32_t> placed_; // pixels placed by hand
    PixelRange highlight_;
};

} // namespace oq
