#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace oq {

struct MPEGData;

// What counts as a pause: a stretch quieter than ThresholdDb (dBFS, of the
// profile's mean magnitude) that lasts at least MinimumSeconds.
struct PauseSettings {
    static constexpr double kDefaultThresholdDb = -50.0;
    static constexpr double kDefaultMinimumSeconds = 1.0;

    double ThresholdDb = kDefaultThresholdDb;
    double MinimumSeconds = kDefaultMinimumSeconds;
};

// A run of quiet profile blocks First .. End - 1. Every block position from
// First to End lies in the quiet; Middle is where a cut goes.
struct Pause {
    std::int32_t First = 0;
    std::int32_t End = 0;
    std::int32_t Middle() const noexcept { return First + (End - First) / 2; }
    bool operator==(const Pause&) const = default;
};

// Finds the pauses of a recording in its amplitude profile (one entry per
// profile block: the mean magnitude, 0 to 32767, of the block's non-zero
// 16-bit samples) and lays markers in them.
//
// A block is quiet when its entry lies below the threshold. A block is the
// finest unit (about 0.09 s of 44.1 kHz stereo), and the blocks at a pause's
// edges hold sound and quiet both, so a run of n quiet blocks is taken for
// n + 1 blocks of quiet: pause lengths are judged to within one block.
// Quiet at the start or the end of the recording is no pause: nothing is
// cut off there.
class PauseFinder {
public:
    // `entries` is the profile of `file` (its BlockCount + 1 entries when
    // complete; a shorter one is searched as far as it goes). RangeError
    // for a file without play time or blocks.
    PauseFinder(std::span<const std::int16_t> entries, const MPEGData& file, PauseSettings settings = {});

    const std::vector<Pause>& Pauses() const noexcept { return pauses_; }

    // A marker list: 0, the middle of every pause, the file's BlockCount.
    std::vector<std::int32_t> Markers() const;

    // Moves each position to the middle of the nearest pause whose middle
    // lies within `reachSeconds`; a position without one in reach, and the
    // file's ends 0 and BlockCount, stay. The result is sorted, and two
    // positions drawn into one pause become one.
    std::vector<std::int32_t> Snap(const std::vector<std::int32_t>& positions, double reachSeconds) const;

    // The entry level below which a block is quiet.
    static double ThresholdEntry(double thresholdDb) noexcept;

private:
    std::int32_t blocks_;
    double blocksPerSecond_;
    std::vector<Pause> pauses_;
};

} // namespace oq
