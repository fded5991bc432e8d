#pragma once

#include "media/MPEGData.h"
#include "model/MarkerGeometry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oq {

class MarkerListView;

enum class NudgeDirection { Back, Forward };

// The main window's marker controls over the open file's MarkerGeometry:
// the one selected marker or section, the choice lists, the texts, edited
// flags and enabled states of the marker and section fields, and what the
// display is told as they change.
//
// Markers and sections are numbered from 1, as the choice lists show them;
// 0 stands for "none". The section list is that of the markers as of the
// last tidy: while a marker is dragged it waits for the release.
//
// Every operation that reads a typed text or divides by a file quantity
// does so before its first change: when it raises RangeError the model is
// exactly as it was. Display effects are reported to the MarkerListView at
// the moment they happen; texts and enabled states are read back from here.
class MarkerList {
public:
    static constexpr int kMaxMarkers = MarkerGeometry::kMaxMarkers;

    // No file yet: no markers, no sections, SectionTotal reads "None".
    MarkerList();
    // A model with `file` opened.
    explicit MarkerList(const MPEGData& file);
    MarkerList(const MarkerList&) = delete;
    MarkerList& operator=(const MarkerList&) = delete;

    // The display to notify; null for none. Not owned.
    void SetView(MarkerListView* view) noexcept;

    // Makes `file` the open file and lays its two markers, at 0 and at B.
    // A file shorter than one block (B < 1) cannot hold markers: RangeError,
    // and the previous file stays open with its markers.
    void OpenFile(const MPEGData& file);
    bool HasFile() const noexcept { return geometry_.has_value(); }
    // The open file's markers and sections, and its conversions (RangeError
    // for every one before a file).
    const MarkerGeometry& Geometry() const;
    const PositionConverter& Converter() const { return Geometry().Converter(); }

    // --- Operations ----------------------------------------------------------

    // Empties both lists and ends every selection and edit.
    void ClearMarkers();
    // Adds a marker at block position p, unsorted, and returns it. A full
    // list moves its last marker instead of growing.
    const Marker& AppendMarker(std::int32_t p);
    // The Add Marker button: a marker in the middle of the file, selected.
    void AddMarker();
    // The Delete Marker button: removes the selected marker while at least
    // three remain.
    void DeleteMarker();
    // Selects marker i (1..n); i < 1 or past the list selects none.
    void SelectMarker(int i);
    // Selects section j (1..m) and highlights it; j < 1 or past the list
    // selects none. Selecting a section ends a marker selection.
    void SelectSection(int j);
    // Moves the selected marker off positions other markers hold, sorts the
    // markers and rebuilds both choice lists.
    void TidyMarkers();
    // Rebuilds the section choice list, the section count and SectionTotal.
    void RebuildSectionList();
    // Moves the selected marker by `step` blocks (the zoom step), within 0..B.
    void NudgeMarker(NudgeDirection direction, std::int32_t step);
    // Applies the time typed into RangePos to the selected marker, which
    // then cuts at exactly that time (to the hundredth the field shows),
    // on the block nearest it; a time past the end means the end.
    void SetMarkerTime();
    // Applies a typed section length or size to the selected section.
    void ApplySectionEdit();
    // Lays exactly these markers (in any order, each marker new) and
    // selects nothing, as a step of the undo history gives them back.
    void ReplaceMarkers(const std::vector<MarkerPlace>& places);
    void ReplaceMarkers(const std::vector<std::int32_t>& positions);
    // ReplaceMarkers for a new source of markers (the split wizard, a label
    // file, a chained file's links): adds a marker at 0 and at B where the
    // source has none and the list has room, the two every opened file
    // starts with. Sections reach 0 and B without them; they are the
    // handles the user drags and sees the file's ends by. A marker cutting
    // at the start or the end of the audio stands for that end.
    void LayMarkers(std::vector<MarkerPlace> places);
    void LayMarkers(const std::vector<std::int32_t>& positions);

    // Dragging with the mouse: the selected marker follows block position p,
    // limited to 0..B, while dragging is on, keeping its id. Releasing the left button
    // should run TidyMarkers after SetDragging(false).
    void SetDragging(bool on) noexcept { dragging_ = on; }
    bool Dragging() const noexcept { return dragging_; }
    void DragMarker(std::int32_t p);

    // While a playback runs the play controls stay enabled.
    void SetPlaying(bool on) noexcept { playing_ = on; }

    // --- Field events --------------------------------------------------------

    // A field's text changed (typed by the user); sets its edited flag.
    void RangePosChange(const std::string& shown);
    void SectionLengthEditChange(const std::string& shown);
    void SectionSizeEditChange(const std::string& text);
    // A click into a field or Enter in it.
    void RangePosClick() { SetMarkerTime(); }
    void SectionLengthEditClick() { ApplySectionEdit(); }
    void SectionSizeEditClick();
    // A choice list's item was chosen; -1 means no item.
    void RangeSelectMarkerChange(int index);
    void SectionSelectSectionChange(int index);

    // --- Markers ------------------------------------------------------------

    int MarkerCount() const noexcept { return HasFile() ? geometry_->Count() : 0; }
    // Marker i (1..n); RangeError for any other i.
    const Marker& At(int i) const;
    std::int32_t Position(int i) const { return At(i).Position; }
    std::vector<std::int32_t> Positions() const;
    std::vector<MarkerPlace> Places() const;
    // The selected marker's own image is hidden; MarkerOn stands in its place.
    bool ImageVisible(int i) const;
    int SelectedMarker() const noexcept { return selected_; }
    bool MarkerOnVisible() const noexcept { return selected_ >= 1; }

    // --- Sections (as of the last RebuildSectionList) --------------------------

    int SectionCount() const noexcept { return static_cast<int>(sections_.size()); }
    const std::vector<Section>& Sections() const noexcept { return sections_; }
    int SelectedSection() const noexcept { return selectedSection_; }

    // --- Controls -----------------------------------------------------------

    // The masked time fields hold their shown form "HH:MM:SS:XX" (or empty).
    const std::string& RangePosText() const noexcept { return rangePos_; }
    const std::string& SectionLengthText() const noexcept { return sectionLength_; }
    const std::string& SectionSizeText() const noexcept { return sectionSize_; }
    const std::string& SectionTotalText() const noexcept { return sectionTotal_; }
    // Item 0 of each choice list is the empty "none" item.
    const std::vector<std::string>& MarkerChoiceItems() const noexcept { return markerItems_; }
    int MarkerChoiceIndex() const noexcept { return selected_; }
    const std::vector<std::string>& SectionChoiceItems() const noexcept { return sectionItems_; }
    int SectionChoiceIndex() const noexcept { return selectedSection_; }

    bool PositionEdited() const noexcept { return positionEdited_; }
    bool LengthEdited() const noexcept { return lengthEdited_; }
    bool SizeEdited() const noexcept { return sizeEdited_; }

    bool RangePosEnabled() const noexcept { return rangePosEnabled_; }
    bool DelMarkerEnabled() const noexcept { return delMarkerEnabled_; }
    // SectionLengthEdit, SectionSizeEdit and Vis_ExportOgg go together.
    bool SectionFieldsEnabled() const noexcept { return sectionFieldsEnabled_; }
    bool ExportOggEnabled() const noexcept { return sectionFieldsEnabled_; }
    // Vis_PlayFrom, Vis_PlayTo, PlayTimeSpin, Vis_NudgeFwd, Vis_NudgeBack.
    bool PlayControlsEnabled() const noexcept { return playControlsEnabled_ || playing_; }

private:
    MarkerGeometry& MutableGeometry();
    std::int32_t Blocks() const { return Converter().BlockCount(); }
    std::optional<MarkerGeometry::SectionPlace> PlaceOfSection(int j) const;
    std::string ShownTime(std::int32_t position) const;
    // Hundredths of a second from the start of the file to `sample`.
    std::int64_t HundredthsAt(std::int64_t sample) const;
    // A block's whole seconds, as RangePos shows a marker on it.
    std::string ShownPositionTime(std::int32_t position) const;
    // Marker i's time as RangePos shows it: its exact time to the hundredth
    // for an exact marker, else its block's whole seconds.
    std::string ShownMarkerTime(int i) const;
    MarkerListView& View() const;

    std::optional<MarkerGeometry> geometry_; // none before the first file
    MarkerListView* view_ = nullptr;

    int selected_ = 0;
    std::vector<Section> sections_;
    int selectedSection_ = 0;

    std::string rangePos_;
    std::string sectionLength_;
    std::string sectionSize_ = "0";
    std::string sectionTotal_ = "None";
    std::vector<std::string> markerItems_{""};
    std::vector<std::string> sectionItems_{""};

    bool dragging_ = false;
    bool playing_ = false;
    bool positionEdited_ = false;
    bool lengthEdited_ = false;
    bool sizeEdited_ = false;
    bool rangePosEnabled_ = false;
    bool delMarkerEnabled_ = false;
    bool sectionFieldsEnabled_ = false;
    bool playControlsEnabled_ = false;
};

} // namespace oq
