#include "tools/PcmReadAhead.h"

#include "tools/PlayRange.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

namespace oq {

PcmReadAhead::PcmReadAhead(std::unique_ptr<PcmRangeReader> reader, std::size_t bytesAhead)
    : reader_(std::move(reader)), bytesAhead_(std::max<std::size_t>(bytesAhead, 1)),
      worker_([this](std::stop_token stop) { Work(stop); })
{
}

// worker_, the last member, requests the stop and joins first.
PcmReadAhead::~PcmReadAhead() = default;

void PcmReadAhead::Work(const std::stop_token& stop)
{
    for (;;) {
        std::vector<char> read;
        try {
            read = reader_->Next(stop);
        } catch (const std::exception&) {
            // Reads report damage by ending the range; only memory can run
            // out here, and the range ends then as well.
        }
        std::unique_lock lock(mutex_);
        if (read.empty() || stop.stop_requested()) {
            ended_ = true;
            return;
        }
        queued_ += read.size();
        queue_.push_back(std::move(read));
        if (!taken_.wait(lock, stop, [&] { return queued_ < bytesAhead_; }))
            return; // stopped
    }
}

std::size_t PcmReadAhead::Take(char* data, std::size_t bytes)
{
    std::size_t given = 0;
    {
        const std::lock_guard lock(mutex_);
        while (given < bytes && !queue_.empty()) {
            const std::vector<char>& front = queue_.front();
            const std::size_t take = std::min(bytes - given, front.size() - frontTaken_);
            std::memcpy(data + given, front.data() + frontTaken_, take);
            given += take;
            frontTaken_ += take;
            queued_ -= take;
            if (frontTaken_ == front.size()) {
                queue_.pop_front();
                frontTaken_ = 0;
            }
        }
    }
    taken_.notify_one();
    return given;
}

bool PcmReadAhead::Primed() const
{
    const std::lock_guard lock(mutex_);
    return ended_ || queued_ >= bytesAhead_;
}

bool PcmReadAhead::Queued() const
{
    const std::lock_guard lock(mutex_);
    return queued_ > 0;
}

bool PcmReadAhead::Exhausted() const
{
    const std::lock_guard lock(mutex_);
    return ended_ && queue_.empty();
}

} // namespace oq
