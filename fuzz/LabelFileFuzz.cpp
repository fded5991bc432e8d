// Reads whatever text arrives as a label file on files of very different
// shapes: a second of audio, ten hours, a chained file, rates from 8 kHz to
// the highest a header may claim. A text is either refused with FormatError
// or gives markers on the file, at least two, with every label outside the
// audio reported by its line; the markers written back as a label file read
// back onto the same samples.

#include "base/Error.h"
#include "media/MPEGData.h"
#include "model/LabelFile.h"
#include "model/MarkerTime.h"

#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

oq::MPEGData File(std::int32_t rate, std::int32_t channels, double seconds, std::vector<std::int64_t> linkStarts = {})
{
    constexpr double kBytesPerBlock = 16384;
    oq::MPEGData file;
    file.FileName = "fuzz.ogg";
    file.Rate = rate;
    file.Channels = channels;
    file.TimeTotal = seconds;
    file.PcmTotal = static_cast<std::int64_t>(seconds * rate);
    file.BlockCount = static_cast<std::int32_t>(static_cast<double>(file.PcmTotal) * channels * 2 / kBytesPerBlock);
    file.FileSize = file.PcmTotal / 4;
    file.LinkStarts = std::move(linkStarts);
    return file;
}

const std::vector<oq::MPEGData>& Files()
{
    static const std::vector<oq::MPEGData> files = {
        File(44100, 2, 1.0),
        File(8000, 1, 36000.0),
        File(48000, 2, 30.0, {48000 * 10 + 7, 48000 * 20}),
        File(1'000'000, 8, 2.5),
    };
    return files;
}

void Check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const oq::MPEGData& file : Files()) {
        const oq::MarkerTime time(file);
        oq::LaidMarkers read;
        try {
            read = oq::LabelFile::Parse(text, "fuzz.txt", time);
        } catch (const oq::FormatError&) {
            continue;
        }
        Check(read.Markers.size() >= 2);
        for (const oq::MarkerPlace& marker : read.Markers)
            Check(marker.Position >= 0 && marker.Position <= time.BlockCount() && marker.Sample &&
                  *marker.Sample >= 0 && *marker.Sample <= time.TotalSamples() &&
                  marker.Position == time.PositionAtSample(*marker.Sample));

        const std::string written = oq::LabelFile::Format(read.Markers, time);
        const oq::LaidMarkers again = oq::LabelFile::Parse(written, "again.txt", time);
        Check(again.Markers.size() == read.Markers.size() && again.Notes.empty());
        for (std::size_t k = 0; k < read.Markers.size(); ++k)
            Check(again.Markers[k].Sample == read.Markers[k].Sample);
    }
    return 0;
}
