// Reads whatever text arrives as a cue sheet and lays its track starts as
// markers on files of very different lengths, from a fraction of a second
// to the longest the block positions can hold. Every marker laid must lie on
// the file, and every track must either give a marker or be reported.

#include "model/PositionConverter.h"
#include "base/Error.h"
#include "model/CueSheet.h"

#include <cstdlib>
#include <limits>
#include <string_view>

namespace {

struct FileLength {
    std::int32_t Blocks;
    double Seconds;
};

// A one-second file has 10 blocks of stereo 44.1 kHz audio; the others
// stretch the ratio of blocks to seconds both ways.
constexpr FileLength kLengths[] = {
    {1000, 600.0},
    {1, 0.05},
    {10, 1.0},
    {std::numeric_limits<std::int32_t>::max(), 2.0e8},
    {std::numeric_limits<std::int32_t>::max(), 1.0},
    {3, 1.0e9},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const oq::CueTrackList tracks = oq::ParseCueSheet(text);
    for (const std::string& start : tracks)
        if (const auto seconds = oq::CueStartSeconds(start); seconds && *seconds < 0)
            std::abort();

    for (const FileLength& length : kLengths) {
        const oq::PositionConverter convert(length.Blocks, length.Seconds, std::int64_t{length.Blocks} * 4096,
                                            std::int64_t{length.Blocks} * 16384);
        try {
            const oq::CuePlacement placement = oq::PlanCueMarkers(tracks, convert);
            for (const std::int32_t position : placement.Positions)
                if (position < 0 || position > length.Blocks)
                    std::abort();
            const std::size_t reported = placement.Skipped.Unreadable.size() + placement.Skipped.PastEnd.size();
            if (placement.Positions.size() < 2 || placement.Positions.size() > tracks.size() + 2 ||
                reported > tracks.size())
                std::abort();
        } catch (const oq::RangeError&) {
        }
    }
    return 0;
}
