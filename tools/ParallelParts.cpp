#include "tools/ParallelParts.h"

#include "media/StreamPlan.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>

namespace oq {

namespace {

// How often the calling thread looks at progress, pause and cancel while
// the parts run: often enough that a person sees no delay.
constexpr std::chrono::milliseconds kWatchInterval{5};

} // namespace

unsigned ThreadsOf(const PartLayout& layout)
{
    if (layout.Threads > 0)
        return layout.Threads;
    return std::max(std::thread::hardware_concurrency(), 1u);
}

std::vector<std::int64_t> TargetsOf(const PartLayout& layout, const std::string& path)
{
    if (layout.Targets)
        return *layout.Targets;
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? std::vector<std::int64_t>{} : PartTargets(static_cast<std::int64_t>(size), ThreadsOf(layout));
}

bool RunParts(std::size_t parts, unsigned threads, const PartWork& work, const PartWatch& watch)
{
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable ended;
    std::exception_ptr failure;
    const auto fail = [&](std::exception_ptr error) {
        std::lock_guard lock(mutex);
        if (!failure)
            failure = error;
        stop = true;
    };
    const auto workerCount = static_cast<unsigned>(std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(parts, 1)));
    unsigned running = workerCount;
    {
        // Declared last, so that every thread has been joined before the
        // state it uses goes.
        std::vector<std::jthread> workers;
        try {
            for (unsigned i = 0; i < workerCount; ++i) {
                workers.emplace_back([&] {
                    for (std::size_t part; !stop && (part = next++) < parts;) {
                        try {
                            work(part, stop);
                        } catch (...) {
                            fail(std::current_exception());
                        }
                    }
                    std::lock_guard lock(mutex);
                    --running;
                    ended.notify_all();
                });
            }
            for (bool done = false; !done;) {
                {
                    std::unique_lock lock(mutex);
                    done = ended.wait_for(lock, kWatchInterval, [&] { return running == 0; });
                }
                if (!stop && !watch())
                    stop = true;
            }
        } catch (...) {
            fail(std::current_exception());
        }
    }
    if (failure)
        std::rethrow_exception(failure);
    return !stop;
}

} // namespace oq
