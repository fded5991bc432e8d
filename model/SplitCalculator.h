#pragma once

#include "media/MPEGData.h"
#include "model/CueSheet.h"
#include "model/EvenSplit.h"
#include "model/MarkerLimit.h"
#include "model/PauseFinder.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace oq {

class MarkerList;

// The five ways of laying a new marker list (the wizard's radio buttons).
enum class SplitMethod {
    SectionCount = 1,  // "Total No. Of Sections:"
    SectionLength = 2, // "Section Play Length:"
    SectionSize = 3,   // "Section File Size:"
    CueSheet = 4,      // "Ogg Cue Sheet:"
    Pauses = 5,        // "Pauses Quieter Than:"
};

// What the OK action did.
struct SplitOutcome {
    // False when nothing changed: the cue method without a sheet, or the
    // pause method on a recording without a pause.
    bool MarkersReplaced = false;
    bool NoPauseFound = false;
    CueSkips Skipped; // cue tracks that gave no marker
};

// The split wizard without its window: the three interlocked numeric fields
// (section count, play length, file size), their edited flags and enabled
// states, the cue sheet read last, and the OK action that lays the markers.
//
// Field texts are what the window shows: the count and size as plain
// digits, the length as "HH:MM:SS:XX". Whichever field is edited, the other
// two follow from it as EvenSplit works them out when it asks for a
// recompute (Enter or a click in it), and all three end as one section
// count N, whose markers EvenPositions lays.
//
// The pause method lays a marker in the middle of every pause of the
// amplitude profile (what a pause is: a level in dBFS and a shortest
// length in seconds). Markers laid by count, length or size may be snapped
// to the nearest pause within a reach in seconds, a pause being what the
// pause fields say.
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
    // Quieter than -120 dBFS is below 16-bit audio's own noise; louder
    // than -6 dBFS is no pause.
    static constexpr double kQuietestPauseDb = -120;
    static constexpr double kLoudestPauseDb = -6;
    // A pause of about one profile block (0.09 s of 44.1 kHz stereo) up to ten minutes.
    static constexpr double kShortestPauseSeconds = 0.1;
    static constexpr double kLongestPauseSeconds = 600;
    // A reach of an hour covers any sensible section length.
    static constexpr double kLongestSnapSeconds = 3600;
    static constexpr double kDefaultSnapSeconds = 10;

    SplitCalculator();

    // Opening the wizard on the open file: method 1 with count 1, size and
    // length of the whole file.
    void FormActivate(const MPEGData& file);

    // A radio button became selected: enables its field, then recomputes
    // from it (the cue and pause methods only enable their controls).
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

    // The pause fields and the snap: texts as typed, read when they are
    // used. Tidy (Enter in one of them) brings each value into its range
    // and writes it back; RangeError for a text that is not a number, with
    // every text as it was.
    void PauseLevelChange(const std::string& text) { pauseLevel_ = text; }
    void PauseLengthChange(const std::string& text) { pauseLength_ = text; }
    void SnapReachChange(const std::string& text) { snapReach_ = text; }
    void SetSnap(bool on) noexcept { snap_ = on; }
    void TidyPauseFields();
    PauseSettings Pauses() const;

    // The OK button: replaces the markers as the selected method says.
    // `profile` is the open file's amplitude profile, searched for pauses
    // by the pause method and by a snap; a profile cut short is searched as
    // far as it goes. A method that needs more markers than the list holds
    // raises MarkerLimitError and leaves the markers as they were.
    SplitOutcome ApplyOkay(MarkerList& markers, std::span<const std::int16_t> profile = {});

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
    const std::string& PauseLevelText() const noexcept { return pauseLevel_; }
    const std::string& PauseLengthText() const noexcept { return pauseLength_; }
    const std::string& SnapReachText() const noexcept { return snapReach_; }
    bool Snap() const noexcept { return snap_; }
    // The snap moves markers of the three numeric methods only; its reach is
    // live while it is on. The pause fields serve the pause method and a
    // snap that is on.
    bool SnapEnabled() const noexcept { return TotalEnabled() || LengthEnabled() || SizeEnabled(); }
    bool SnapReachEnabled() const noexcept { return SnapEnabled() && snap_; }
    bool PauseFieldsEnabled() const noexcept { return method_ == SplitMethod::Pauses || SnapReachEnabled(); }

private:
    // The new texts of a recompute, written only when it completes.
    struct Fields {
        std::string Total;
        std::string Length;
        std::string Size;
    };

    static Fields TextsOf(const SplitFigures& figures);
    Fields FromCount() const;
    Fields FromLength() const;
    Fields FromSize() const;
    void RecomputeRequest(SplitMethod field);
    // Who asks for the sections of the count, length or size method, for
    // the refusal of more than the markers hold.
    std::string EvenSectionsSubject() const;
    void Write(const Fields& fields);
    static void WriteField(std::string& field, bool& edited, const std::string& text);

    MPEGData file_; // S is its FileSize, T its TimeTotal

    SplitMethod method_ = SplitMethod::SectionCount;
    std::string total_ = "1";
    std::string length_;
    std::string size_ = "0";
    bool totalEdited_ = false;
    bool lengthEdited_ = false;
    bool sizeEdited_ = false;

    CueTrackList cueTracks_;
    std::vector<std::string> cueTitles_; // one for each of cueTracks_
    std::string cueFileText_;

    std::string pauseLevel_;
    std::string pauseLength_;
    bool snap_ = false;
    std::string snapReach_;
};

} // namespace oq
