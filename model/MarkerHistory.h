#pragma once

#include "model/Marker.h"

#include <cstdint>
#include <vector>

namespace oq {

class MarkerList;

// The markers (their blocks, exact samples and titles) and the selection at
// one moment of editing.
struct MarkerSnapshot {
    std::vector<MarkerPlace> Markers;
    int SelectedMarker = 0;
    int SelectedSection = 0;
    bool operator==(const MarkerSnapshot&) const = default;
};

// The undo and redo history of one open file's markers. Each step is the
// marker list after a change; Record is called after every change the user
// makes (and freely after a mere selection, which is no step), so a history
// needs no knowledge of the kinds of change.
//
// A restored list gives every marker a new id: a marker the view placed by
// hand (a drag, Add Marker's middle) then shows on its position's pixel, the
// place any marker the model laid stands on. The history is unlimited; it
// lives as long as the file is open.
class MarkerHistory {
public:
    explicit MarkerHistory(MarkerList& markers) noexcept : markers_(markers) {}

    // A new history whose only state is the list as it stands.
    void Start();
    // Forgets every step: no file is open.
    void Clear();
    // Adds the list as it stands as a step when its markers differ from the
    // last step, ending every redo; otherwise only remembers the selection.
    // Returns whether a step was added. Ignored before Start.
    bool Record();

    bool CanUndo() const noexcept { return current_ > 0; }
    bool CanRedo() const noexcept { return current_ + 1 < steps_.size(); }
    // Lays the previous or next step into the list; false when there is none.
    bool Undo();
    bool Redo();

    std::size_t StepCount() const noexcept { return steps_.size(); }

private:
    MarkerSnapshot Take() const;
    void Lay(const MarkerSnapshot& snapshot);

    MarkerList& markers_;
    std::vector<MarkerSnapshot> steps_; // steps_[current_] is the list as shown
    std::size_t current_ = 0;
};

} // namespace oq
