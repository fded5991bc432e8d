#include "cli/ProfileAnalysis.h"

#include "base/Error.h"
#include "cli/Command.h"
#include "cli/Console.h"
#include "cli/InterruptGuard.h"
#include "cli/TerminalProgress.h"
#include "media/MPEGData.h"
#include "tools/ProfileCache.h"

#include <algorithm>
#include <atomic>

namespace oq::cli {

namespace {

bool cacheForgone = false;

// The run's cache, made at its first use: one per process, so that an
// unwritable folder is warned of once however many files are analysed.
ProfileCache* RunCache()
{
    if (cacheForgone)
        return nullptr;
    static ProfileCache cache(ProfileCache::UserFolder(), [](const std::string& message) {
        PrintWarnings({message + "; going on without the cache"});
    });
    return &cache;
}

AmplitudeProfile ComputeWithProgress(const MPEGData& file, bool quiet)
{
    std::atomic<bool> cancelled{false};
    TerminalProgress progress(quiet);
    const InterruptGuard guard([&] { cancelled = true; });
    const std::int64_t expected = std::max<std::int64_t>(file.BlockCount, 1);
    AmplitudeProfile profile = ComputeAmplitudeProfile(file.FileName, cancelled, [&](std::int32_t lastIndex) {
        progress.ProcessText("Analysing... " + std::to_string(std::min<std::int64_t>(100, lastIndex * 100 / expected)) +
                             "%");
    });
    progress.Finish();
    if (cancelled)
        throw CancelledError();
    return profile;
}

} // namespace

AmplitudeProfile AnalyseProfile(const MPEGData& file, bool quiet)
{
    ProfileCache* cache = RunCache();
    ProfileCache::Lookup lookup;
    if (cache != nullptr)
        lookup = cache->Find(file.FileName);
    if (lookup.Profile)
        return std::move(*lookup.Profile);
    AmplitudeProfile profile = ComputeWithProgress(file, quiet);
    if (cache != nullptr && lookup.Identity)
        cache->Store(file.FileName, *lookup.Identity, profile);
    return profile;
}

std::string ProfileCacheUsage()
{
    constexpr std::uint64_t kMiB = 1024 * 1024;
    return "\nAmplitude profiles, once analysed, are remembered in $XDG_CACHE_HOME/oggquorvel\n"
           "(else ~/.cache/oggquorvel; at most " +
           std::to_string(ProfileCache::kDefaultBoundBytes / kMiB) +
           " MiB, the longest unused dropped first)\n"
           "and used again while the file stays as it was: same place, size, time and ends.\n  " +
           kNoCacheOption + "         analyse afresh, neither reading nor keeping a profile\n";
}

std::vector<std::string> TakeNoCacheOption(std::vector<std::string> arguments)
{
    const auto optionsEnd = std::find(arguments.begin(), arguments.end(), "--");
    const auto kept = std::remove(arguments.begin(), optionsEnd, kNoCacheOption);
    if (optionsEnd - kept > 1)
        throw UsageError(std::string(kNoCacheOption) + " is given twice");
    if (kept != optionsEnd) {
        cacheForgone = true;
        arguments.erase(kept, optionsEnd);
    }
    return arguments;
}

} // namespace oq::cli
