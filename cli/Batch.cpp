#include "cli/Batch.h"

#include "cli/Command.h"
#include "base/Error.h"

#include <iostream>

namespace oq::cli {

BatchReport::BatchReport(std::string command, std::size_t sources, bool json)
    : command_(std::move(command)), json_(json), results_(sources)
{
}

void BatchReport::Done(std::size_t index, Json result)
{
    std::lock_guard lock(mutex_);
    results_.at(index) = std::move(result);
}

void BatchReport::Failed(std::size_t index, const std::string& source, const std::string& error)
{
    std::lock_guard lock(mutex_);
    std::cerr << "oggquorvel-cli " << command_ << ": " << error << "\n";
    failed_[index] = source;
    results_.at(index) = {{"source", source}, {"error", error}};
}

void BatchReport::FailedAfter(std::size_t index, Json files)
{
    std::lock_guard lock(mutex_);
    results_.at(index)["files"] = std::move(files);
}

int BatchReport::Finish() const
{
    std::lock_guard lock(mutex_);
    if (json_) {
        Json document = Json::array();
        for (const Json& result : results_)
            if (!result.is_null())
                document.push_back(result);
        PrintJson(document);
    }
    if (failed_.empty())
        return 0;
    if (results_.size() > 1) {
        std::cerr << "oggquorvel-cli " << command_ << ": " << results_.size() - failed_.size() << " of "
                  << results_.size() << " files done; not done:";
        for (const auto& [index, source] : failed_)
            std::cerr << " \"" << source << "\"";
        std::cerr << "\n";
    }
    return 1;
}

void RequireOneSourceFor(const std::vector<std::string>& methodInputs, std::size_t sources)
{
    if (sources > 1 && !methodInputs.empty())
        throw UsageError("\"" + methodInputs.front() + "\" describes one file; give one FILE with it");
}

void ForSource(const std::vector<std::string>& sources, std::size_t i, BatchReport& report, const SourceWork& work)
{
    try {
        work(i, sources[i]);
    } catch (const CancelledError&) {
        throw;
    } catch (const Error& error) {
        report.Failed(i, sources[i], error.what());
    } catch (const UsageError& error) {
        // What one input cannot give (a time past its end, a section it
        // does not have): with one input the command line is at fault;
        // among several, that input is passed over.
        if (sources.size() == 1)
            throw;
        report.Failed(i, sources[i], "\"" + sources[i] + "\": " + error.what());
    }
}

void ForEachSource(const std::vector<std::string>& sources, BatchReport& report, const SourceWork& work)
{
    for (std::size_t i = 0; i < sources.size(); ++i)
        ForSource(sources, i, report, work);
}

} // namespace oq::cli
