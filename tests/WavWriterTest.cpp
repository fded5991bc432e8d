#include "tools/WavWriter.h"
#include "base/Error.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"
#include "tests/support/TestName.h"

#include <gtest/gtest.h>
#include <optional>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <regex>
#include <thread>

namespace oq::test {
namespace {

std::uint32_t NumberAt(const Bytes& bytes, std::size_t offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytes[offset + static_cast<std::size_t>(i)];
    return value;
}

// The header's fixed fields, its format (channels, rate, byte rate, frame
// size) and its two sizes agreeing with the file's length; returns the data.
// The canonical 44-byte header of one or two channels.
Bytes CheckedData(const Bytes& wav, std::uint32_t channels, std::uint32_t rate)
{
    EXPECT_GE(wav.size(), 44u);
    const std::string tags(wav.begin(), wav.begin() + 44);
    EXPECT_EQ(tags.substr(0, 4) + tags.substr(8, 8) + tags.substr(36, 4), "RIFFWAVEfmt data");
    EXPECT_EQ(NumberAt(wav, 4, 4), wav.size() - 8);
    EXPECT_EQ(NumberAt(wav, 40, 4), wav.size() - 44);
    const std::uint32_t format[] = {NumberAt(wav, 16, 4), NumberAt(wav, 20, 2), NumberAt(wav, 22, 2), NumberAt(wav, 24, 4),
                                    NumberAt(wav, 28, 4), NumberAt(wav, 32, 2), NumberAt(wav, 34, 2)};
    EXPECT_EQ(std::vector<std::uint32_t>(std::begin(format), std::end(format)),
              (std::vector<std::uint32_t>{16, 1, channels, rate, channels * rate * 2, channels * 2, 16}));
    return Bytes(wav.begin() + 44, wav.end());
}

std::uint64_t Number64At(const Bytes& bytes, std::size_t offset)
{
    return NumberAt(bytes, offset, 4) | std::uint64_t{NumberAt(bytes, offset + 4, 4)} << 32;
}

// What a reader of the file finds by walking its chunks: RIFF, or RF64 with
// the 64-bit sizes in a leading ds64 chunk, every size checked against the
// file's length.
struct WavRead {
    std::string form;                // "RIFF" or "RF64"
    std::vector<std::string> chunks; // their tags in order
    std::uint32_t formatTag = 0, channels = 0, rate = 0, blockAlign = 0, bits = 0;
    std::uint32_t validBits = 0, mask = 0; // WAVE_FORMAT_EXTENSIBLE's
    bool pcmSubFormat = false;
    Bytes data;
};

WavRead ReadWav(const Bytes& wav)
{
    WavRead read;
    EXPECT_GE(wav.size(), 12u);
    read.form.assign(wav.begin(), wav.begin() + 4);
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 12), "WAVE");
    std::uint64_t riffSize = NumberAt(wav, 4, 4);
    std::uint64_t dataSize = 0;
    std::optional<std::uint64_t> frames; // ds64's sample count
    for (std::size_t at = 12; at + 8 <= wav.size();) {
        const std::string tag(wav.begin() + static_cast<std::ptrdiff_t>(at), wav.begin() + static_cast<std::ptrdiff_t>(at) + 4);
        std::uint64_t size = NumberAt(wav, at + 4, 4);
        read.chunks.push_back(tag);
        const std::size_t body = at + 8;
        if (tag == "ds64") {
            EXPECT_EQ(read.form, "RF64");
            EXPECT_EQ(riffSize, 0xFFFFFFFFu);
            riffSize = Number64At(wav, body);
            dataSize = Number64At(wav, body + 8);
            frames = Number64At(wav, body + 16);
        } else if (tag == "fmt ") {
            read.formatTag = NumberAt(wav, body, 2);
            read.channels = NumberAt(wav, body + 2, 2);
            read.rate = NumberAt(wav, body + 4, 4);
            EXPECT_EQ(NumberAt(wav, body + 8, 4), read.rate * NumberAt(wav, body + 12, 2));
            read.blockAlign = NumberAt(wav, body + 12, 2);
            read.bits = NumberAt(wav, body + 14, 2);
            if (read.formatTag == 0xFFFE) {
                EXPECT_EQ(size, 40u);
                EXPECT_EQ(NumberAt(wav, body + 16, 2), 22u);
                read.validBits = NumberAt(wav, body + 18, 2);
                read.mask = NumberAt(wav, body + 20, 4);
                const unsigned char pcm[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
                read.pcmSubFormat = std::memcmp(&wav[body + 24], pcm, sizeof pcm) == 0;
            }
        } else if (tag == "data") {
            if (read.form == "RF64") {
                EXPECT_EQ(size, 0xFFFFFFFFu);
                size = dataSize;
            }
            EXPECT_EQ(body + size, wav.size()) << "the data is the file's last chunk";
            read.data.assign(wav.begin() + static_cast<std::ptrdiff_t>(body),
                             wav.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(body + size, wav.size())));
        }
        at = body + static_cast<std::size_t>(size);
    }
    EXPECT_EQ(riffSize, wav.size() - 8);
    if (frames) {
        EXPECT_EQ(*frames, read.data.size() / std::max(read.blockAlign, 1u));
    }
    return read;
}

Bytes DecodedBytes(const std::string& path)
{
    const auto samples = DecodeSamples(path);
    Bytes bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size()); // the test host is little-endian, like WAV
    return bytes;
}

// Which decoded channel each WAV channel carries, from the decoders' order
// (front left, centre, front right, rear left, rear right, LFE) to WAV's
// (front left, front right, centre, LFE, back left, back right).
const std::map<std::uint32_t, std::vector<int>> kWavFromDecoded = {{3, {0, 2, 1}}, {6, {0, 2, 1, 5, 3, 4}}};

Bytes InWavOrder(const Bytes& decoded, std::uint32_t channels)
{
    const std::vector<int>& order = kWavFromDecoded.at(channels);
    Bytes wav(decoded.size());
    for (std::size_t frame = 0; frame < decoded.size(); frame += channels * 2)
        for (std::size_t k = 0; k < channels; ++k)
            std::memcpy(&wav[frame + 2 * k], &decoded[frame + 2 * static_cast<std::size_t>(order[k])], 2);
    return wav;
}

class Recorder : public JobObserver {
public:
    void ProcessText(const std::string& text) override
    {
        std::lock_guard lock(mutex_);
        texts_.push_back(text);
        if (onText)
            onText();
    }
    std::vector<std::string> Texts()
    {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    std::function<void()> onText;

private:
    std::mutex mutex_;
    std::vector<std::string> texts_;
};

class WavWriter : public ::testing::Test {
protected:
    std::string Source(const Bytes& ogg)
    {
        const std::string path = dir_.Path("in" + std::to_string(++sources_) + ".ogg");
        WriteBytes(path, ogg);
        return path;
    }
    // Two links of one format and of different lengths (a WAV file holds
    // one format), or with `mixed` of two formats. Each spans several
    // pages: the decoder library passes over a leading link whose audio
    // fits one page.
    std::string ChainedSource(bool mixed = false)
    {
        Bytes chained = MakeOggVorbis({.seconds = 0.6}, {.serial = 11, .flushEveryPackets = 4});
        const Bytes second = MakeOggVorbis({.channels = mixed ? 1 : 2, .rate = mixed ? 22050 : 44100, .seconds = 0.9},
                                           {.serial = 12, .flushEveryPackets = 4});
        chained.insert(chained.end(), second.begin(), second.end());
        const std::string path = Source(chained);
        EXPECT_EQ(DecodeSamples(path).size(), 26460u * 2 + (mixed ? 19845u : 39690u * 2));
        return path;
    }

    TempDir dir_;
    int sources_ = 0;
    JobControl control_;
    Recorder recorder_;
    const std::string output_ = dir_.Path("out.wav");
};

struct WavSourceCase {
    const char* label;
    std::optional<AudioSpec> spec; // none: the chained source
    std::uint32_t channels, rate;
};

void PrintTo(const WavSourceCase& c, std::ostream* out) { *out << c.label; }

const WavSourceCase kWavSources[] = {
    {"stereo at 44100 Hz", AudioSpec{.seconds = 1.0}, 2, 44100},
    {"chained links of one format", std::nullopt, 2, 44100},
    {"mono at 22050 Hz", AudioSpec{.channels = 1, .rate = 22050, .seconds = 1.3, .signal = Signal::Mixed}, 1, 22050},
};

class WavWriterSource : public WavWriter, public ::testing::WithParamInterface<WavSourceCase> {};

TEST_P(WavWriterSource, HeaderDescribesTheFirstLinkAndTheDataIsEveryDecodedSample)
{
    const WavSourceCase& c = GetParam();
    const std::string source = c.spec ? Source(MakeOggVorbis(*c.spec)) : ChainedSource();
    WriteBytes(output_, Bytes(3'000'000, 0x77)); // an existing output is replaced
    ASSERT_EQ(ConvertToWav(source, output_, control_, recorder_), WavOutcome::Written);
    EXPECT_EQ(CheckedData(ReadBytes(output_), c.channels, c.rate), DecodedBytes(source));
}

INSTANTIATE_TEST_SUITE_P(WavWriter, WavWriterSource, ::testing::ValuesIn(kWavSources),
                         [](const auto& info) { return TestName(info.param.label); });

TEST_F(WavWriter, ASecondOfStereoAt44100HzIsItsByteRate)
{
    ConvertToWav(Source(MakeOggVorbis({.seconds = 1.0})), output_, control_, recorder_);
    EXPECT_EQ(ReadBytes(output_).size(), 44u + 176400u); // frames of 4 bytes
}

TEST_F(WavWriter, StatusFollowsTheCompressedBytesUpToOneHundredPercent)
{
    ConvertToWav(Source(MakeOggVorbis({.seconds = 3.0, .signal = Signal::Noise})), output_, control_, recorder_);
    const auto texts = recorder_.Texts();
    ASSERT_FALSE(texts.empty());
    int previous = -1;
    for (const std::string& text : texts) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, std::regex(R"(Creating WAV File \((\d+)%\)\.\.\.)"))) << text;
        EXPECT_GT(std::stoi(match[1]), previous) << "a repeated or falling percentage";
        previous = std::stoi(match[1]);
    }
    EXPECT_EQ(previous, 100);
}

TEST_F(WavWriter, PauseFromAnotherThreadHoldsTheWorkAndCancelLeavesAValidShorterFile)
{
    const std::string source = Source(MakeOggVorbis({.seconds = 2.0}));
    const Bytes all = DecodedBytes(source);
    for (const bool resume : {true, false}) {
        control_.Reset();
        control_.SetPaused(true);
        Recorder recorder;
        WavOutcome outcome{};
        std::thread worker([&] { outcome = ConvertToWav(source, output_, control_, recorder); });
        while (recorder.Texts().empty())
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_EQ(recorder.Texts().size(), 1u) << "the conversion went on while paused";
        resume ? control_.SetPaused(false) : control_.RequestCancel();
        worker.join();
        const Bytes data = CheckedData(ReadBytes(output_), 2, 44100);
        EXPECT_EQ(outcome, resume ? WavOutcome::Written : WavOutcome::Cancelled);
        if (resume)
            EXPECT_EQ(data, all);
        else
            EXPECT_TRUE(!data.empty() && data.size() <= 8192 && std::equal(data.begin(), data.end(), all.begin()))
                << "one read, then the cancel";
    }
}

TEST_F(WavWriter, PartsWrittenInPlaceGiveTheOnePassBytes)
{
    const std::string sources[] = {
        Source(MakeOggVorbis({.seconds = 2.5, .signal = Signal::Mixed}, {.flushEveryPackets = 3})),
        Source(MakeOggVorbis({.channels = 6, .rate = 8000, .seconds = 1.5, .signal = Signal::Noise}, {.maxSegments = 6})),
    };
    for (const std::string& source : sources) {
        const auto size = static_cast<std::int64_t>(std::filesystem::file_size(source));
        std::vector<std::int64_t> everyOffset(static_cast<std::size_t>(size));
        std::iota(everyOffset.begin(), everyOffset.end(), 1);
        const Bytes expected = DecodedBytes(source);
        const bool stereo = source == sources[0];
        for (const PartLayout& layout :
             {PartLayout{.Threads = 2, .Targets = everyOffset, .OnePassOnMismatch = false},
              PartLayout{.Threads = 2, .Targets = std::vector<std::int64_t>{size / 2}, .OnePassOnMismatch = false}}) {
            ASSERT_EQ(ConvertToWav(source, output_, control_, recorder_, kMostRiffSize, layout), WavOutcome::Written);
            const Bytes data = stereo ? CheckedData(ReadBytes(output_), 2, 44100) : ReadWav(ReadBytes(output_)).data;
            EXPECT_EQ(data, stereo ? expected : InWavOrder(expected, 6));
        }
    }
}

TEST_F(WavWriter, CancelWhileInPartsCutsTheFileBackToItsCompleteFront)
{
    const Bytes ogg = MakeOggVorbis({.seconds = 3.0}, {.flushEveryPackets = 3});
    const std::string source = Source(ogg);
    std::vector<std::int64_t> everyOffset(ogg.size());
    std::iota(everyOffset.begin(), everyOffset.end(), 1);
    control_.SetPaused(true); // every thread stops after its first packet
    recorder_.onText = [&] { control_.RequestCancel(); };
    EXPECT_EQ(ConvertToWav(source, output_, control_, recorder_, kMostRiffSize, {.Threads = 2, .Targets = everyOffset, .OnePassOnMismatch = false}),
              WavOutcome::Cancelled);
    const Bytes data = CheckedData(ReadBytes(output_), 2, 44100);
    const Bytes all = DecodedBytes(source);
    EXPECT_LT(data.size(), all.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), all.begin())) << "the file holds more than its front";
}

// A range of frames is those bytes of the one-pass decoding, whether it is
// decoded in parts from starts in and before it (Vorbis, and Opus over its
// pre-roll) or, for a chain, in one pass; a range inside one link of a
// chain of two formats has that link's format, one across both is refused.
TEST_F(WavWriter, ARangeIsThoseFramesOfTheOnePassDecoding)
{
    const auto slice = [](const Bytes& bytes, std::int64_t from, std::int64_t to) {
        return Bytes(bytes.begin() + from, bytes.begin() + to);
    };
    const std::string vorbis = Source(MakeOggVorbis({.seconds = 2.5, .signal = Signal::Mixed}, {.flushEveryPackets = 3}));
    const std::string opus = dir_.Path("in.opus");
    WriteBytes(opus, MakeOggOpus({.seconds = 3}));
    for (const std::string& source : {vorbis, opus}) {
        const auto size = static_cast<std::int64_t>(std::filesystem::file_size(source));
        std::vector<std::int64_t> everyOffset(static_cast<std::size_t>(size));
        std::iota(everyOffset.begin(), everyOffset.end(), 1);
        const bool isOpus = source == opus;
        const Bytes all = isOpus ? AsBytes(DecodeOpusSamples(source)) : DecodedBytes(source);
        for (const PartLayout& layout : {PartLayout{.Threads = 2, .Targets = everyOffset, .OnePassOnMismatch = false},
                                         PartLayout{.Targets = std::nullopt, .OnePassOnMismatch = false}}) {
            ASSERT_EQ(ConvertRangeToWav(source, 20000, 90000, output_, control_, recorder_, kMostRiffSize, layout),
                      WavOutcome::Written);
            EXPECT_EQ(CheckedData(ReadBytes(output_), 2, isOpus ? 48000 : 44100), slice(all, 20000 * 4, 90000 * 4))
                << source;
        }
    }

    // Links of 26,460 stereo frames and of 19,845 mono ones.
    const std::string chain = ChainedSource(true);
    const Bytes all = DecodedBytes(chain);
    ASSERT_EQ(ConvertRangeToWav(chain, 30000, 40000, output_, control_, recorder_), WavOutcome::Written);
    EXPECT_EQ(CheckedData(ReadBytes(output_), 1, 22050), slice(all, 26460 * 4 + 3540 * 2, 26460 * 4 + 13540 * 2));
    EXPECT_THROW(ConvertRangeToWav(chain, 20000, 30000, output_, control_, recorder_), FormatError);
}

TEST_F(WavWriter, SourcesThatCannotBeConverted)
{
    EXPECT_THROW(ConvertToWav(Source(Bytes(4000, 'q')), output_, control_, recorder_), NotOggAudioError);
    EXPECT_THROW(ConvertToWav(dir_.Path("missing.ogg"), output_, control_, recorder_), IoError);
    EXPECT_FALSE(std::filesystem::exists(output_));
    EXPECT_THROW(ConvertToWav(Source(MakeOggVorbis({.seconds = 1.0})), "/dev/full", control_, recorder_), IoError);
    // Links of two formats, which one header cannot describe: refused
    // before the output is made.
    EXPECT_THROW(ConvertToWav(ChainedSource(true), output_, control_, recorder_), FormatError);
    EXPECT_FALSE(std::filesystem::exists(output_));
}

// A tone per decoded channel, in Hz; the sixth is the LFE, which both
// encoders low-pass.
const std::vector<double> kTones = {440, 550, 660, 770, 880, 70};

// The power of one frequency in a channel of the WAV data (one bin of a DFT).
double PowerAt(const Bytes& data, std::uint32_t channels, std::uint32_t channel, double hz, std::uint32_t rate)
{
    double re = 0, im = 0;
    const std::size_t frames = data.size() / (2 * channels);
    for (std::size_t n = 0; n < frames; ++n) {
        std::int16_t sample = 0;
        std::memcpy(&sample, &data[2 * (n * channels + channel)], 2);
        const double phase = 2 * std::numbers::pi * hz * static_cast<double>(n) / rate;
        re += sample * std::cos(phase);
        im += sample * std::sin(phase);
    }
    return re * re + im * im;
}

struct LayoutCase {
    const char* label;
    bool opus;
    int channels;
    std::uint32_t mask; // SPEAKER_* bits
};

class WavWriterLayout : public WavWriter, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(WavWriterLayout, EachChannelsToneIsOnItsLoudspeakerAndTheMaskSaysWhich)
{
    const LayoutCase& c = GetParam();
    const std::vector<double> tones(kTones.begin(), kTones.begin() + c.channels);
    const auto tone = [&](double seconds, int channel, float, float) {
        return static_cast<float>(0.4 * std::sin(2 * std::numbers::pi * tones.at(static_cast<std::size_t>(channel)) * seconds));
    };
    const auto make = [&](std::uint32_t serial) {
        return c.opus ? MakeOggOpus({.channels = c.channels, .seconds = 1.0, .bitrate = 256000, .serial = serial, .pitches = tones})
                      : MakeOggVorbis({.channels = c.channels, .seconds = 1.0, .signal = Signal::Shaped, .quality = 0.4f, .shape = tone},
                                      {.serial = serial, .flushEveryPackets = 4});
    };
    // A plain file is converted in parts, a chain of two in one pass.
    Bytes chain = make(1);
    const Bytes second = make(2);
    chain.insert(chain.end(), second.begin(), second.end());
    for (const std::string& source : {Source(make(1)), Source(chain)}) {
        ASSERT_EQ(ConvertToWav(source, output_, control_, recorder_), WavOutcome::Written);
        const WavRead wav = ReadWav(ReadBytes(output_));
        EXPECT_EQ(wav.form, "RIFF");
        EXPECT_EQ(wav.chunks, (std::vector<std::string>{"fmt ", "data"}));
        EXPECT_EQ(wav.formatTag, 0xFFFEu) << "WAVE_FORMAT_EXTENSIBLE";
        EXPECT_TRUE(wav.pcmSubFormat);
        EXPECT_EQ(wav.channels, static_cast<std::uint32_t>(c.channels));
        EXPECT_EQ(wav.bits, 16u);
        EXPECT_EQ(wav.validBits, 16u);
        EXPECT_EQ(wav.mask, c.mask);
        const auto& order = kWavFromDecoded.at(wav.channels);
        for (std::uint32_t k = 0; k < wav.channels; ++k) {
            std::vector<double> powers;
            for (int input = 0; input < c.channels; ++input)
                powers.push_back(PowerAt(wav.data, wav.channels, k, tones[static_cast<std::size_t>(input)], wav.rate));
            const auto loudest = std::max_element(powers.begin(), powers.end());
            EXPECT_EQ(loudest - powers.begin(), order[k]) << "WAV channel " << k << " of " << source;
            std::sort(powers.begin(), powers.end());
            EXPECT_GT(powers.back(), 100 * powers[powers.size() - 2]) << "WAV channel " << k << " of " << source << " carries two tones";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(WavWriter, WavWriterLayout,
                         ::testing::Values(LayoutCase{"Vorbis 3.0", false, 3, 0x7}, LayoutCase{"Vorbis 5.1", false, 6, 0x3F},
                                           LayoutCase{"Opus 3.0", true, 3, 0x7}, LayoutCase{"Opus 5.1", true, 6, 0x3F}),
                         [](const auto& info) { return TestName(info.param.label); });

// The 32-bit size limit lowered around the file's exact size: at the limit
// the header is the plain one, one byte past it the file becomes RF64, with
// the same data. A chain is converted in one pass, a plain file in parts.
TEST_F(WavWriter, PastTheRiffLimitTheFileBecomesRf64)
{
    const std::string chained = ChainedSource();
    const Bytes decoded = DecodedBytes(chained);
    const std::uint64_t exact = 44 + decoded.size() - 8;
    ASSERT_EQ(ConvertToWav(chained, output_, control_, recorder_, exact), WavOutcome::Written);
    EXPECT_EQ(CheckedData(ReadBytes(output_), 2, 44100), decoded);

    ASSERT_EQ(ConvertToWav(chained, output_, control_, recorder_, exact - 1), WavOutcome::Written);
    WavRead wav = ReadWav(ReadBytes(output_));
    EXPECT_EQ(wav.form, "RF64");
    EXPECT_EQ(wav.chunks, (std::vector<std::string>{"ds64", "fmt ", "data"}));
    EXPECT_EQ(wav.formatTag, 1u);
    EXPECT_EQ(wav.data, decoded);

    const std::string surround = Source(MakeOggVorbis({.channels = 6, .rate = 8000, .seconds = 1.5, .signal = Signal::Noise}));
    ASSERT_EQ(ConvertToWav(surround, output_, control_, recorder_, 1000), WavOutcome::Written);
    wav = ReadWav(ReadBytes(output_));
    EXPECT_EQ(wav.form, "RF64");
    EXPECT_EQ(wav.chunks, (std::vector<std::string>{"ds64", "fmt ", "data"}));
    EXPECT_EQ(wav.mask, 0x3Fu);
    EXPECT_EQ(wav.data, InWavOrder(DecodedBytes(surround), 6));
}

} // namespace
} // namespace oq::test
