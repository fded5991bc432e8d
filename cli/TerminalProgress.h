#pragma once

#include "base/JobObserver.h"

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

namespace oq::cli {

// Shows a running job on one line of the terminal: elapsed time, job count,
// current file and what is being done, redrawn a few times a second. Silent
// when asked to be or when standard error is not a terminal.
class TerminalProgress : public JobObserver {
public:
    explicit TerminalProgress(bool quiet);
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;
    ~TerminalProgress() override;

    void CurrentFile(const std::string& name) override;
    void TotalText(const std::string& text) override;
    void ProcessText(const std::string& text) override;
    void Progress(std::int64_t position, std::int64_t maximum) override;

    // Draws the final state and moves to a new line.
    void Finish();

private:
    void Draw();

    bool shown_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::mutex mutex_;
    std::string file_;
    std::string total_;
    std::string process_;
    std::int64_t position_ = 0;
    std::int64_t maximum_ = 0;
    bool finished_ = false;
    std::jthread ticker_;
};

} // namespace oq::cli
