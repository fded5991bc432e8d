#pragma once

#include "model/Marker.h"

#include <optional>

namespace oq {

// The controls that take the input focus when a marker or a section is chosen.
enum class FocusTarget {
    RangeSelectMarker,
    SectionSelectSection,
};

// What the marker model asks of the display at the moment it happens. The
// overview keeps the section highlight and the marker line painted over its
// picture, so these are events rather than state: the display must act on
// exactly these calls. They name markers, not pixels: where a marker stands
// on the screen is the display's business. Every method does nothing by
// default, which suits a model without display.
class MarkerListView {
public:
    virtual ~MarkerListView() = default;

    // Highlight the section from marker `first` to marker `last`; none
    // stands for the file's start or its end.
    virtual void HighlightSection(std::optional<Marker> /*first*/, std::optional<Marker> /*last*/) {}
    // Remove the highlight the last HighlightSection drew, where it was drawn:
    // the markers may have moved since.
    virtual void RemoveHighlight() {}
    // Add Marker laid marker `id` in the middle of the file; the display shows
    // it in its own middle until the model moves it.
    virtual void MarkerAddedInMiddle(MarkerId /*id*/) {}
    // Restore the column under a line still shown, then draw the line at the
    // marker.
    virtual void ShowMarkerLine(const Marker& /*marker*/) {}
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
