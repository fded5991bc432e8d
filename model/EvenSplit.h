#pragma once

#include <cstdint>
#include <vector>

namespace oq {

struct MPEGData;

// What one of the numeric split methods makes of its number: N sections of
// equal play length, and the length and size of each.
struct SplitFigures {
    std::int64_t Sections = 1;
    std::int64_t LengthHundredths = 0; // of a second
    std::int64_t SizeKb = 0;           // kilobytes of 1000 bytes
    bool operator==(const SplitFigures&) const = default;
};

// The three numeric ways of splitting a file into sections of equal play
// length: by a count, by a length, by a size. Each works out the section
// count N from its number and the file's size S and play time T (rounded to
// whole seconds, halves to the even one), bringing the number into its
// range first; the markers are
// then laid by EvenPositions. Whatever divides by a file quantity raises
// RangeError when it is zero.
class EvenSplit {
public:
    static constexpr std::int32_t kMostSections = 999;
    // A length below this many hundredths (5 seconds) is raised to it.
    static constexpr std::int64_t kShortestLengthHundredths = 500;
    // Laying markers closer than this many blocks makes no useful sections:
    // a file shorter than N times it gets fewer sections than N.
    static constexpr std::int32_t kSmallestStepBlocks = 5;

    explicit EvenSplit(const MPEGData& file);

    // N from 1 to kMostSections; each section gets T div N seconds and
    // S / N kilobytes, rounded up.
    SplitFigures ByCount(std::int64_t count) const;
    // Sections of at least 5 seconds and at most T. Their size follows from
    // the length's share of S, plus one whole kilobyte; N from that size.
    // The whole seconds count; a length that was in range keeps its
    // hundredths. RangeError for a file without play time.
    SplitFigures ByLength(std::int64_t hundredths) const;
    // Sections of at most S, and above a thousandth of S (so that N stays
    // near 1000 at most); each gets T div N seconds.
    SplitFigures BySize(std::int64_t kilobytes) const;

private:
    std::int64_t fileBytes_;      // S
    std::int64_t kilobytes_;      // S in whole kilobytes
    std::int64_t roundedSeconds_; // T to the nearest second, halves to the even one
};

// Marker positions 0, step, 2 step, ... B for `count` sections of a file of
// `blocks` blocks, the step B div N but at least 5 blocks, the last section
// taking the remainder. They are the positions a marker list of at most
// MarkerGeometry::kMaxMarkers lays in turn: once full, each further position
// moves its last marker, so the list still ends at B. RangeError for a count
// below 1.
std::vector<std::int32_t> EvenPositions(std::int32_t blocks, std::int64_t count);

} // namespace oq
