#include "jobs/JobList.h"

#include <algorithm>
#include <utility>

namespace oq {

JobStacker& JobList::AddJob(const std::string& outputName, const std::string& finalName, const std::string& sourceName)
{
    JobStacker& job = jobs_.emplace_back();
    job.OutputName = outputName;
    job.FinalName = finalName;
    job.SourceName = sourceName;
    return job;
}

std::vector<std::string> JobList::FinalNames() const
{
    std::vector<std::string> names;
    for (const JobStacker& job : jobs_)
        if (job.FinishOutput)
            names.push_back(job.FinalName);
    return names;
}

void JobList::RecordTarget(OutputTarget target)
{
    const std::string path = target.Path;
    targets_.insert_or_assign(path, std::move(target));
}

OutputTarget JobList::Target(const std::string& finalName) const
{
    const auto found = targets_.find(finalName);
    return found != targets_.end() ? found->second : OutputTarget{finalName, std::nullopt};
}

std::string JobList::Adopt(TempFile file)
{
    return temporaries_.emplace_back(std::move(file)).Path();
}

void JobList::ReleaseTemporary(const std::string& path) noexcept
{
    const auto found = std::find_if(temporaries_.begin(), temporaries_.end(),
                                    [&](const TempFile& file) { return file.Path() == path; });
    if (found == temporaries_.end())
        return;
    found->Release();
    temporaries_.erase(found);
}

void JobList::RemoveTemporaries() noexcept
{
    temporaries_.clear();
}

void JobList::Clear() noexcept
{
    jobs_.clear();
    passedOver_.clear();
    RemoveTemporaries();
    notes_.clear();
    targets_.clear();
    willOverwrite_ = false;
    finishedOutputs_ = 0;
}

} // namespace oq
