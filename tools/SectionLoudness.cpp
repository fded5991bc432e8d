#include "tools/SectionLoudness.h"

#include "base/Error.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "media/CodecChoice.h"
#include "tools/LoudnessMeter.h"

#include <algorithm>

namespace oq {

namespace {

constexpr char kMeasuringText[] = "Measuring Loudness...";
constexpr int kChunkBytes = 64 * 1024;

} // namespace

std::optional<SplitLoudness> MeasureSections(const std::string& sourceName, const std::vector<std::int64_t>& cutPoints,
                                             const JobControl& control, JobObserver& observer)
{
    auto decoder = OpenFileDecoder(sourceName);
    const auto format = decoder->Format(0);
    if (!format || format->Channels <= 0)
        throw FormatError(sourceName, "has no audio format to measure");
    const auto channels = static_cast<std::size_t>(format->Channels);
    std::vector<LoudnessMeter> meters;
    for (std::size_t k = 0; k <= cutPoints.size(); ++k)
        meters.emplace_back(format->Channels, format->Rate);

    observer.CurrentFile(sourceName);
    observer.ProcessText(kMeasuringText);
    const std::int64_t total = std::max<std::int64_t>(decoder->Frames(-1), 1);
    std::vector<std::int16_t> buffer(kChunkBytes / sizeof(std::int16_t));
    std::int64_t frame = 0;   // of the source, per channel
    std::size_t section = 0;
    for (;;) {
        if (control.CheckPoint())
            return std::nullopt;
        const long got = decoder->ReadPcm16(reinterpret_cast<char*>(buffer.data()), kChunkBytes);
        if (got == 0)
            break;
        if (got < 0)
            continue; // a gap: the cut reproduces what the decoder gives after it
        std::size_t frames = static_cast<std::size_t>(got) / sizeof(std::int16_t) / channels;
        const std::int16_t* at = buffer.data();
        while (frames > 0) {
            // Frames up to the current section's end; the last one takes the rest.
            const std::int64_t room =
                section < cutPoints.size() ? cutPoints[section] - frame : static_cast<std::int64_t>(frames);
            const auto take = static_cast<std::size_t>(std::clamp<std::int64_t>(room, 0, static_cast<std::int64_t>(frames)));
            meters[section].Add(at, take);
            at += take * channels;
            frames -= take;
            frame += static_cast<std::int64_t>(take);
            if (frames > 0)
                ++section;
        }
        observer.Progress(std::min(frame, total), total);
    }

    SplitLoudness loudness;
    for (const LoudnessMeter& meter : meters) {
        loudness.Sections.push_back({meter.Loudness(), meter.Peak()});
        loudness.Album.Peak = std::max(loudness.Album.Peak, meter.Peak());
    }
    loudness.Album.Lufs = LoudnessMeter::Loudness(meters);
    return loudness;
}

} // namespace oq
