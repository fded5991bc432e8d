#include "gui/editor/ZoomState.h"

#include "gui/editor/WaveformScale.h"

#include <algorithm>

namespace oq {

namespace {

// The buttons' scale Z: a tenth of the file, but no finer than 459 columns.
constexpr std::int32_t kFinestButtonColumns = 459;
constexpr std::int32_t kButtonScaleLimit = 4579; // above it a tenth of B exceeds 459 blocks
constexpr std::int32_t kButtonScaleDivisor = 10;

// Level 1 takes an overview column's worth of blocks per zoom column, but
// files below this many blocks start at B / (B div 3) blocks, about three,
// so that they still have levels to zoom in through.
constexpr std::int32_t kShortFileBlocks = 1374;
constexpr std::int32_t kBlocksPerShortColumn = 3;

std::int32_t TruncatedRatio(std::int32_t blocks, std::int32_t columns)
{
    return static_cast<std::int32_t>(static_cast<long double>(blocks) / columns);
}

} // namespace

void ZoomState::Init(std::int32_t blocks)
{
    blocks_ = std::max(blocks, 0);
    level_ = 1;
    const std::int32_t columns = blocks_ >= kShortFileBlocks ? WaveformScale::kLastColumn
                                                             : std::max(blocks_ / kBlocksPerShortColumn, 1);
    step_ = std::max(TruncatedRatio(blocks_, columns), 1);
}

std::int32_t ZoomState::ButtonBase() const
{
    const std::int32_t z = blocks_ > kButtonScaleLimit ? kFinestButtonColumns
                                                       : std::max(blocks_ / kButtonScaleDivisor, 1);
    return TruncatedRatio(blocks_, z);
}

bool ZoomState::ZoomIn()
{
    if (step_ <= 1)
        return false;
    std::int32_t step = std::max(ButtonBase() / (level_ + 1), 1);
    if (step == step_ && step > 1)
        step = 1;
    // Short files start finer than the buttons' scale (a third of B columns
    // against a tenth of B): one block finer, so that zooming in always
    // shows more detail instead of leaving the view as it was.
    else if (step > step_)
        step = step_ - 1;
    step_ = step;
    ++level_;
    return true;
}

bool ZoomState::ZoomOut()
{
    if (level_ <= 1)
        return false;
    --level_;
    step_ = std::max(ButtonBase() / level_, 1);
    return true;
}

} // namespace oq
