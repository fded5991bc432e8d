#include "cli/BatchProgress.h"

#include <algorithm>

namespace oq::cli {

BatchProgress::BatchProgress(JobObserver& line, std::size_t inputs, std::int64_t jobs)
    : line_(line), inputs_(inputs), jobs_(jobs)
{
}

void BatchProgress::Show()
{
    std::int64_t done = ended_;
    std::string places;
    std::string names;
    for (const auto& [place, input] : running_) {
        done += input.Done;
        places += (places.empty() ? "" : ", ") + std::to_string(place);
        names += (names.empty() ? "" : ", ") + input.Name;
    }
    const std::string count = std::to_string(done) + " / " + std::to_string(jobs_);
    if (inputs_ > 1 && !running_.empty())
        line_.TotalText((running_.size() > 1 ? "files " : "file ") + places + " of " + std::to_string(inputs_) + ": " +
                        count);
    else
        line_.TotalText(count);
    if (!names.empty())
        line_.CurrentFile(names);
    line_.Progress(done, jobs_);
}

BatchProgress::Input::Input(BatchProgress& run, std::size_t place, const std::string& name, std::int64_t jobs)
    : run_(run), place_(place)
{
    std::lock_guard lock(run_.mutex_);
    run_.running_[place_] = {name, jobs, 0};
    run_.Show();
}

BatchProgress::Input::~Input()
{
    std::lock_guard lock(run_.mutex_);
    const auto found = run_.running_.find(place_);
    run_.ended_ += found->second.Jobs;
    run_.running_.erase(found);
    run_.Show();
}

void BatchProgress::Input::ProcessText(const std::string& text)
{
    // With two inputs running this is the step of whichever spoke last:
    // both do the same kind of work, and the count above is the run's.
    std::lock_guard lock(run_.mutex_);
    run_.line_.ProcessText(text);
}

void BatchProgress::Input::Progress(std::int64_t position, std::int64_t /*maximum*/)
{
    std::lock_guard lock(run_.mutex_);
    Running& input = run_.running_.at(place_);
    input.Done = std::clamp<std::int64_t>(position, 0, input.Jobs);
    run_.Show();
}

} // namespace oq::cli
