#pragma once

#include "base/JobObserver.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace oq::cli {

// The one progress line of a batch whose inputs may be written by several
// workers at once. It counts the jobs of the whole run (all those of the
// inputs no longer running, and how far each running input has come) and
// names the inputs being written: "files 3, 4 of 20: 27 / 200  a.ogg, b.ogg".
// Each worker reports through an Input of its own, from its own thread.
class BatchProgress {
public:
    // `inputs` inputs in the run, holding `jobs` jobs between them.
    BatchProgress(JobObserver& line, std::size_t inputs, std::int64_t jobs);
    BatchProgress(const BatchProgress&) = delete;
    BatchProgress& operator=(const BatchProgress&) = delete;

    // One input while a worker has it. Its jobs count as done when it goes,
    // however its run ended (finished, failed or passed over).
    class Input : public JobObserver {
    public:
        // The input at `place` (counted from 1), named `name`, of `jobs` jobs.
        Input(BatchProgress& run, std::size_t place, const std::string& name, std::int64_t jobs);
        Input(const Input&) = delete;
        Input& operator=(const Input&) = delete;
        ~Input() override;

        // The runner's own count and file name are replaced by the run's.
        void CurrentFile(const std::string& /*name*/) override {}
        void TotalText(const std::string& /*text*/) override {}
        void ProcessText(const std::string& text) override;
        void Progress(std::int64_t position, std::int64_t maximum) override;

    private:
        BatchProgress& run_;
        std::size_t place_;
    };

private:
    struct Running {
        std::string Name;
        std::int64_t Jobs = 0;
        std::int64_t Done = 0;
    };

    // Shows the run's state; called with mutex_ held.
    void Show();

    JobObserver& line_;
    const std::size_t inputs_;
    const std::int64_t jobs_;
    std::mutex mutex_;
    std::int64_t ended_ = 0; // jobs of the inputs no longer running
    std::map<std::size_t, Running> running_; // by place
};

} // namespace oq::cli
