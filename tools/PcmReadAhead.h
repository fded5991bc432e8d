#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace oq {

class PcmRangeReader;

// Decodes a range on a worker thread of its own, ahead of the sound device
// that plays it, so that the thread feeding the device never waits on the
// decoder (the seek, the pre-roll, each read). The worker decodes while
// fewer than `bytesAhead` bytes are queued (so at most one read more), and
// waits for room otherwise.
//
// The destructor asks the worker to stop and joins it: a worker waiting for
// room wakes at once, one decoding (the pre-roll included) stops after its
// current decoder read. So no thread outlives the object, and nothing it
// decoded reaches a later range.
class PcmReadAhead {
public:
    PcmReadAhead(std::unique_ptr<PcmRangeReader> reader, std::size_t bytesAhead);
    PcmReadAhead(const PcmReadAhead&) = delete;
    PcmReadAhead& operator=(const PcmReadAhead&) = delete;
    ~PcmReadAhead();

    // Copies up to `bytes` of the queued PCM, in order, to `data` and returns
    // how many: fewer, or none, when the worker is behind. Never waits on
    // decoding. Reads are whole frames, so a multiple of the frame's bytes
    // asked for each time gives whole frames.
    std::size_t Take(char* data, std::size_t bytes);
    // Whether `bytesAhead` are queued or the range ended: a device started
    // now has that much at hand.
    bool Primed() const;
    // Whether Take() would give something now.
    bool Queued() const;
    // Whether the range ended and every byte of it has been taken.
    bool Exhausted() const;

private:
    void Work(const std::stop_token& stop);

    const std::unique_ptr<PcmRangeReader> reader_; // used by the worker alone
    const std::size_t bytesAhead_;
    mutable std::mutex mutex_;
    std::condition_variable_any taken_; // bytes were taken off the queue
    std::deque<std::vector<char>> queue_;
    std::size_t frontTaken_ = 0; // bytes of queue_.front() already taken
    std::size_t queued_ = 0;     // bytes in queue_ not yet taken
    bool ended_ = false;         // the worker queues no more
    // Declared last: stopped and joined before the state above goes.
    std::jthread worker_;
};

} // namespace oq
