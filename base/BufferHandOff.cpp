#include "base/BufferHandOff.h"

#include <algorithm>
#include <utility>

namespace oq {

BufferHandOff::BufferHandOff(std::size_t bufferBytes, std::size_t bufferCount, Consumer consume)
    : consume_(std::move(consume)),
      buffers_(std::max<std::size_t>(bufferCount, 1), std::vector<char>(bufferBytes)),
      filled_(buffers_.size(), 0),
      worker_([this] { Work(); })
{
}

BufferHandOff::~BufferHandOff()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    // worker_ joins as the first member to go.
}

std::span<char> BufferHandOff::Free()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failure_ || passed_ - consumed_ < buffers_.size(); });
    if (failure_)
        std::rethrow_exception(failure_);
    return buffers_[passed_ % buffers_.size()];
}

void BufferHandOff::Pass(std::size_t bytes)
{
    {
        const std::lock_guard lock(mutex_);
        filled_[passed_ % buffers_.size()] = bytes;
        ++passed_;
    }
    changed_.notify_all();
}

void BufferHandOff::Finish()
{
    {
        const std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable())
        worker_.join();
    if (failure_)
        std::rethrow_exception(failure_);
}

void BufferHandOff::Work()
{
    for (;;) {
        std::span<const char> buffer;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || finishing_ || consumed_ < passed_; });
            if (stopping_ || consumed_ == passed_)
                return;
            const std::size_t slot = consumed_ % buffers_.size();
            buffer = std::span<const char>(buffers_[slot].data(), filled_[slot]);
        }
        // The caller leaves this buffer alone until consumed_ moves past it.
        try {
            consume_(buffer);
        } catch (...) {
            {
                const std::lock_guard lock(mutex_);
                failure_ = std::current_exception();
            }
            changed_.notify_all();
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            ++consumed_;
        }
        changed_.notify_all();
    }
}

} // namespace oq
