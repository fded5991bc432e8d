#pragma once

#include <cstdint>

namespace oq {

// The zoom of the zoom view: level L (shown as "x" + L) and step s, the
// blocks per zoom column, which is also the nudge step. Level 1 starts with
// an overview column's worth of blocks per column (about three on short
// files); the buttons then move in steps derived from a tenth of the file
// (at most 459 columns' worth).
class ZoomState {
public:
    // Level 1 for a file of `blocks` blocks (B): s = Trunc(B / D), D being
    // the overview's last column, or B div 3 for files under 1374 blocks;
    // at least 1.
    void Init(std::int32_t blocks);

    // One level in: a finer step. Returns false when the step is 1 already.
    bool ZoomIn();
    // One level out; returns false at level 1.
    bool ZoomOut();

    std::int32_t Level() const noexcept { return level_; }
    std::int32_t Step() const noexcept { return step_; }
    bool CanZoomIn() const noexcept { return step_ > 1; }
    bool CanZoomOut() const noexcept { return level_ > 1; }

private:
    // Trunc(B / Z): the step of level 1 on the buttons' scale.
    std::int32_t ButtonBase() const;

    std::int32_t blocks_ = 0;
    std::int32_t level_ = 1;
    std::int32_t step_ = 1;
};

} // namespace oq
