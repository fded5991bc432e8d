#include "model/MarkerHistory.h"

#include "model/MarkerList.h"

namespace oq {

MarkerSnapshot MarkerHistory::Take() const
{
    return {markers_.Places(), markers_.SelectedMarker(), markers_.SelectedSection()};
}

void MarkerHistory::Start()
{
    steps_.assign(1, Take());
    current_ = 0;
}

void MarkerHistory::Clear()
{
    steps_.clear();
    current_ = 0;
}

bool MarkerHistory::Record()
{
    if (steps_.empty() || !markers_.HasFile())
        return false;
    MarkerSnapshot now = Take();
    if (now.Markers == steps_[current_].Markers) {
        steps_[current_] = std::move(now);
        return false;
    }
    steps_.resize(current_ + 1);
    steps_.push_back(std::move(now));
    ++current_;
    return true;
}

bool MarkerHistory::Undo()
{
    if (!CanUndo())
        return false;
    Lay(steps_[--current_]);
    return true;
}

bool MarkerHistory::Redo()
{
    if (!CanRedo())
        return false;
    Lay(steps_[++current_]);
    return true;
}

void MarkerHistory::Lay(const MarkerSnapshot& snapshot)
{
    // Each step was recorded tidy (sorted), so laying it again keeps every
    // marker where it was, exact markers at their samples.
    markers_.ReplaceMarkers(snapshot.Markers);
    if (snapshot.SelectedMarker >= 1)
        markers_.SelectMarker(snapshot.SelectedMarker);
    else if (snapshot.SelectedSection >= 1)
        markers_.SelectSection(snapshot.SelectedSection);
}

} // namespace oq
