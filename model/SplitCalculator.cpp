#include "model/SplitCalculator.h"

#include "base/FieldText.h"
#include "model/MarkerList.h"
#include "model/MarkerTime.h"
#include "base/Error.h"

#include <algorithm>
#include <filesystem>
#include <limits>

namespace oq {

namespace {

constexpr std::int64_t kHundredthsPerSecond = 100;

// The length field's text; a length past what the field's 32 bits of
// hundredths hold is refused.
std::string LengthText(std::int64_t hundredths)
{
    if (hundredths > std::numeric_limits<std::int32_t>::max())
        throw RangeError("a length of " + std::to_string(hundredths / kHundredthsPerSecond) + " seconds is too long");
    return ShownTimeCode(static_cast<std::int32_t>(hundredths));
}

// A decimal field's value brought into [lowest, highest]; the text is
// rewritten only when the value moved.
void TidyDecimal(std::string& text, double lowest, double highest)
{
    const double value = ReadFieldDecimal(text);
    const double kept = std::clamp(value, lowest, highest);
    if (kept != value)
        text = DecimalFieldText(kept);
}

} // namespace

SplitCalculator::SplitCalculator()
    : pauseLevel_(DecimalFieldText(PauseSettings::kDefaultThresholdDb)),
      pauseLength_(DecimalFieldText(PauseSettings::kDefaultMinimumSeconds)),
      snapReach_(DecimalFieldText(kDefaultSnapSeconds))
{
}

void SplitCalculator::WriteField(std::string& field, bool& edited, const std::string& text)
{
    // Writing a field is a change of its text like any other.
    if (field != text) {
        field = text;
        edited = true;
    }
}

void SplitCalculator::Write(const Fields& fields)
{
    WriteField(total_, totalEdited_, fields.Total);
    WriteField(length_, lengthEdited_, fields.Length);
    WriteField(size_, sizeEdited_, fields.Size);
}

void SplitCalculator::FormActivate(const MPEGData& file)
{
    file_ = file;
    totalEdited_ = lengthEdited_ = sizeEdited_ = false;
    WriteField(total_, totalEdited_, "1");
    SelectMethod(SplitMethod::SectionCount);
    const SplitFigures whole = EvenSplit(file_).ByCount(1);
    WriteField(size_, sizeEdited_, std::to_string(whole.SizeKb));
    WriteField(length_, lengthEdited_, LengthText(whole.LengthHundredths));
}

void SplitCalculator::SelectMethod(SplitMethod method)
{
    if (method == method_)
        return;
    method_ = method;
    switch (method) {
    case SplitMethod::SectionCount:
        totalEdited_ = true;
        break;
    case SplitMethod::SectionLength:
        lengthEdited_ = true;
        break;
    case SplitMethod::SectionSize:
        sizeEdited_ = true;
        break;
    case SplitMethod::CueSheet:
    case SplitMethod::Pauses:
        return;
    }
    RecomputeRequest(method);
}

void SplitCalculator::SplitSectionTotalChange(const std::string& text)
{
    total_ = text;
    totalEdited_ = true;
}

void SplitCalculator::SplitSectionLengthChange(const std::string& shown)
{
    length_ = shown;
    lengthEdited_ = true;
}

void SplitCalculator::SplitSectionSizeChange(const std::string& text)
{
    size_ = text;
    sizeEdited_ = true;
}

void SplitCalculator::SplitSectionTotalClick()
{
    RecomputeRequest(SplitMethod::SectionCount);
}

void SplitCalculator::SplitSectionLengthClick()
{
    RecomputeRequest(SplitMethod::SectionLength);
}

void SplitCalculator::SplitSectionSizeClick()
{
    RecomputeRequest(SplitMethod::SectionSize);
}

void SplitCalculator::RecomputeRequest(SplitMethod field)
{
    if (field == method_) {
        if (field == SplitMethod::SectionCount && totalEdited_)
            Write(FromCount());
        else if (field == SplitMethod::SectionLength && lengthEdited_)
            Write(FromLength());
        else if (field == SplitMethod::SectionSize && sizeEdited_)
            Write(FromSize());
    }
    totalEdited_ = lengthEdited_ = sizeEdited_ = false;
}

SplitCalculator::Fields SplitCalculator::TextsOf(const SplitFigures& figures)
{
    return {std::to_string(figures.Sections), LengthText(figures.LengthHundredths), std::to_string(figures.SizeKb)};
}

SplitCalculator::Fields SplitCalculator::FromCount() const
{
    return TextsOf(EvenSplit(file_).ByCount(ReadFieldNumber(total_)));
}

SplitCalculator::Fields SplitCalculator::FromSize() const
{
    return TextsOf(EvenSplit(file_).BySize(ReadFieldNumber(size_)));
}

SplitCalculator::Fields SplitCalculator::FromLength() const
{
    const std::int32_t typed = ReadShownTime(length_);
    const SplitFigures figures = EvenSplit(file_).ByLength(typed);
    // A length in range keeps its text as typed.
    return {std::to_string(figures.Sections), figures.LengthHundredths == typed ? length_ : LengthText(figures.LengthHundredths),
            std::to_string(figures.SizeKb)};
}

std::string SplitCalculator::EvenSectionsSubject() const
{
    if (method_ == SplitMethod::SectionLength)
        return "sections of " + length_.substr(0, length_.rfind(':')) + " make";
    if (method_ == SplitMethod::SectionSize)
        return "sections of " + size_ + " KB make";
    return "a section count of " + total_ + " asks for";
}

void SplitCalculator::LoadCueSheet(const std::string& path)
{
    const std::string sheet = ReadCueSheetBytes(path);
    CueTrackList tracks = ParseCueSheet(sheet);
    cueFileText_ = tracks.empty() ? std::string() : std::filesystem::path(path).filename().string();
    cueTracks_ = std::move(tracks);
    cueTitles_ = ParseCueTitles(sheet);
}

void SplitCalculator::TidyPauseFields()
{
    // Tidied on copies: a field that is no number raises, and then none of
    // the three may have changed.
    std::string level = pauseLevel_;
    std::string length = pauseLength_;
    std::string reach = snapReach_;
    TidyDecimal(level, kQuietestPauseDb, kLoudestPauseDb);
    TidyDecimal(length, kShortestPauseSeconds, kLongestPauseSeconds);
    TidyDecimal(reach, 0, kLongestSnapSeconds);
    pauseLevel_ = std::move(level);
    pauseLength_ = std::move(length);
    snapReach_ = std::move(reach);
}

PauseSettings SplitCalculator::Pauses() const
{
    return {ReadFieldDecimal(pauseLevel_), ReadFieldDecimal(pauseLength_)};
}

SplitOutcome SplitCalculator::ApplyOkay(MarkerList& markers, std::span<const std::int16_t> profile)
{
    SplitOutcome outcome;
    if (method_ == SplitMethod::CueSheet) {
        if (cueTracks_.empty())
            return outcome;
        const CuePlacement placement = PlanCueMarkers(cueTracks_, cueTitles_, MarkerTime(file_));
        RequireMarkerRoom(MarkerDemand::CueTracks, static_cast<std::int64_t>(placement.Laid.Markers.size()),
                          "the cue sheet \"" + cueFileText_ + "\" has");
        markers.LayMarkers(placement.Laid.Markers);
        outcome.Skipped = placement.Skipped;
        outcome.MarkersReplaced = true;
        return outcome;
    }
    if (method_ == SplitMethod::Pauses || snap_)
        TidyPauseFields();
    std::vector<std::int32_t> positions;
    if (method_ == SplitMethod::Pauses) {
        const PauseFinder finder(profile, file_, Pauses());
        // The markers the user has stay rather than giving way to none.
        outcome.NoPauseFound = finder.Pauses().empty();
        if (outcome.NoPauseFound)
            return outcome;
        RequireMarkerRoom(MarkerDemand::Pauses, static_cast<std::int64_t>(finder.Pauses().size()),
                          "the recording has");
        positions = finder.Markers();
    } else {
        RecomputeRequest(method_);
        const std::int32_t count = ReadFieldNumber(total_);
        RequireMarkerRoom(MarkerDemand::EvenSections, count, EvenSectionsSubject());
        positions = EvenPositions(markers.Converter().BlockCount(), count);
        if (snap_)
            positions = PauseFinder(profile, file_, Pauses()).Snap(positions, ReadFieldDecimal(snapReach_));
    }
    markers.LayMarkers(positions);
    outcome.MarkersReplaced = true;
    return outcome;
}

} // namespace oq
