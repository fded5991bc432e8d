#pragma once

#include <cstdint>

namespace oq {

// The controls that take the input focus when a marker or a section is chosen.
enum class FocusTarget {
    RangeSelectMarker,
    SectionSelectSection,
};

// What the marker model asks of the display at the moment it happens. The
// overview keeps the section highlight and the marker line painted over its
// picture, so these are events rather than state: the display must act on
// exactly these calls (an inversion applied twice restores the picture).
// Every method does nothing by default, which suits a model without display.
class MarkerListView {
public:
    virtual ~MarkerListView() = default;

    // Invert the overview over x0 <= x < x1, all rows.
    virtual void InvertSectionRange(std::int32_t /*x0*/, std::int32_t /*x1*/) {}
    // Restore the column under a line still shown, then draw the line at x.
    virtual void ShowMarkerLine(std::int32_t /*x*/) {}
    // Restore the column under a line still shown.
    virtual void HideMarkerLine() {}
    // on: enable the zoom buttons as the zoom state allows; off: disable both.
    virtual void SetZoomButtons(bool /*on*/) {}
    // Redraw the zoom view around the selected marker.
    virtual void DrawZoomView() {}
    // Fill the zoom view with the background colour (no marker selected).
    virtual void ClearZoomView() {}
    virtual void MoveFocus(FocusTarget /*target*/) {}
};

} // namespace oq
