#pragma once

#include "model/CueSheet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oq {

struct MPEGData;
class MarkerList;

// The four ways of laying a new marker list (the wizard's radio buttons).
enum class SplitMethod {
    SectionCount = 1,  // "Total No. Of Sections:"
    SectionLength = 2, // "Section Play Length:"
    SectionSize = 3,   // "Section File Size:"
    CueSheet = 4,      // "Ogg Cue Sheet:"
};

// What the OK action did.
struct SplitOutcome {
    bool MarkersReplaced = false; // false: the cue method without a sheet changes nothing
    CueSkips Skipped;             // cue tracks that gave no marker
};

// The split wizard without its window: the three interlocked numeric fields
// (section count, play length, file size), their edited flags and enabled
// states, the cue sheet read last, and the OK action that lays the markers.
//
// Field texts are what the window shows: the count and size as plain
// digits, the length as "HH:MM:SS:XX". Whichever field is edited, the other
// two follow from it when it asks for a recompute (Enter or a click in it),
// and all three end as one section count N. The markers are laid at equal
// steps of B div N blocks (at least 5), so the sections have equal play
// lengths and the last one takes the remainder.
//
// A recompute either completes or changes nothing: a field that is not a
// number, or a file without size or play time, raises RangeError with every
// field and flag as it was. The OK action recomputes before it touches the
// markers, so its failure leaves them as they were.
//
// The object lives as long as the program: fields, method and cue sheet
// keep their values from one opening of the wizard to the next.
class SplitCalculator {
public:
    static constexpr std::int32_t kMostSections = 999;

    // Opening the wizard on the open file: method 1 with count 1, size and
    // length of the whole file.
    void FormActivate(const MPEGData& file);

    // A radio button became selected: enables its field, then recomputes
    // from it (the cue method only enables the sheet's controls).
    void SelectMethod(SplitMethod method);
    SplitMethod Method() const noexcept { return method_; }

    // The user changed a field's text; sets its edited flag.
    void SplitSectionTotalChange(const std::string& text);
    void SplitSectionLengthChange(const std::string& shown);
    void SplitSectionSizeChange(const std::string& text);
    // A field's recompute request (Enter or a click in it): works when the
    // field was edited and its method is selected; then clears all flags.
    void SplitSectionTotalClick();
    void SplitSectionLengthClick();
    void SplitSectionSizeClick();

    // Reads a cue sheet (the Browse button's file). IoError when it cannot be
    // read, and the earlier sheet stays.
    void LoadCueSheet(const std::string& path);
    const CueTrackList& CueTracks() const noexcept { return cueTracks_; }
    // Edit1: the sheet's name without its folder, empty without tracks.
    const std::string& CueFileText() const noexcept { return cueFileText_; }

    // The OK button: replaces the markers as the selected method says.
    SplitOutcome ApplyOkay(MarkerList& markers);

    const std::string& SectionTotalText() const noexcept { return total_; }
    const std::string& SectionLengthText() const noexcept { return length_; }
    const std::string& SectionSizeText() const noexcept { return size_; }
    bool TotalEdited() const noexcept { return totalEdited_; }
    bool LengthEdited() const noexcept { return lengthEdited_; }
    bool SizeEdited() const noexcept { return sizeEdited_; }
    // Each field is enabled with its caption while its method is selected;
    // the cue method enables Edit1 and the Browse button.
    bool TotalEnabled() const noexcept { return method_ == SplitMethod::SectionCount; }
    bool LengthEnabled() const noexcept { return method_ == SplitMethod::SectionLength; }
    bool SizeEnabled() const noexcept { return method_ == SplitMethod::SectionSize; }
    bool CueEnabled() const noexcept { return method_ == SplitMethod::CueSheet; }

private:
    // The new texts of a recompute, written only when it completes.
    struct Fields {
        std::string Total;
        std::string Length;
        std::string Size;
    };

    std::int64_t Kilobytes() const noexcept { return bytes_ / 1000; }
    std::int64_t RoundedSeconds() const;
    Fields FromCount() const;
    Fields FromLength() const;
    Fields FromSize() const;
    void RecomputeRequest(SplitMethod field);
    void Write(const Fields& fields);
    static void WriteField(std::string& field, bool& edited, const std::string& text);

    std::int64_t bytes_ = 0;   // S, the file size
    double seconds_ = 0;       // T, the play time

    SplitMethod method_ = SplitMethod::SectionCount;
    std::string total_ = "1";
    std::string length_;
    std::string size_ = "0";
    bool totalEdited_ = false;
    bool lengthEdited_ = false;
    bool sizeEdited_ = false;

    CueTrackList cueTracks_;
    std::string cueFileText_;
};

} // namespace oq
