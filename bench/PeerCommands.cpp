#include "bench/PeerCommands.h"

#include <cstdio>
#include <stdexcept>

namespace oq::bench {

namespace {

constexpr std::int64_t kHundredthsPerMinute = 6000;

std::string Numbered(const std::string& folder, const char* stem, std::size_t number)
{
    char name[32];
    std::snprintf(name, sizeof name, "/%s%02zu.ogg", stem, number);
    return folder + name;
}

} // namespace

std::string SplitterTime(std::int64_t sample, long rate)
{
    if (rate <= 0 || sample < 0)
        throw std::invalid_argument("no time for sample " + std::to_string(sample) + " at " + std::to_string(rate) +
                                    " Hz");
    const std::int64_t hundredths = (sample * 100 + rate / 2) / rate; // nearest hundredth
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%02lld.%02lld", static_cast<long long>(hundredths / kHundredthsPerMinute),
                  static_cast<long long>(hundredths % kHundredthsPerMinute / 100),
                  static_cast<long long>(hundredths % 100));
    return text;
}

std::vector<std::string> OggspltCommand(const std::string& program, const std::string& source,
                                        const std::string& folder, const std::vector<std::int64_t>& cuts, long rate)
{
    // -q: quiet; -d: output folder; -o @n: sections named by their number.
    std::vector<std::string> command = {program, "-q", "-d", folder, "-o", "@n", source, SplitterTime(0, rate)};
    for (std::int64_t cut : cuts)
        command.push_back(SplitterTime(cut, rate));
    command.push_back("EOF");
    return command;
}

std::vector<std::vector<std::string>> VcutChain(const std::string& program, const std::string& source,
                                                const std::string& folder, const std::vector<std::int64_t>& cuts)
{
    std::vector<std::vector<std::string>> chain;
    std::string input = source;
    std::int64_t previous = 0;
    for (std::size_t k = 0; k < cuts.size(); ++k) {
        const bool last = k + 1 == cuts.size();
        const std::string rest = last ? Numbered(folder, "vcut", k + 2) : Numbered(folder, "rest", k + 1);
        chain.push_back({program, input, Numbered(folder, "vcut", k + 1), rest, std::to_string(cuts[k] - previous)});
        input = rest;
        previous = cuts[k];
    }
    return chain;
}

std::vector<std::string> FfmpegSegmentCommand(const std::string& program, const std::string& source,
                                              const std::string& folder, const std::vector<std::int64_t>& cuts,
                                              long rate)
{
    if (rate <= 0)
        throw std::invalid_argument("no segment times without a sample rate");
    std::string times;
    for (std::int64_t cut : cuts) {
        char seconds[48];
        std::snprintf(seconds, sizeof seconds, "%.6f", static_cast<double>(cut) / static_cast<double>(rate));
        if (!times.empty())
            times += ',';
        times += seconds;
    }
    return {program, "-nostdin", "-v", "error", "-y", "-i", source, "-map", "0:a", "-c", "copy",
            "-f", "segment", "-segment_times", times, folder + "/ffmpeg%02d.ogg"};
}

} // namespace oq::bench
