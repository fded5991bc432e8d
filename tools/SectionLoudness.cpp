#include "tools/SectionLoudness.h"

#include "base/BufferHandOff.h"
#include "base/Error.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "media/CodecChoice.h"
#include "tools/LoudnessMeter.h"

#include <algorithm>
#include <span>

namespace oq {

namespace {

constexpr char kMeasuringText[] = "Measuring Loudness...";
constexpr std::size_t kChunkBytes = 64 * 1024;
// Chunks decoded ahead of the meters: enough to ride over the uneven pace
// of either side (a long packet, a gating block) while the two run side by
// side, on 4 x 64 KiB allocated once.
constexpr std::size_t kQueuedChunks = 4;

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

    // The meters run on a worker thread beside the decoder and take the
    // chunks in decoding order, so they see the very samples a one-thread
    // pass would give them. Only the worker touches the meters and the
    // section position until Finish() has joined it.
    std::int64_t meteredFrame = 0; // of the source, per channel
    std::size_t section = 0;
    BufferHandOff handOff(kChunkBytes, kQueuedChunks, [&](std::span<const char> chunk) {
        std::size_t frames = chunk.size() / sizeof(std::int16_t) / channels;
        const auto* at = reinterpret_cast<const std::int16_t*>(chunk.data());
        while (frames > 0) {
            // Frames up to the current section's end; the last one takes the rest.
            const std::int64_t room =
                section < cutPoints.size() ? cutPoints[section] - meteredFrame : static_cast<std::int64_t>(frames);
            const auto take = static_cast<std::size_t>(std::clamp<std::int64_t>(room, 0, static_cast<std::int64_t>(frames)));
            meters[section].Add(at, take);
            at += take * channels;
            frames -= take;
            meteredFrame += static_cast<std::int64_t>(take);
            if (frames > 0)
                ++section;
        }
    });

    observer.CurrentFile(sourceName);
    observer.ProcessText(kMeasuringText);
    const std::int64_t total = std::max<std::int64_t>(decoder->Frames(-1), 1);
    const std::int64_t frameBytes = static_cast<std::int64_t>(channels * sizeof(std::int16_t));
    std::int64_t decodedFrame = 0; // progress follows the decoder, a few chunks ahead of the meters
    for (bool ended = false; !ended;) {
        if (control.CheckPoint())
            return std::nullopt;
        // Buffers are handed over full: a read gives about one packet's
        // samples (a few KiB), and a hand-off each would wake the meters'
        // thread per packet. The meters' figures do not depend on how the
        // frames are split between calls. A read needs room for one frame.
        const std::span<char> chunk = handOff.Free();
        std::size_t filled = 0;
        while (!ended && chunk.size() - filled >= static_cast<std::size_t>(frameBytes)) {
            const long got = decoder->ReadPcm16(chunk.data() + filled, static_cast<int>(chunk.size() - filled));
            if (got == 0)
                ended = true;
            else if (got > 0) // a gap (< 0): the cut reproduces what the decoder gives after it
                filled += static_cast<std::size_t>(got);
        }
        if (filled > 0)
            handOff.Pass(filled);
        decodedFrame += static_cast<std::int64_t>(filled) / frameBytes;
        observer.Progress(std::min(decodedFrame, total), total);
    }
    handOff.Finish();

    SplitLoudness loudness;
    for (const LoudnessMeter& meter : meters) {
        loudness.Sections.push_back({meter.Loudness(), meter.Peak()});
        loudness.Album.Peak = std::max(loudness.Album.Peak, meter.Peak());
    }
    loudness.Album.Lufs = LoudnessMeter::Loudness(meters);
    return loudness;
}

} // namespace oq
