#include "bench/Scenarios.h"

#include "bench/TimedRounds.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace oq::bench {

namespace {

// A second look must cost at most a tenth of the first: the decoding is
// gone, the file's description and the pause finding remain.
constexpr double kSecondLookGoal = 0.1;

// An environment variable set for the scenario's children and put back
// after it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;
    ~ScopedVariable()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// What a command prints on standard output; empty when it fails.
std::string OutputOf(const std::vector<std::string>& command)
{
    std::string line;
    for (const std::string& word : command) {
        std::string quoted = "'";
        for (char c : word)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += quoted + "' ";
    }
    line += "2>/dev/null";
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(line.c_str(), "r"), pclose);
    if (!pipe)
        return {};
    std::string output;
    std::array<char, 4096> buffer;
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0;)
        output.append(buffer.data(), got);
    return output;
}

} // namespace

Findings LookAgainWithCli(const ScenarioSetting& setting)
{
    Findings findings;
    std::optional<Ratio> againRatio;
    std::string sameAnswer;
    bool answersAgree = false;
    if (const std::string cli = SiblingProgram("oggquorvel-cli"); !cli.empty()) {
        const std::string& source = setting.Material().Long;
        findings = setting.Begin("Command line: markers --silence -50:1 on the 45-minute file, twice");
        // The cache of the runs is the scenario's own, emptied before each
        // first look; the second look finds what the first one left.
        const ScopedVariable cacheHome("XDG_CACHE_HOME", setting.Scratch("profile-cache"));
        const std::vector<std::string> markers{cli, "markers", source, "--silence", "-50:1", "--quiet"};
        std::vector<Task> tasks{CommandTask("first look", markers, setting.Reset("profile-cache")),
                                CommandTask("second look", markers)};
        const std::string ffmpeg = FindProgram("ffmpeg");
        if (!ffmpeg.empty())
            tasks.push_back(CommandTask("ffmpeg silencedetect", {ffmpeg, "-nostdin", "-v", "error", "-i", source, "-af",
                                                                 "silencedetect=n=-50dB:d=1", "-f", "null", "-"}));
        else
            findings.Notes.push_back("ffmpeg is not installed: its silence detection not compared");
        const std::vector<Measured> results = TimeInRounds(tasks, setting.Runs(), setting.Progress());

        std::vector<std::string> forgoing = markers;
        forgoing.push_back("--no-cache");
        const std::string fresh = OutputOf(forgoing);
        const std::string remembered = OutputOf(markers);
        answersAgree = !fresh.empty() && fresh == remembered;
        sameAnswer = answersAgree ? "; the same markers as a fresh analysis" : "; MARKERS DIFFER FROM A FRESH ANALYSIS";
        findings.AddRow("first look (decodes, remembers the profile)", results[0], {}, nullptr,
                        CoresUsed(results[0]));
        findings.AddRow("second look (the remembered profile)", results[1], "first", &results[0],
                        sameAnswer.substr(2));
        if (results.size() > 2)
            findings.AddRow("ffmpeg -af silencedetect -f null", results[2], "first", &results[0]);
        againRatio = RatioOf(results[1], results[0]);
    }
    TargetVerdict verdict =
        RatioTarget(FormatFigure(kSecondLookGoal, "second markers --silence <= %.1f x the first (45 min)"), againRatio,
                    kSecondLookGoal);
    verdict.Evidence += sameAnswer;
    if (verdict.Met && !answersAgree)
        verdict.Met = false;
    findings.Targets.push_back(verdict);
    return findings;
}

} // namespace oq::bench
