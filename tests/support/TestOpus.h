#pragma once

#include "tests/support/TestAudio.h"

#include <cstdint>
#include <string>
#include <vector>

// Generates Ogg Opus material for the tests with the reference encoder
// library, so that no binary file is stored.
namespace oq::test {

enum class OpusSignal {
    Music,  // two sines per channel under a slow swell
    Speech, // bursts of a buzzing tone with noise, parted by silence
    Clipped, // the music driven past full scale: decoded, it overshoots and is soft-clipped
};

struct OpusSpec {
    int channels = 2;    // 1 and 2 use mapping family 0, more family 1
    double seconds = 2.0;
    int bitrate = 64000; // bit/s
    double frameMs = 20; // 2.5, 5, 10, 20, 40 or 60
    OpusSignal signal = OpusSignal::Music;
    std::uint32_t serial = 0x4f505553;
    std::vector<double> pitches = {}; // Hz of each channel's tones; empty: 180 + 70 per channel
};

// A whole Ogg Opus file; its decoded length is the input's, seconds x 48 kHz.
Bytes MakeOggOpus(const OpusSpec& spec);
// The samples of the file's input: the decoded file is as long.
std::int64_t OpusInputFrames(const OpusSpec& spec);

// Every audio page's granule position (after the two header pages) moved on
// by `offset`: a stream that starts after 0, which decodes to the same
// samples.
Bytes WithStartGranule(Bytes file, std::int64_t offset);

// Every sample the Opus file library gives for the file, without dither
// (all links, channels interleaved). Raises std::runtime_error when the file
// does not open.
std::vector<std::int16_t> DecodeOpusSamples(const std::string& path);

} // namespace oq::test
