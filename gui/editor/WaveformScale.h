#pragma once

#include "tools/AmplitudeProfile.h"

#include <array>
#include <cstdint>
#include <vector>

namespace oq {

// The column heights that the overview and the zoom view draw for the open
// file's amplitude profile, on a logarithmic scale, and the overview's
// geometry: columns 0..D spread over a display width of W pixels.
class WaveformScale {
public:
    // Heights in pixels of the profile values 0..32767: Trunc(8.5 * log2 a),
    // one doubling of amplitude adding 8.5 pixels, so that the loudest value
    // reaches 127 of the overview's 129 rows. The value 0 has the height 1.
    static constexpr int kAmplitudeValues = 32768;
    static const std::array<std::uint8_t, kAmplitudeValues>& HeightTable();
    // What the display draws for a position without a complete profile.
    static constexpr int kPlaceholderHeight = 64;

    // The overview's columns 0..459 and its width for PositionToPixel, for
    // every file: a short one spreads its blocks over the whole width as a
    // long one does, so that the ruler's fixed labels name the right times.
    static constexpr std::int32_t kLastColumn = 459;
    static constexpr std::int32_t kDisplayWidth = kLastColumn + 1;

    // The zoom view: 150 columns, the marker in column 75.
    static constexpr int kZoomColumns = 150;
    static constexpr int kZoomCentre = 75;

    // A file of `blocks` blocks (B) without a profile: every position shows
    // the placeholder height.
    void SetFile(std::int32_t blocks);
    // The analysis ended. A complete profile describes the whole file and
    // replaces B by its last index; an incomplete one (cancelled, or the
    // file could not be decoded) is not drawn: the placeholder stays.
    void SetProfile(const AmplitudeProfile& profile, bool complete);

    std::int32_t Blocks() const noexcept { return blocks_; }
    bool Complete() const noexcept { return complete_; }
    std::int32_t LastColumn() const noexcept { return kLastColumn; }     // D
    std::int32_t DisplayWidth() const noexcept { return kDisplayWidth; } // W

    // Height of block position p, 0 <= p <= B.
    int Height(std::int32_t p) const;
    // Heights of the overview's columns 0..D, column d showing position
    // Trunc(B / D * d).
    std::vector<int> OverviewHeights() const;
    // Heights of the zoom view's columns around position q, `step` blocks
    // apart; positions outside the file have the height 0 (the placeholder's
    // limit reaches one block past B while no complete profile exists).
    std::array<int, kZoomColumns> ZoomHeights(std::int32_t q, std::int32_t step) const;

private:
    std::int32_t blocks_ = 0;
    bool complete_ = false;
    std::vector<std::int16_t> entries_;
};

} // namespace oq
