#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace oq {

// Hands filled buffers from the calling thread to one worker thread of its
// own, which passes each to `consume` in the order they were filled. A few
// buffers are allocated once and go round: the caller fills the next free
// one while the worker consumes the earlier ones, and waits when all of them
// are queued, so the two threads work side by side on bounded memory.
//
// A failure of `consume` stops the worker; the caller's next Free() or
// Finish() raises it. The destructor stops the worker without consuming
// what is still queued and joins it, so leaving the owner's scope by any
// path (a cancel, an exception on either thread) leaves no thread behind.
class BufferHandOff {
public:
    using Consumer = std::function<void(std::span<const char>)>;

    // Starts the worker. `consume` runs on it only, one buffer at a time.
    BufferHandOff(std::size_t bufferBytes, std::size_t bufferCount, Consumer consume);
    BufferHandOff(const BufferHandOff&) = delete;
    BufferHandOff& operator=(const BufferHandOff&) = delete;
    ~BufferHandOff();

    // The next buffer to fill, of bufferBytes; waits while every buffer is
    // queued or being consumed. Raises the worker's failure. Calling it again
    // before Pass() gives the same buffer.
    std::span<char> Free();
    // Queues the buffer Free() gave, of which the first `bytes` are filled.
    void Pass(std::size_t bytes);
    // Waits until the worker has consumed every buffer passed and has ended;
    // raises its failure. Nothing may be passed afterwards.
    void Finish();

private:
    void Work();

    const Consumer consume_;
    std::vector<std::vector<char>> buffers_;
    std::vector<std::size_t> filled_; // bytes passed in each buffer
    std::mutex mutex_;
    std::condition_variable changed_; // a buffer passed or consumed, or an end
    // Buffers passed and consumed since the start; buffer n % count holds
    // the n-th. The caller may fill while passed_ - consumed_ < count: a
    // buffer counts as consumed only once `consume` has returned from it.
    std::size_t passed_ = 0;
    std::size_t consumed_ = 0;
    bool finishing_ = false; // nothing more will be passed
    bool stopping_ = false;  // the owner goes: drop what is queued
    std::exception_ptr failure_;
    // Declared last: joined before the state above goes.
    std::jthread worker_;
};

} // namespace oq
