#include "model/MarkerGeometry.h"

#include "base/Error.h"
#include "media/MPEGData.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <utility>

namespace oq {

namespace {

const MPEGData& WithBlocks(const MPEGData& file)
{
    if (file.BlockCount < 1)
        throw RangeError("\"" + file.FileName + "\" is shorter than one block; markers cannot be placed in it");
    return file;
}

} // namespace

MarkerGeometry::MarkerGeometry(const MPEGData& file)
    : converter_(WithBlocks(file)), rate_(file.Rate), timeline_(file)
{
}

void MarkerGeometry::Open(const MPEGData& file)
{
    converter_ = PositionConverter(WithBlocks(file));
    rate_ = file.Rate;
    timeline_ = ChainTimeline(file);
    markers_.clear();
}

const Marker& MarkerGeometry::At(int i) const
{
    if (i < 1 || i > Count())
        throw RangeError("there is no marker " + std::to_string(i));
    return markers_[static_cast<std::size_t>(i - 1)];
}

Marker& MarkerGeometry::MutableAt(int i)
{
    return const_cast<Marker&>(std::as_const(*this).At(i));
}

std::vector<std::int32_t> MarkerGeometry::Positions() const
{
    std::vector<std::int32_t> positions;
    positions.reserve(markers_.size());
    for (const Marker& marker : markers_)
        positions.push_back(marker.Position);
    return positions;
}

std::int64_t MarkerGeometry::CutSample(int i) const
{
    return CutOf(At(i));
}

std::int64_t MarkerGeometry::CutSample(const MarkerPlace& place) const
{
    return place.Sample ? *place.Sample : converter_.PositionToSamples(place.Position);
}

std::int64_t MarkerGeometry::CutOf(const Marker& marker) const
{
    return marker.Sample ? *marker.Sample : converter_.PositionToSamples(marker.Position);
}

std::vector<MarkerPlace> MarkerGeometry::Places() const
{
    std::vector<MarkerPlace> places;
    places.reserve(markers_.size());
    for (const Marker& marker : markers_)
        places.push_back(marker.Place());
    return places;
}

MarkerPlace MarkerGeometry::ExactPlace(std::int64_t sample, std::string title) const
{
    return {converter_.SamplesToPosition(sample), sample, std::move(title)};
}

std::vector<std::int64_t> MarkerGeometry::CutSamples() const
{
    std::vector<std::int64_t> samples;
    samples.reserve(markers_.size());
    for (int i = 1; i <= Count(); ++i)
        samples.push_back(CutSample(i));
    return samples;
}

const Marker& MarkerGeometry::Append(std::int32_t p)
{
    return Append(MarkerPlace{.Position = p});
}

const Marker& MarkerGeometry::Append(const MarkerPlace& place)
{
    if (Count() < kMaxMarkers)
        markers_.push_back(NewMarker(place));
    else
        markers_.back() = NewMarker(place);
    return markers_.back();
}

void MarkerGeometry::Replace(const std::vector<std::int32_t>& positions)
{
    markers_.clear();
    for (const std::int32_t p : positions)
        Append(p);
    Sort();
}

void MarkerGeometry::Replace(const std::vector<MarkerPlace>& places)
{
    markers_.clear();
    for (const MarkerPlace& place : places)
        Append(place);
    Sort();
}

void MarkerGeometry::RemoveAt(int i)
{
    MutableAt(i) = markers_.back();
    markers_.pop_back();
}

void MarkerGeometry::Move(int i, std::int32_t p)
{
    Marker& marker = MutableAt(i);
    marker = NewMarker(MarkerPlace{.Position = p, .Title = std::move(marker.Title)});
}

void MarkerGeometry::MoveTo(int i, const MarkerPlace& place)
{
    MutableAt(i) = NewMarker(place);
}

void MarkerGeometry::Drag(int i, std::int32_t p)
{
    Marker& marker = MutableAt(i);
    marker.Position = p;
    marker.Sample.reset();
}

void MarkerGeometry::Separate(int i)
{
    // An exact marker shares its block with others as long as no other cuts
    // where it does: two exact markers in one block are two markers.
    if (At(i).Sample) {
        const std::int64_t cut = CutSample(i);
        bool shared = false;
        for (int k = 1; k <= Count() && !shared; ++k)
            shared = k != i && CutSample(k) == cut;
        if (!shared)
            return;
    }
    const std::int32_t wanted = At(i).Position;
    std::vector<std::int32_t> others;
    others.reserve(markers_.size());
    for (int k = 1; k <= Count(); ++k)
        if (k != i)
            others.push_back(At(k).Position);
    std::sort(others.begin(), others.end());
    const auto taken = [&others](std::int32_t p) { return std::binary_search(others.begin(), others.end(), p); };

    if (!taken(wanted))
        return;
    // One block later while below the end; at the end, earlier. The search
    // goes on past further taken positions, so the marker always ends alone
    // when there is room (a single step back from B could land on a
    // neighbour and leave an empty section).
    std::int32_t p = wanted;
    while (p < Blocks() && taken(p))
        ++p;
    if (taken(p)) {
        p = wanted;
        while (p > 0 && taken(p))
            --p;
    }
    if (!taken(p))
        Move(i, p);
}

int MarkerGeometry::Sort(int follow)
{
    // By block, then by cut within a block: exact markers of one block keep
    // the order of their samples.
    const auto byPosition = [this](const Marker& a, const Marker& b) {
        return a.Position != b.Position ? a.Position < b.Position : CutOf(a) < CutOf(b);
    };
    if (std::is_sorted(markers_.begin(), markers_.end(), byPosition))
        return follow;
    std::vector<int> order(markers_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this, &byPosition](int a, int b) {
        return byPosition(markers_[static_cast<std::size_t>(a)], markers_[static_cast<std::size_t>(b)]);
    });
    std::vector<Marker> sorted;
    sorted.reserve(markers_.size());
    int followed = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        sorted.push_back(markers_[static_cast<std::size_t>(order[k])]);
        if (order[k] + 1 == follow)
            followed = static_cast<int>(k) + 1;
    }
    markers_ = std::move(sorted);
    return followed;
}

std::optional<MarkerGeometry::SectionPlace> MarkerGeometry::PlaceOfSection(int j) const
{
    const int n = Count();
    if (j < 1 || n == 0)
        return std::nullopt;
    const int a = LeadingSection() ? j - 1 : j;
    if (a > n || (a == n && !TrailingSection()))
        return std::nullopt;
    const std::int32_t start = a == 0 ? 0 : At(a).Position;
    const std::int32_t end = a == n ? Blocks() : At(a + 1).Position;
    return SectionPlace{a, {start, end}};
}

std::vector<Section> MarkerGeometry::Sections() const
{
    std::vector<Section> sections;
    for (int j = 1;; ++j) {
        const auto place = PlaceOfSection(j);
        if (!place)
            return sections;
        sections.push_back(place->Bounds);
    }
}

bool MarkerGeometry::LeadingSection() const
{
    return Count() > 0 && CutSample(1) > 0;
}

bool MarkerGeometry::TrailingSection() const
{
    return Count() > 0 && CutSample(Count()) < TotalSamples();
}

SampleRange MarkerGeometry::SectionSamples(int j) const
{
    const auto place = PlaceOfSection(j);
    if (!place)
        throw RangeError("there is no section " + std::to_string(j));
    const int a = place->FirstMarker;
    return {a == 0 ? 0 : CutSample(a), a == Count() ? TotalSamples() : CutSample(a + 1)};
}

void MarkerGeometry::ResizeSection(int j, std::int32_t span)
{
    const auto place = PlaceOfSection(j);
    if (!place)
        return;
    const int a = place->FirstMarker;
    const int n = Count();
    const std::int32_t start = place->Bounds.Start;
    const std::int32_t blocks = Blocks();
    if (place->Bounds.End - start > span) {
        if (a == n) {
            // Shortening the trailing section splits it.
            Append(At(n).Position + span);
        } else {
            Move(a + 1, start + span);
        }
        return;
    }
    if (a == n)
        return; // the trailing section ends at B and cannot grow
    const std::int64_t end = std::int64_t{start} + span;
    if (end < blocks) {
        Move(a + 1, static_cast<std::int32_t>(end));
        // Markers the grown section swallows go, also when that leaves a single
        // marker: the section must end where the span says.
        const auto swallowed = std::remove_if(markers_.begin() + a + 1, markers_.end(),
                                              [end](const Marker& marker) { return marker.Position <= end; });
        markers_.erase(swallowed, markers_.end());
    } else if (a == 0) {
        // The leading section grew over the whole file.
        markers_.assign({NewMarker(0), NewMarker(blocks)});
    } else {
        Move(a + 1, blocks);
        markers_.resize(static_cast<std::size_t>(a + 1));
    }
}

} // namespace oq
