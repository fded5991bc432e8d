#include "base/JobControl.h"

namespace oq {

void JobControl::RequestCancel() noexcept
{
    cancelled_ = true;
    ++generation_;
    generation_.notify_all();
}

void JobControl::SetPaused(bool paused) noexcept
{
    paused_ = paused;
    ++generation_;
    generation_.notify_all();
}

void JobControl::Reset() noexcept
{
    paused_ = false;
    cancelled_ = false;
    ++generation_;
    generation_.notify_all();
}

bool JobControl::CheckPoint() const noexcept
{
    for (;;) {
        const unsigned seen = generation_.load();
        if (cancelled_ || !paused_)
            return cancelled_;
        generation_.wait(seen);
    }
}

} // namespace oq
