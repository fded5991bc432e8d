#include "model/SplitCalculator.h"

#include "base/FieldText.h"
#include "model/MarkerList.h"
#include "base/Error.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

namespace oq {

namespace {

constexpr std::int64_t kBytesPerKb = 1000;
constexpr std::int64_t kHundredthsPerSecond = 100;

// Kilobytes per section, rounded up, or sections per size, rounded up.
std::int64_t DivideRoundingUp(std::int64_t total, std::int64_t part)
{
    if (part <= 0)
        throw RangeError("cannot divide by a section of " + std::to_string(part));
    return total / part + (total % part > 0 ? 1 : 0);
}

std::string LengthText(std::int64_t seconds)
{
    if (seconds > std::numeric_limits<std::int32_t>::max() / kHundredthsPerSecond)
        throw RangeError("a length of " + std::to_string(seconds) + " seconds is too long");
    return ShownTimeCode(static_cast<std::int32_t>(seconds * kHundredthsPerSecond));
}

// Marker positions 0, step, 2 step, ... B for at most `count` sections of
// a file of `blocks` blocks: the count-th section takes the rest of the
// file, and a step of kSmallestStepBlocks may reach B sooner. At most
// count + 1 positions.
std::vector<std::int32_t> EvenPositions(std::int32_t blocks, std::int32_t count)
{
    if (count < 1)
        throw RangeError("cannot split into " + std::to_string(count) + " sections");
    std::int32_t step = std::max(blocks / count, SplitCalculator::kSmallestStepBlocks);
    step = std::min(step, blocks);
    std::vector<std::int32_t> positions{0};
    std::int32_t p = 0;
    do {
        const bool lastSection = static_cast<std::int32_t>(positions.size()) == count;
        p = p + step > blocks || lastSection ? blocks : p + step;
        positions.push_back(p);
    } while (p < blocks);
    return positions;
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

std::int64_t SplitCalculator::RoundedSeconds() const
{
    // To the nearest whole second, halves to the even one.
    const double whole = std::floor(file_.TimeTotal);
    const double fraction = file_.TimeTotal - whole;
    auto rounded = static_cast<std::int64_t>(whole);
    if (fraction > 0.5 || (fraction == 0.5 && rounded % 2 != 0))
        ++rounded;
    return rounded;
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
    WriteField(size_, sizeEdited_, std::to_string(Kilobytes()));
    WriteField(length_, lengthEdited_, LengthText(RoundedSeconds()));
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

SplitCalculator::Fields SplitCalculator::FromCount() const
{
    const std::int32_t count = std::clamp(ReadFieldNumber(total_), 1, kMostSections);
    return {std::to_string(count), LengthText(RoundedSeconds() / count), std::to_string(DivideRoundingUp(Kilobytes(), count))};
}

SplitCalculator::Fields SplitCalculator::FromSize() const
{
    const std::int64_t kilobytes = Kilobytes();
    // At most about 1000 sections: a size below a thousandth of the file is
    // raised just past it.
    const std::int64_t thousandth = kilobytes / 1000;
    std::int64_t size = ReadFieldNumber(size_);
    if (size < thousandth)
        size = thousandth + 1;
    size = std::min(size, kilobytes);
    const std::int64_t count = DivideRoundingUp(kilobytes, size);
    return {std::to_string(count), LengthText(RoundedSeconds() / count), std::to_string(size)};
}

SplitCalculator::Fields SplitCalculator::FromLength() const
{
    const std::int64_t rounded = RoundedSeconds();
    std::string length = length_;
    std::int32_t hundredths = ReadShownTime(length_);
    if (hundredths < kShortestLengthHundredths) {
        hundredths = kShortestLengthHundredths;
        length = ShownTimeCode(hundredths);
    }
    std::int64_t seconds = hundredths / kHundredthsPerSecond;
    if (rounded < seconds) {
        seconds = rounded;
        length = LengthText(rounded);
    }
    if (seconds <= 0)
        throw RangeError("a file without play time cannot be split by length");
    // Through the size: sections of this length share the bytes in
    // proportion, and one whole kilobyte is always added.
    using Real = long double;
    const Real share = Real(file_.FileSize) / (Real(rounded) / Real(seconds)) / kBytesPerKb;
    const auto size = static_cast<std::int64_t>(share) + 1;
    return {std::to_string(DivideRoundingUp(Kilobytes(), size)), length, std::to_string(size)};
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
    CueTrackList tracks = ReadCueSheet(path);
    cueFileText_ = tracks.empty() ? std::string() : std::filesystem::path(path).filename().string();
    cueTracks_ = std::move(tracks);
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
        outcome.Skipped = LayCueMarkers(cueTracks_, markers, cueFileText_);
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
    markers.ReplaceMarkers(positions);
    outcome.MarkersReplaced = true;
    return outcome;
}

} // namespace oq
