#pragma once

#include "base/JobObserver.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace oq::test {

// Keeps what a job run reports, and lets a test act at the moment a given
// job begins (its "b / n" text arrives before the job's first check point).
class RecordingObserver : public JobObserver {
public:
    void CurrentFile(const std::string& name) override { Keep(currents_, name); }
    void TotalText(const std::string& text) override
    {
        Keep(totals_, text);
        if (onTotal)
            onTotal(text);
    }
    void ProcessText(const std::string& text) override { Keep(processes_, text); }
    void Progress(std::int64_t position, std::int64_t maximum) override
    {
        position_ = position;
        maximum_ = maximum;
    }

    std::vector<std::string> Currents() const { return Copy(currents_); }
    std::vector<std::string> Totals() const { return Copy(totals_); }
    std::vector<std::string> Processes() const { return Copy(processes_); }
    std::int64_t Position() const { return position_; }
    std::int64_t Maximum() const { return maximum_; }

    // Called on the running thread with every job count text.
    std::function<void(const std::string&)> onTotal;

private:
    void Keep(std::vector<std::string>& list, const std::string& text)
    {
        const std::lock_guard lock(mutex_);
        list.push_back(text);
    }
    std::vector<std::string> Copy(const std::vector<std::string>& list) const
    {
        const std::lock_guard lock(mutex_);
        return list;
    }

    mutable std::mutex mutex_;
    std::vector<std::string> currents_;
    std::vector<std::string> totals_;
    std::vector<std::string> processes_;
    std::atomic<std::int64_t> position_{-1};
    std::atomic<std::int64_t> maximum_{-1};
};

// The names in a folder, to see what a run left behind.
inline std::set<std::string> FolderEntries(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Files this process holds open, to see that a run closed all of its own.
inline std::size_t OpenFileCount()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// Waits (up to five seconds) until `ready` holds; false when it never did.
inline bool WaitFor(const std::function<bool()>& ready)
{
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace oq::test
