#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Generates the Ogg Vorbis material of the tests and benchmarks with the
// reference encoder, and lays its packets into pages with deliberate shapes
// (forced page ends, packets spanning pages, skewed or offset granule
// positions, no end-of-stream page), so that no binary file is stored.
namespace oq::test {

using Bytes = std::vector<unsigned char>;

enum class Signal {
    Tone,    // a sine per channel, slowly changing loudness
    Noise,   // deterministic white noise
    Silence, // digital zero
    Mixed,   // stretches of tone, noise and silence in turn
    Clipped, // a full-scale square wave: the decoded waves overshoot and clip
    Shaped,  // whatever AudioSpec::shape gives
};

// A signal written by the test: the sample (full scale +-1) at `seconds` on
// `channel`, given the next value of the deterministic noise in [-1, 1) and
// the slowly changing tone that Signal::Tone plays.
using SignalShape = std::function<float(double seconds, int channel, float noise, float tone)>;

struct AudioSpec {
    int channels = 2;
    long rate = 44100;
    double seconds = 3.0;
    Signal signal = Signal::Tone;
    float quality = 0.1f; // the encoder's VBR quality, -0.1 .. 1
    std::uint32_t seed = 1;
    SignalShape shape = {}; // for Signal::Shaped
    std::string title = "test audio"; // the TITLE comment
};

struct PageLayout {
    std::uint32_t serial = 0x5157;
    int flushEveryPackets = 0;     // > 0: end a page after every n audio packets
    int fillBytes = 0;             // > 0: target page body size for libogg's pager
    int maxSegments = 0;           // > 0: pages of at most this many lacing values, cut by hand, so
                                   // that large packets span pages and pages without granule occur
    bool endOfStream = true;       // false: no page carries the end-of-stream flag
    std::int64_t granuleOffset = 0; // added to every audio page's granule position
    int skewEveryPages = 0;        // > 0: every n-th audio page between the first and last is skewed
    std::int64_t skewSamples = 0;  // by this many samples, alternately later and earlier
};

struct EncodedPacket {
    Bytes data;
    std::int64_t granule = 0;
    bool endOfStream = false;
};

// The three header packets followed by the audio packets, as the encoder made them.
std::vector<EncodedPacket> EncodePackets(const AudioSpec& spec);
// Ogg pages holding the packets in the given layout.
Bytes LayPages(const std::vector<EncodedPacket>& packets, const PageLayout& layout = {});
// Both in one.
Bytes MakeOggVorbis(const AudioSpec& spec, const PageLayout& layout = {});

void WriteBytes(const std::string& path, const Bytes& bytes);
Bytes ReadBytes(const std::string& path);
// 16-bit samples as the little-endian bytes a WAV file holds.
Bytes AsBytes(const std::vector<std::int16_t>& samples);

// Every sample the reference decoder gives for the file, read front to back
// (all links, channels interleaved). Raises std::runtime_error when the file
// does not open.
std::vector<std::int16_t> DecodeSamples(const std::string& path);

// The signal to noise ratio of `got` against `want` over `count` values, in
// dB; infinite where they are equal.
double Snr(const std::int16_t* want, const std::int16_t* got, std::size_t count);

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& Root() const noexcept { return root_; }
    std::string Path(const std::string& name) const { return root_ + "/" + name; }

private:
    std::string root_;
};

} // namespace oq::test
