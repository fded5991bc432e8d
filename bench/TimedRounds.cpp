#include "bench/TimedRounds.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace oq::bench {

namespace {

std::string LastLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const std::size_t start = text.find_last_of('\n');
    return start == std::string::npos ? text : text.substr(start + 1);
}

std::string Seconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

} // namespace

Task ChildTask(std::string label, std::function<void()> work, std::function<void()> prepare)
{
    return {std::move(label), [work = std::move(work)] { return RunInChild(work); }, std::move(prepare)};
}

Task CommandTask(std::string label, std::vector<std::string> command, std::function<void()> prepare)
{
    return {std::move(label), [command = std::move(command)] { return RunCommand(command); }, std::move(prepare)};
}

Task SelfTimedTask(std::string label, std::vector<std::string> command, std::string reportPath, std::string figure)
{
    auto once = [command = std::move(command), reportPath = std::move(reportPath), figure = std::move(figure)] {
        std::filesystem::remove(reportPath);
        ChildOutcome outcome = RunCommand(command);
        if (!outcome.Ok())
            return outcome;
        const auto figures = ReadFigures(reportPath);
        const auto seconds = figures.find(figure);
        if (seconds == figures.end()) {
            outcome.ExitCode = 1;
            outcome.Errors = "no figure \"" + figure + "\" in " + reportPath;
            return outcome;
        }
        outcome.Seconds = seconds->second;
        if (const auto cpu = figures.find(figure + "_cpu"); cpu != figures.end())
            outcome.CpuSeconds = cpu->second;
        return outcome;
    };
    return {std::move(label), std::move(once), {}};
}

std::map<std::string, double> ReadFigures(const std::string& reportPath)
{
    std::map<std::string, double> figures;
    std::ifstream in(reportPath);
    std::string name;
    double value = 0;
    while (in >> name >> value)
        figures[name] = value;
    return figures;
}

Task ChainTask(std::string label, std::vector<std::vector<std::string>> commands, std::function<void()> prepare)
{
    auto once = [commands = std::move(commands)] {
        ChildOutcome sum;
        for (const auto& command : commands) {
            const ChildOutcome step = RunCommand(command);
            if (!step.Ok())
                return step;
            sum.Seconds += step.Seconds;
            sum.CpuSeconds += step.CpuSeconds;
            sum.PeakBytes = std::max(sum.PeakBytes, step.PeakBytes);
        }
        return sum;
    };
    return {std::move(label), std::move(once), std::move(prepare)};
}

std::vector<Measured> TimeInRounds(const std::vector<Task>& tasks, int rounds, std::ostream& progress)
{
    std::vector<Measured> results(tasks.size());
    for (int round = 1; round <= rounds; ++round) {
        progress << "  round " << round << "/" << rounds << ":";
        for (std::size_t i = 0; i < tasks.size(); ++i) {
            Measured& result = results[i];
            if (!result.Failure.empty())
                continue;
            if (tasks[i].Prepare)
                tasks[i].Prepare();
            const ChildOutcome outcome = tasks[i].Once();
            if (outcome.Ok()) {
                result.Runs.push_back(outcome);
                progress << " " << tasks[i].Label << " " << Seconds(outcome.Seconds);
            } else {
                result.Failure = "failed, exit " + std::to_string(outcome.ExitCode);
                if (!outcome.Errors.empty())
                    result.Failure += ": " + LastLine(outcome.Errors);
                progress << " " << tasks[i].Label << " FAILED";
            }
            progress.flush();
        }
        progress << "\n";
    }
    for (Measured& result : results) {
        result.Seconds = MedianSeconds(result.Runs);
        result.CpuSeconds = MedianCpuSeconds(result.Runs);
        result.Peak = HighestPeak(result.Runs);
    }
    return results;
}

} // namespace oq::bench
