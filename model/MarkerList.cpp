#include "model/MarkerList.h"

#include "base/FieldText.h"
#include "model/MarkerItems.h"
#include "model/MarkerListView.h"
#include "model/MarkerSource.h"
#include "base/Error.h"

#include <algorithm>
#include <utility>

namespace oq {

namespace {

// Typed sizes below this many kilobytes are raised to it.
constexpr std::int64_t kSmallestSectionKb = 3;
// Typed section lengths of this many seconds or less are not applied.
constexpr std::int32_t kShortestSectionSeconds = 5;
constexpr std::int32_t kHundredthsPerSecond = 100;
// "99:59:59:99", the most the masked time field shows.
constexpr std::int64_t kMostShownHundredths = ((99LL * 60 + 59) * 60 + 59) * kHundredthsPerSecond + 99;

// A choice list's items: the empty "none" item, then `items`.
std::vector<std::string> ChoiceItems(std::vector<std::string> items)
{
    items.insert(items.begin(), "");
    return items;
}

} // namespace

MarkerList::MarkerList() = default;

MarkerList::MarkerList(const MPEGData& file)
{
    OpenFile(file);
}

void MarkerList::SetView(MarkerListView* view) noexcept
{
    view_ = view;
}

MarkerListView& MarkerList::View() const
{
    static MarkerListView noDisplay;
    return view_ ? *view_ : noDisplay;
}

const MarkerGeometry& MarkerList::Geometry() const
{
    if (!geometry_)
        throw RangeError("no file is open");
    return *geometry_;
}

MarkerGeometry& MarkerList::MutableGeometry()
{
    return const_cast<MarkerGeometry&>(std::as_const(*this).Geometry());
}

void MarkerList::OpenFile(const MPEGData& file)
{
    if (geometry_)
        geometry_->Open(file);
    else
        geometry_.emplace(file);
    ClearMarkers();
    AppendMarker(0);
    AppendMarker(file.BlockCount);
    SelectMarker(0);
    TidyMarkers();
}

const Marker& MarkerList::At(int i) const
{
    if (!geometry_)
        throw RangeError("there is no marker " + std::to_string(i));
    return geometry_->At(i);
}

std::vector<std::int32_t> MarkerList::Positions() const
{
    return geometry_ ? geometry_->Positions() : std::vector<std::int32_t>{};
}

std::vector<MarkerPlace> MarkerList::Places() const
{
    return geometry_ ? geometry_->Places() : std::vector<MarkerPlace>{};
}

bool MarkerList::ImageVisible(int i) const
{
    At(i);
    return i != selected_;
}

std::string MarkerList::ShownTime(std::int32_t position) const
{
    return ShownTimeCode(Converter().PositionToSeconds(position) * kHundredthsPerSecond);
}

std::string MarkerList::ShownMarkerTime(int i) const
{
    const Marker& marker = At(i);
    if (!marker.Sample || Geometry().Rate() < 1)
        return ShownTime(marker.Position);
    // Truncated, as block times are: the field never shows a time after the cut.
    const std::int64_t hundredths = *marker.Sample * kHundredthsPerSecond / Geometry().Rate();
    return ShownTimeCode(static_cast<std::int32_t>(std::min<std::int64_t>(hundredths, kMostShownHundredths)));
}

std::optional<MarkerGeometry::SectionPlace> MarkerList::PlaceOfSection(int j) const
{
    return geometry_ ? geometry_->PlaceOfSection(j) : std::nullopt;
}

void MarkerList::ClearMarkers()
{
    SelectMarker(0);
    // Forgetting the section first keeps a highlight that is still painted
    // from being inverted back: the caller repaints the overview anyway.
    selectedSection_ = 0;
    SelectSection(0);
    if (geometry_)
        geometry_->Clear();
    selected_ = 0;
    sections_.clear();
    markerItems_.assign(1, "");
    sectionItems_.assign(1, "");
    dragging_ = false;
    positionEdited_ = false;
    lengthEdited_ = false;
    sizeEdited_ = false;
}

const Marker& MarkerList::AppendMarker(std::int32_t p)
{
    if (!HasFile())
        throw RangeError("no file is open to place a marker in");
    return geometry_->Append(p);
}

void MarkerList::AddMarker()
{
    if (sections_.empty())
        return;
    View().MarkerAddedInMiddle(AppendMarker(Blocks() / 2).Id);
    SelectMarker(MarkerCount());
    TidyMarkers();
}

void MarkerList::DeleteMarker()
{
    const int n = MarkerCount();
    if (n < 3 || selected_ < 1)
        return;
    MutableGeometry().RemoveAt(selected_);
    if (markerItems_.size() > static_cast<std::size_t>(n))
        markerItems_.pop_back();
    selected_ = std::min(selected_, n - 1);
    SelectMarker(0);
    TidyMarkers();
    dragging_ = false;
}

void MarkerList::SelectMarker(int i)
{
    if (i < 1 || i > MarkerCount()) {
        selected_ = 0;
        View().HideMarkerLine();
        rangePos_.clear();
        positionEdited_ = false;
        rangePosEnabled_ = false;
        delMarkerEnabled_ = false;
        View().SetZoomButtons(false);
        playControlsEnabled_ = false;
        View().ClearZoomView();
        return;
    }
    const std::string time = ShownMarkerTime(i);
    SelectSection(0);
    selected_ = i;
    View().ShowMarkerLine(At(i));
    rangePos_ = time;
    positionEdited_ = false;
    rangePosEnabled_ = true;
    playControlsEnabled_ = true;
    delMarkerEnabled_ = MarkerCount() >= 3;
    View().SetZoomButtons(true);
    View().DrawZoomView();
    View().MoveFocus(FocusTarget::RangeSelectMarker);
}

void MarkerList::SelectSection(int j)
{
    const auto place = PlaceOfSection(j);
    std::string length;
    std::string size;
    std::optional<Marker> first;
    std::optional<Marker> last;
    if (place) {
        const PositionConverter& convert = Converter();
        const std::int32_t span = place->Bounds.End - place->Bounds.Start;
        length = ShownTime(span);
        size = std::to_string(convert.SpanToKb(span));
        const int a = place->FirstMarker;
        if (a > 0)
            first = At(a);
        if (a < MarkerCount())
            last = At(a + 1);
        // A marker and a section are never selected together.
        if (selected_ >= 1)
            SelectMarker(0);
    }

    if (selectedSection_ >= 1)
        View().RemoveHighlight();
    if (!place) {
        selectedSection_ = 0;
        sectionLength_.clear();
        lengthEdited_ = false;
        sectionSize_ = "0";
        sizeEdited_ = false;
        sectionFieldsEnabled_ = false;
        return;
    }
    selectedSection_ = j;
    View().HighlightSection(first, last);
    sectionLength_ = length;
    lengthEdited_ = false;
    sectionSize_ = size;
    sizeEdited_ = false;
    sectionFieldsEnabled_ = true;
    rangePosEnabled_ = false;
    View().MoveFocus(FocusTarget::SectionSelectSection);
}

void MarkerList::TidyMarkers()
{
    if (geometry_) {
        if (selected_ >= 1)
            geometry_->Separate(selected_);
        selected_ = geometry_->Sort(selected_);
    }
    markerItems_ = ChoiceItems(geometry_ ? MarkerItems(*geometry_) : std::vector<std::string>{});
    RebuildSectionList();
}

void MarkerList::RebuildSectionList()
{
    std::vector<Section> sections = geometry_ ? geometry_->Sections() : std::vector<Section>{};
    std::vector<std::string> items =
        ChoiceItems(geometry_ ? SectionItems(*geometry_) : std::vector<std::string>{});
    sections_ = std::move(sections);
    sectionItems_ = std::move(items);
    sectionTotal_ = HasFile() ? std::to_string(sections_.size()) : "None";
}

void MarkerList::NudgeMarker(NudgeDirection direction, std::int32_t step)
{
    if (selected_ < 1)
        return;
    const std::int64_t moved = std::int64_t{At(selected_).Position} + (direction == NudgeDirection::Forward ? step : -std::int64_t{step});
    const auto p = static_cast<std::int32_t>(std::clamp<std::int64_t>(moved, 0, Blocks()));
    const std::string time = ShownTime(p);
    MutableGeometry().Move(selected_, p);
    View().ShowMarkerLine(At(selected_));
    rangePos_ = time;
    positionEdited_ = false;
    TidyMarkers();
    View().DrawZoomView();
}

void MarkerList::DragMarker(std::int32_t p)
{
    if (!dragging_ || selected_ < 1)
        return;
    p = std::clamp(p, 0, Blocks());
    const std::string time = ShownTime(p);
    MutableGeometry().Drag(selected_, p);
    View().ShowMarkerLine(At(selected_));
    rangePos_ = time;
    positionEdited_ = false;
    View().DrawZoomView();
}

void MarkerList::SetMarkerTime()
{
    if (selected_ < 1 || !positionEdited_)
        return;
    const MarkerGeometry& geometry = Geometry();
    // Hundredths of a second times a 32-bit rate stay within 64 bits.
    const std::int64_t typed = std::int64_t{ReadShownTime(rangePos_)} * geometry.Rate() / kHundredthsPerSecond;
    MutableGeometry().MoveTo(selected_, geometry.ExactPlace(std::min(typed, geometry.TotalSamples()), At(selected_).Title));
    TidyMarkers();
    SelectMarker(selected_);
    positionEdited_ = false;
}

void MarkerList::ApplySectionEdit()
{
    // Everything that reads a text or divides happens before the first change.
    const PositionConverter& convert = Converter();
    std::string size = sectionSize_;
    std::string length = sectionLength_;
    bool lengthEdited = lengthEdited_;
    bool toTheEnd = false;
    if (sizeEdited_) {
        std::int64_t kilobytes = ReadFieldNumber(size);
        if (kilobytes < kSmallestSectionKb) {
            size = std::to_string(kSmallestSectionKb);
            kilobytes = kSmallestSectionKb;
        }
        // More than the whole file means the whole file; the limit keeps the
        // span within 32 bits for any typed number. Such a section is then
        // laid as every block: the way through whole seconds would fall short
        // of the end by the play time's fraction and leave a sliver there.
        const std::int64_t wholeFileKb = convert.SpanToKb(Blocks());
        toTheEnd = kilobytes > wholeFileKb;
        kilobytes = std::min(kilobytes, wholeFileKb + 1);
        length = ShownTime(convert.KbToSpan(kilobytes));
        lengthEdited = true;
    }
    const std::int32_t seconds = ReadShownTime(length) / kHundredthsPerSecond;
    const bool tooShort = seconds <= kShortestSectionSeconds;
    const bool resize = !tooShort && selectedSection_ >= 1 && lengthEdited;
    const std::int32_t span = !resize ? 0 : toTheEnd ? Blocks() : convert.SecondsToPosition(seconds);

    positionEdited_ = false;
    sectionSize_ = size;
    sizeEdited_ = false;
    sectionLength_ = length;
    lengthEdited_ = lengthEdited;
    if (tooShort) {
        // Back to the section's own length and size.
        lengthEdited_ = false;
        TidyMarkers();
        SelectSection(selectedSection_);
        return;
    }
    if (resize) {
        MutableGeometry().ResizeSection(selectedSection_, span);
        TidyMarkers();
        SelectSection(selectedSection_);
        lengthEdited_ = false;
    }
}

void MarkerList::ReplaceMarkers(const std::vector<MarkerPlace>& places)
{
    Converter(); // without a file: RangeError before the first change
    if (selectedSection_ >= 1)
        SelectSection(0);
    ClearMarkers();
    MutableGeometry().Replace(places);
    SelectMarker(0);
    TidyMarkers();
}

void MarkerList::ReplaceMarkers(const std::vector<std::int32_t>& positions)
{
    ReplaceMarkers(LaidMarkers::OnBlocks(positions).Markers);
}

void MarkerList::LayMarkers(std::vector<MarkerPlace> places)
{
    const MarkerGeometry& geometry = Geometry(); // without a file: RangeError before the first change
    const auto cutsAt = [&geometry](std::int64_t sample) {
        return [&geometry, sample](const MarkerPlace& place) { return geometry.CutSample(place) == sample; };
    };
    // A full list would move its last marker rather than grow: an end
    // without room stays unmarked, its section unchanged.
    const std::pair<std::int32_t, std::int64_t> ends[] = {{0, 0}, {Blocks(), geometry.TotalSamples()}};
    for (const auto& [block, sample] : ends)
        if (std::ranges::none_of(places, cutsAt(sample)) && std::ssize(places) < kMaxMarkers)
            places.push_back({.Position = block});
    ReplaceMarkers(places);
}

void MarkerList::LayMarkers(const std::vector<std::int32_t>& positions)
{
    LayMarkers(LaidMarkers::OnBlocks(positions).Markers);
}

void MarkerList::RangePosChange(const std::string& shown)
{
    rangePos_ = shown;
    positionEdited_ = true;
}

void MarkerList::SectionLengthEditChange(const std::string& shown)
{
    sectionLength_ = shown;
    lengthEdited_ = true;
}

void MarkerList::SectionSizeEditChange(const std::string& text)
{
    sectionSize_ = text;
    sizeEdited_ = true;
}

void MarkerList::SectionSizeEditClick()
{
    positionEdited_ = false;
    if (selectedSection_ < 1 || !(sizeEdited_ || lengthEdited_))
        return;
    // A typed length wins over a typed size.
    if (lengthEdited_)
        sizeEdited_ = false;
    ApplySectionEdit();
}

void MarkerList::RangeSelectMarkerChange(int index)
{
    lengthEdited_ = false;
    sizeEdited_ = false;
    SelectMarker(std::max(index, 0));
}

void MarkerList::SectionSelectSectionChange(int index)
{
    positionEdited_ = false;
    SelectMarker(0);
    SelectSection(std::max(index, 0));
}

} // namespace oq
