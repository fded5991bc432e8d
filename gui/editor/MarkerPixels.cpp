#include "gui/editor/MarkerPixels.h"

#include "model/MarkerList.h"

#include <algorithm>
#include <unordered_set>

namespace oq {

MarkerPixels::MarkerPixels(const MarkerList& markers, std::int32_t width) : markers_(markers), width_(width) {}

std::int32_t MarkerPixels::PositionToPixel(std::int32_t position) const
{
    return markers_.Converter().PositionToPixel(position, width_);
}

std::int32_t MarkerPixels::PixelOf(const Marker& marker) const
{
    const auto placed = placed_.find(marker.Id);
    return placed != placed_.end() ? placed->second : PositionToPixel(marker.Position);
}

std::int32_t MarkerPixels::ImagePixel(int i) const
{
    return PixelOf(markers_.At(i));
}

std::int32_t MarkerPixels::MarkerOnPixel() const
{
    const int selected = markers_.SelectedMarker();
    return selected >= 1 ? ImagePixel(selected) : 0;
}

void MarkerPixels::PlaceInMiddle(MarkerId id)
{
    placed_[id] = width_ / 2;
}

std::int32_t MarkerPixels::DragSelectedTo(std::int32_t x)
{
    const std::int32_t pixel = std::clamp(x, 0, width_);
    const std::int32_t position = markers_.Converter().PixelToPosition(pixel, width_);
    placed_[markers_.At(markers_.SelectedMarker()).Id] = pixel;
    return position;
}

void MarkerPixels::Prune()
{
    if (placed_.empty())
        return;
    std::unordered_set<MarkerId> held;
    for (int i = 1; i <= markers_.MarkerCount(); ++i)
        held.insert(markers_.At(i).Id);
    std::erase_if(placed_, [&held](const auto& entry) { return !held.contains(entry.first); });
}

PixelRange MarkerPixels::DrawHighlight(std::optional<Marker> first, std::optional<Marker> last)
{
    // A section's highlight starts one column right of its first marker and
    // takes in its last marker's column.
    const std::int32_t x0 = first ? PixelOf(*first) + 1 : 0;
    const std::int32_t x1 = !last ? width_ : PixelOf(*last) + 1;
    highlight_ = {x0, x1};
    return highlight_;
}

int MarkerPixels::SectionAtPixel(int x) const
{
    const int n = markers_.MarkerCount();
    const int m = markers_.SectionCount();
    if (n == 0 || m == 0)
        return 0;
    const bool leading = markers_.Geometry().LeadingSection();
    // A click up to one pixel right of a marker still counts to the section
    // before it: the highlight of that section reaches the marker's column.
    if (leading && x <= ImagePixel(1) + 1)
        return 1;
    if (x >= ImagePixel(n) - 1)
        return x <= width_ ? m : 0;
    for (int k = 1; k <= n; ++k)
        if (x <= ImagePixel(k) + 1)
            return leading ? k : k - 1;
    return 0;
}

} // namespace oq
