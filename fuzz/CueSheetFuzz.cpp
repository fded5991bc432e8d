// Reads whatever text arrives as a cue sheet and lays its track starts as
// markers on files of very different lengths, from a fraction of a second
// to the longest the block positions can hold. Every marker laid must lie on
// the file, and every track must either give a marker or be reported.

#include "media/MPEGData.h"
#include "model/MarkerTime.h"
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
        if (const auto frames = oq::CueStartFrames(start); frames && *frames < 0)
            std::abort();
    for (const FileLength& length : kLengths) {
        oq::MPEGData file;
        file.FileName = "fuzz.ogg";
        file.Rate = 44100;
        file.Channels = 2;
        file.BlockCount = length.Blocks;
        file.TimeTotal = length.Seconds;
        file.PcmTotal = std::int64_t{length.Blocks} * 4096;
        file.FileSize = std::int64_t{length.Blocks} * 16384;
        try {
            const oq::CuePlacement placement = oq::PlanCueMarkers(tracks, {}, oq::MarkerTime(file));
            const auto& markers = placement.Laid.Markers;
            for (const oq::MarkerPlace& marker : markers)
                if (marker.Position < 0 || marker.Position > length.Blocks || !marker.Sample || *marker.Sample < 0 ||
                    *marker.Sample > file.PcmTotal)
                    std::abort();
            const std::size_t reported = placement.Skipped.Unreadable.size() + placement.Skipped.PastEnd.size();
            if (markers.size() < 2 || markers.size() > tracks.size() + 2 || reported > tracks.size() ||
                placement.Laid.Notes.size() != reported)
                std::abort();
        } catch (const oq::RangeError&) {
        }
    }
    return 0;
}
