#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace oq::bench {

// Benchmark material: long recordings whose content changes every few
// seconds (chords, sweeps, filtered noise, percussive bursts, short pauses),
// so that the encoder's packets and pages vary in size as in real music and
// speech, unlike a steady tone whose packets all look alike.
struct VariedAudioSpec {
    int Channels = 2;
    long Rate = 44100;
    double Seconds = 60.0;
    float Quality = 0.3f; // the encoder's VBR quality, -0.1 .. 1
    std::uint32_t Seed = 1;
};

// Told the share of the audio encoded so far, 0 .. 1.
using EncodeProgress = std::function<void(double done)>;

// Encodes the recording straight into an Ogg Vorbis file, page by page, so
// memory stays small however long it is. The file appears under `path` only
// when complete (it is written under a temporary name first).
void EncodeVariedAudio(const VariedAudioSpec& spec, const std::string& path, const EncodeProgress& progress = {});

// The same recording encoded into an Ogg Opus file by libopusenc at
// `bitrate` bit/s (`spec.Quality` is not used; Opus takes 48 kHz input best,
// other rates are resampled by the encoder). Written under a temporary name
// first, like the Vorbis file.
void EncodeVariedOpus(const VariedAudioSpec& spec, int bitrate, const std::string& path, const EncodeProgress& progress = {});

} // namespace oq::bench
