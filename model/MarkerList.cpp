#include "model/MarkerList.h"

#include "base/FieldText.h"
#include "model/MarkerListView.h"
#include "base/TimeCode.h"
#include "base/Error.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace oq {

namespace {

// Typed sizes below this many kilobytes are raised to it.
constexpr std::int64_t kSmallestSectionKb = 3;
// Typed section lengths of this many seconds or less are not applied.
constexpr std::int32_t kShortestSectionSeconds = 5;
constexpr std::int32_t kHundredthsPerSecond = 100;

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

const PositionConverter& MarkerList::Converter() const
{
    if (!converter_)
        throw RangeError("no file is open");
    return *converter_;
}

void MarkerList::OpenFile(const MPEGData& file)
{
    if (file.BlockCount < 1)
        throw RangeError("\"" + file.FileName + "\" is shorter than one block; markers cannot be placed in it");
    file_ = file;
    converter_.emplace(file_);
    ClearMarkers();
    AppendMarker(0);
    AppendMarker(file_.BlockCount);
    SelectMarker(0);
    TidyMarkers();
}

const Marker& MarkerList::At(int i) const
{
    if (i < 1 || i > MarkerCount())
        throw RangeError("there is no marker " + std::to_string(i));
    return markers_[static_cast<std::size_t>(i - 1)];
}

Marker& MarkerList::MutableAt(int i)
{
    return const_cast<Marker&>(std::as_const(*this).At(i));
}

Marker MarkerList::NewMarker(std::int32_t p)
{
    return {p, ++lastId_};
}

std::vector<std::int32_t> MarkerList::Positions() const
{
    std::vector<std::int32_t> positions;
    positions.reserve(markers_.size());
    for (const Marker& marker : markers_)
        positions.push_back(marker.Position);
    return positions;
}

bool MarkerList::ImageVisible(int i) const
{
    At(i);
    return i != selected_;
}

SampleRange MarkerList::SectionSamples(int j) const
{
    if (j < 1 || j > SectionCount())
        throw RangeError("there is no section " + std::to_string(j));
    const Section& section = sections_[static_cast<std::size_t>(j - 1)];
    return {Converter().PositionToSamples(section.Start), Converter().PositionToSamples(section.End)};
}

std::string MarkerList::TimeText(std::int32_t position) const
{
    return ShortTime(FormatTimeCode(Converter().PositionToSeconds(position) * kHundredthsPerSecond));
}

std::optional<MarkerList::SectionPlace> MarkerList::PlaceOfSection(int j) const
{
    const int n = MarkerCount();
    if (j < 1 || n == 0)
        return std::nullopt;
    const bool leading = markers_.front().Position > 0;
    const int a = leading ? j - 1 : j;
    if (a > n || (a == n && markers_.back().Position >= Blocks()))
        return std::nullopt;
    const std::int32_t start = a == 0 ? 0 : At(a).Position;
    const std::int32_t end = a == n ? Blocks() : At(a + 1).Position;
    return SectionPlace{a, {start, end}};
}

std::vector<Section> MarkerList::DeriveSections() const
{
    std::vector<Section> sections;
    for (int j = 1;; ++j) {
        const auto place = PlaceOfSection(j);
        if (!place)
            return sections;
        sections.push_back(place->Bounds);
    }
}

void MarkerList::ClearMarkers()
{
    SelectMarker(0);
    // Forgetting the section first keeps a highlight that is still painted
    // from being inverted back: the caller repaints the overview anyway.
    selectedSection_ = 0;
    SelectSection(0);
    markers_.clear();
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
    if (MarkerCount() < kMaxMarkers)
        markers_.push_back(NewMarker(p));
    else
        markers_.back() = NewMarker(p);
    return markers_.back();
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
    MutableAt(selected_) = markers_.back();
    markers_.pop_back();
    if (markerItems_.size() > markers_.size() + 1)
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
    const std::string time = ShownTimeCode(Converter().PositionToSeconds(At(i).Position) * kHundredthsPerSecond);
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
        length = ShownTimeCode(convert.PositionToSeconds(span) * kHundredthsPerSecond);
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

void MarkerList::SeparateSelectedMarker()
{
    if (selected_ < 1)
        return;
    std::vector<std::int32_t> others;
    others.reserve(markers_.size());
    for (int i = 1; i <= MarkerCount(); ++i)
        if (i != selected_)
            others.push_back(At(i).Position);
    std::sort(others.begin(), others.end());
    const auto taken = [&others](std::int32_t p) { return std::binary_search(others.begin(), others.end(), p); };

    const std::int32_t wanted = At(selected_).Position;
    if (!taken(wanted))
        return;
    // One block later while below the end; at the end, earlier. The search
    // goes on past further taken positions, so the selected marker always
    // ends alone when there is room (a single step back from B could land on
    // a neighbour and leave an empty section).
    std::int32_t p = wanted;
    while (p < Blocks() && taken(p))
        ++p;
    if (taken(p)) {
        p = wanted;
        while (p > 0 && taken(p))
            --p;
    }
    if (!taken(p))
        MoveMarker(selected_, p);
}

void MarkerList::SortMarkers()
{
    const auto byPosition = [](const Marker& a, const Marker& b) { return a.Position < b.Position; };
    if (std::is_sorted(markers_.begin(), markers_.end(), byPosition))
        return;
    // Stable, so markers on equal positions keep their order; the selection
    // follows its marker.
    std::vector<int> order(markers_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this, &byPosition](int a, int b) { return byPosition(markers_[static_cast<std::size_t>(a)], markers_[static_cast<std::size_t>(b)]); });
    std::vector<Marker> sorted;
    sorted.reserve(markers_.size());
    int selected = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        sorted.push_back(markers_[static_cast<std::size_t>(order[k])]);
        if (order[k] + 1 == selected_)
            selected = static_cast<int>(k) + 1;
    }
    markers_ = std::move(sorted);
    selected_ = selected;
}

void MarkerList::TidyMarkers()
{
    SeparateSelectedMarker();
    SortMarkers();
    std::vector<std::string> items{""};
    items.reserve(markers_.size() + 1);
    for (int i = 1; i <= MarkerCount(); ++i)
        items.push_back("Marker " + std::to_string(i) + " - " + TimeText(At(i).Position));
    markerItems_ = std::move(items);
    RebuildSectionList();
}

void MarkerList::RebuildSectionList()
{
    std::vector<Section> sections = DeriveSections();
    std::vector<std::string> items{""};
    items.reserve(sections.size() + 1);
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const std::int32_t span = sections[k].End - sections[k].Start;
        items.push_back("Section " + std::to_string(k + 1) + " - " + TimeText(span) + " - " + KbText(Converter().SpanToKb(span)));
    }
    sections_ = std::move(sections);
    sectionItems_ = std::move(items);
    sectionTotal_ = HasFile() ? std::to_string(sections_.size()) : "None";
}

void MarkerList::MoveMarker(int i, std::int32_t position)
{
    MutableAt(i) = NewMarker(position);
}

void MarkerList::NudgeMarker(NudgeDirection direction, std::int32_t step)
{
    if (selected_ < 1)
        return;
    const std::int64_t moved = std::int64_t{At(selected_).Position} + (direction == NudgeDirection::Forward ? step : -std::int64_t{step});
    const auto p = static_cast<std::int32_t>(std::clamp<std::int64_t>(moved, 0, Blocks()));
    const std::string time = ShownTimeCode(Converter().PositionToSeconds(p) * kHundredthsPerSecond);
    MoveMarker(selected_, p);
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
    const std::string time = ShownTimeCode(Converter().PositionToSeconds(p) * kHundredthsPerSecond);
    // The marker keeps its id: it stands where the view dragged it.
    Marker& marker = MutableAt(selected_);
    marker.Position = p;
    View().ShowMarkerLine(marker);
    rangePos_ = time;
    positionEdited_ = false;
    View().DrawZoomView();
}

void MarkerList::SetMarkerTime()
{
    if (selected_ < 1 || !positionEdited_)
        return;
    const PositionConverter& convert = Converter();
    const std::int32_t p = std::min(convert.SecondsToPosition(ReadShownTime(rangePos_) / kHundredthsPerSecond), Blocks());
    MoveMarker(selected_, p);
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
        length = ShownTimeCode(convert.PositionToSeconds(convert.KbToSpan(kilobytes)) * kHundredthsPerSecond);
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
        ResizeSelectedSection(span);
        TidyMarkers();
        SelectSection(selectedSection_);
        lengthEdited_ = false;
    }
}

void MarkerList::ResizeSelectedSection(std::int32_t span)
{
    const auto place = PlaceOfSection(selectedSection_);
    if (!place)
        return;
    const int a = place->FirstMarker;
    const int n = MarkerCount();
    const std::int32_t start = place->Bounds.Start;
    const std::int32_t blocks = Blocks();
    if (place->Bounds.End - start > span) {
        if (a == n) {
            // Shortening the trailing section splits it.
            AppendMarker(At(n).Position + span);
        } else {
            MoveMarker(a + 1, start + span);
        }
        return;
    }
    if (a == n)
        return; // the trailing section ends at B and cannot grow
    const std::int64_t end = std::int64_t{start} + span;
    if (end < blocks) {
        MoveMarker(a + 1, static_cast<std::int32_t>(end));
        // Markers the grown section swallows go, also when that leaves a single
        // marker: the section must end where the typed length says.
        const auto swallowed = std::remove_if(markers_.begin() + a + 1, markers_.end(),
                                              [end](const Marker& marker) { return marker.Position <= end; });
        markers_.erase(swallowed, markers_.end());
    } else if (a == 0) {
        // The leading section grew over the whole file.
        markers_.assign({NewMarker(0), NewMarker(blocks)});
    } else {
        MoveMarker(a + 1, blocks);
        markers_.resize(static_cast<std::size_t>(a + 1));
    }
}

void MarkerList::ReplaceMarkers(const std::vector<std::int32_t>& positions)
{
    Converter(); // without a file: RangeError before the first change
    if (selectedSection_ >= 1)
        SelectSection(0);
    ClearMarkers();
    for (const std::int32_t p : positions)
        AppendMarker(p);
    SelectMarker(0);
    TidyMarkers();
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
