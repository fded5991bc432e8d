#include "cli/TerminalProgress.h"

#include "base/TimeCode.h"

#include <condition_variable>
#include <cstdio>
#include <unistd.h>

namespace oq::cli {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(250);
// Keeps the line within an ordinary terminal's width.
constexpr std::size_t kLineWidth = 100;

} // namespace

TerminalProgress::TerminalProgress(bool quiet) : shown_(!quiet && isatty(STDERR_FILENO))
{
    if (!shown_)
        return;
    // The wait ends at once when Finish asks the ticker to stop, so the end
    // of a run does not wait out a redraw interval.
    ticker_ = std::jthread([this](std::stop_token stop) {
        std::mutex sleep;
        std::condition_variable_any wake;
        while (!stop.stop_requested()) {
            Draw();
            std::unique_lock lock(sleep);
            wake.wait_for(lock, stop, kRedrawInterval, [] { return false; });
        }
    });
}

TerminalProgress::~TerminalProgress() { Finish(); }

void TerminalProgress::CurrentFile(const std::string& name)
{
    std::lock_guard lock(mutex_);
    file_ = name;
}

void TerminalProgress::TotalText(const std::string& text)
{
    std::lock_guard lock(mutex_);
    total_ = text;
}

void TerminalProgress::ProcessText(const std::string& text)
{
    std::lock_guard lock(mutex_);
    process_ = text;
}

void TerminalProgress::Progress(std::int64_t position, std::int64_t maximum)
{
    std::lock_guard lock(mutex_);
    position_ = position;
    maximum_ = maximum;
}

void TerminalProgress::Draw()
{
    std::lock_guard lock(mutex_);
    if (!shown_ || finished_)
        return;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_);
    std::string line = ShortTime(FormatTimeCode(static_cast<std::int32_t>(seconds.count() * 100)));
    if (!total_.empty())
        line += "  " + total_;
    if (!file_.empty())
        line += "  " + file_;
    if (!process_.empty())
        line += "  " + process_;
    if (line.size() > kLineWidth)
        line.resize(kLineWidth);
    std::fprintf(stderr, "\r%-*s", static_cast<int>(kLineWidth), line.c_str());
    std::fflush(stderr);
}

void TerminalProgress::Finish()
{
    if (!shown_)
        return;
    ticker_.request_stop();
    if (ticker_.joinable())
        ticker_.join();
    Draw();
    std::lock_guard lock(mutex_);
    if (!finished_)
        std::fputc('\n', stderr);
    finished_ = true;
}

} // namespace oq::cli
