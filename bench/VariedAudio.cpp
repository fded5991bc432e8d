#include "bench/VariedAudio.h"

#include "base/File.h"
#include "ogg/OggStreamState.h"
#include "base/TempFile.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <stdexcept>
#include <vector>
#include <memory>
#include <opusenc.h>
#include <vorbis/vorbisenc.h>

namespace oq::bench {

namespace {

constexpr long kFramesPerCall = 1024;  // frames handed to the encoder at a time
constexpr int kSineTableSize = 4096;   // one period; linear interpolation between entries
constexpr int kMostPartials = 4;
constexpr std::uint32_t kSerialBase = 0x4F510000; // the seed is added, so two files differ

// Deterministic pseudo-random numbers (xorshift32), the same on every machine.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u | 1u) {}
    std::uint32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    double Uniform(double low, double high) { return low + (high - low) * (Next() / 4294967296.0); }
    // Spread evenly on a logarithmic scale, as pitches and loudness are heard.
    double LogUniform(double low, double high) { return low * std::pow(high / low, Uniform(0.0, 1.0)); }
    float Bipolar() { return static_cast<float>(Uniform(-1.0, 1.0)); }

private:
    std::uint32_t state_;
};

class SineTable {
public:
    SineTable()
    {
        for (int i = 0; i <= kSineTableSize; ++i)
            values_[i] = static_cast<float>(std::sin(2 * std::numbers::pi * i / kSineTableSize));
    }
    // `phase` in periods, 0 <= phase < 1.
    float At(double phase) const
    {
        const double position = phase * kSineTableSize;
        const int index = static_cast<int>(position);
        const float weight = static_cast<float>(position - index);
        return values_[index] + weight * (values_[index + 1] - values_[index]);
    }

private:
    std::array<float, kSineTableSize + 1> values_{};
};

enum class SceneKind { Chord, Sweep, Noise, Bursts, Pause };

// One stretch of the recording with its own content, from a few tenths of
// a second to several seconds long.
struct Scene {
    SceneKind Kind = SceneKind::Pause;
    long Frames = 0;
    float Level = 0;
    int Partials = 1;
    std::array<double, kMostPartials> Step{}; // phase increment per frame, in periods
    double Glide = 1.0;                       // factor applied to every step each frame (sweeps)
    double TremoloStep = 0;
    float Lowpass = 1.0f;                     // one-pole filter coefficient for noise, 0 .. 1
    double BurstChance = 0;                   // chance per frame that a burst starts
    float BurstDecay = 0;                     // envelope factor per frame
};

class VariedSignal {
public:
    VariedSignal(int channels, long rate, std::uint32_t seed)
        : channels_(channels), rate_(rate), random_(seed), phases_(channels), filtered_(channels, 0.0f)
    {
    }

    void Fill(float** out, long frames)
    {
        for (long i = 0; i < frames; ++i) {
            if (left_ == 0)
                StartScene();
            --left_;
            Advance();
            for (int c = 0; c < channels_; ++c)
                out[c][i] = SampleOf(c);
        }
    }

private:
    void StartScene()
    {
        Scene scene;
        const double pick = random_.Uniform(0.0, 1.0);
        scene.Kind = pick < 0.35 ? SceneKind::Chord
                   : pick < 0.50 ? SceneKind::Sweep
                   : pick < 0.70 ? SceneKind::Noise
                   : pick < 0.90 ? SceneKind::Bursts
                                 : SceneKind::Pause;
        const double seconds = scene.Kind == SceneKind::Pause ? random_.Uniform(0.2, 1.5) : random_.Uniform(0.5, 8.0);
        scene.Frames = std::max(1L, static_cast<long>(seconds * rate_));
        scene.Level = static_cast<float>(random_.LogUniform(0.05, 0.45));
        scene.Partials = 1 + static_cast<int>(random_.Next() % kMostPartials);
        const double root = random_.LogUniform(60.0, 1200.0);
        static constexpr std::array<double, kMostPartials> kIntervals = {1.0, 1.25, 1.5, 2.0};
        for (int p = 0; p < kMostPartials; ++p)
            scene.Step[p] = root * kIntervals[p] * random_.Uniform(0.995, 1.005) / rate_;
        if (scene.Kind == SceneKind::Sweep)
            scene.Glide = std::pow(random_.LogUniform(0.125, 8.0), 1.0 / scene.Frames);
        scene.TremoloStep = random_.Uniform(0.1, 6.0) / rate_;
        scene.Lowpass = static_cast<float>(random_.LogUniform(0.02, 1.0));
        scene.BurstChance = random_.Uniform(1.0, 12.0) / rate_;
        scene.BurstDecay = static_cast<float>(std::exp(-1.0 / (random_.Uniform(0.01, 0.2) * rate_)));
        scene_ = scene;
        left_ = scene.Frames;
        envelope_ = 0;
    }

    void Advance()
    {
        tremolo_ += scene_.TremoloStep;
        tremolo_ -= std::floor(tremolo_);
        if (scene_.Kind == SceneKind::Sweep)
            for (double& step : scene_.Step)
                step = std::min(step * scene_.Glide, 0.45); // stays below the Nyquist frequency
        if (scene_.Kind == SceneKind::Bursts) {
            envelope_ *= scene_.BurstDecay;
            if (random_.Uniform(0.0, 1.0) < scene_.BurstChance)
                envelope_ = 1.0f;
        }
    }

    float SampleOf(int channel)
    {
        // Channels differ slightly in pitch and loudness, so a multichannel
        // file is not the same signal repeated.
        const double detune = 1.0 + 0.003 * channel;
        const float pan = 0.6f + 0.4f * sine_.At(std::fmod(0.37 * channel + tremolo_ * 0.25, 1.0));
        auto tones = [&](int partials) {
            float sum = 0;
            auto& phases = phases_[channel];
            for (int p = 0; p < partials; ++p) {
                phases[p] += scene_.Step[p] * detune;
                phases[p] -= std::floor(phases[p]);
                sum += sine_.At(phases[p]);
            }
            return sum / static_cast<float>(partials);
        };
        auto noise = [&] {
            filtered_[channel] += scene_.Lowpass * (random_.Bipolar() - filtered_[channel]);
            return filtered_[channel];
        };
        switch (scene_.Kind) {
        case SceneKind::Chord: {
            const float tremolo = 0.7f + 0.3f * sine_.At(tremolo_);
            return scene_.Level * pan * tremolo * tones(scene_.Partials);
        }
        case SceneKind::Sweep: return scene_.Level * pan * tones(1);
        case SceneKind::Noise: return scene_.Level * pan * noise();
        case SceneKind::Bursts: return scene_.Level * envelope_ * (0.7f * noise() + 0.3f * tones(1));
        case SceneKind::Pause: return 0.0f;
        }
        return 0.0f;
    }

    int channels_;
    long rate_;
    Random random_;
    SineTable sine_;
    Scene scene_;
    long left_ = 0;
    double tremolo_ = 0;
    float envelope_ = 0;
    std::vector<std::array<double, kMostPartials>> phases_;
    std::vector<float> filtered_;
};

// The encoder's states, released together.
class VorbisEncoder {
public:
    VorbisEncoder(int channels, long rate, float quality)
    {
        vorbis_info_init(&info_);
        if (vorbis_encode_init_vbr(&info_, channels, rate, quality) != 0) {
            vorbis_info_clear(&info_);
            throw std::runtime_error("the encoder refuses " + std::to_string(channels) + " channels at " +
                                     std::to_string(rate) + " Hz");
        }
        vorbis_comment_init(&comment_);
        vorbis_comment_add_tag(&comment_, "TITLE", "benchmark material");
        vorbis_analysis_init(&dsp_, &info_);
        vorbis_block_init(&dsp_, &block_);
    }
    VorbisEncoder(const VorbisEncoder&) = delete;
    VorbisEncoder& operator=(const VorbisEncoder&) = delete;
    ~VorbisEncoder()
    {
        vorbis_block_clear(&block_);
        vorbis_dsp_clear(&dsp_);
        vorbis_comment_clear(&comment_);
        vorbis_info_clear(&info_);
    }

    vorbis_dsp_state* Dsp() noexcept { return &dsp_; }
    vorbis_block* Block() noexcept { return &block_; }
    vorbis_comment* Comment() noexcept { return &comment_; }

private:
    vorbis_info info_;
    vorbis_comment comment_;
    vorbis_dsp_state dsp_;
    vorbis_block block_;
};

void WritePages(OggStreamState& stream, File& out, bool flush)
{
    ogg_page page;
    while ((flush ? ogg_stream_flush(stream.get(), &page) : ogg_stream_pageout(stream.get(), &page)) != 0) {
        out.Write(page.header, static_cast<std::size_t>(page.header_len));
        out.Write(page.body, static_cast<std::size_t>(page.body_len));
    }
}

} // namespace

void EncodeVariedAudio(const VariedAudioSpec& spec, const std::string& path, const EncodeProgress& progress)
{
    VorbisEncoder encoder(spec.Channels, spec.Rate, spec.Quality);
    OggStreamState stream(static_cast<int>(kSerialBase + spec.Seed));
    TempFile partial(path + ".part");
    File out = File::Create(partial.Path());

    ogg_packet identification, comments, setup;
    vorbis_analysis_headerout(encoder.Dsp(), encoder.Comment(), &identification, &comments, &setup);
    ogg_stream_packetin(stream.get(), &identification);
    WritePages(stream, out, true); // the identification header alone on the first page
    ogg_stream_packetin(stream.get(), &comments);
    ogg_stream_packetin(stream.get(), &setup);
    WritePages(stream, out, true); // audio starts on a fresh page

    VariedSignal signal(spec.Channels, spec.Rate, spec.Seed);
    const long total = std::lround(spec.Seconds * spec.Rate);
    long written = 0;
    int reportedPercent = -1;
    bool ended = false;
    while (!ended) {
        const long count = std::min(kFramesPerCall, total - written);
        if (count > 0) {
            signal.Fill(vorbis_analysis_buffer(encoder.Dsp(), static_cast<int>(count)), count);
            written += count;
        }
        vorbis_analysis_wrote(encoder.Dsp(), static_cast<int>(std::max(count, 0L))); // 0 ends the stream
        while (vorbis_analysis_blockout(encoder.Dsp(), encoder.Block()) == 1) {
            vorbis_analysis(encoder.Block(), nullptr);
            vorbis_bitrate_addblock(encoder.Block());
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(encoder.Dsp(), &packet) == 1) {
                ogg_stream_packetin(stream.get(), &packet);
                WritePages(stream, out, false);
                ended = ended || packet.e_o_s != 0;
            }
        }
        const int percent = static_cast<int>(100 * written / std::max(total, 1L));
        if (progress && percent != reportedPercent) {
            reportedPercent = percent;
            progress(written / static_cast<double>(std::max(total, 1L)));
        }
    }
    WritePages(stream, out, true);
    out.Close();
    std::filesystem::rename(partial.Path(), path);
    partial.Release();
}

namespace {

struct OpusCommentsFree {
    void operator()(OggOpusComments* comments) const { ope_comments_destroy(comments); }
};
struct OpusEncoderFree {
    void operator()(OggOpusEnc* encoder) const { ope_encoder_destroy(encoder); }
};

// Mapping family 0 holds one or two channels, family 1 up to eight.
int OpusMappingFamily(int channels) { return channels > 2 ? 1 : 0; }

} // namespace

void EncodeVariedOpus(const VariedAudioSpec& spec, int bitrate, const std::string& path, const EncodeProgress& progress)
{
    TempFile partial(path + ".part");
    const std::unique_ptr<OggOpusComments, OpusCommentsFree> comments(ope_comments_create());
    int error = 0;
    std::unique_ptr<OggOpusEnc, OpusEncoderFree> encoder(
        ope_encoder_create_file(partial.Path().c_str(), comments.get(), static_cast<opus_int32>(spec.Rate), spec.Channels,
                                OpusMappingFamily(spec.Channels), &error));
    if (!encoder || error != OPE_OK)
        throw std::runtime_error("cannot start the Opus encoder for " + path + ": " + ope_strerror(error));
    ope_encoder_ctl(encoder.get(), OPUS_SET_BITRATE(bitrate));

    VariedSignal signal(spec.Channels, spec.Rate, spec.Seed);
    const auto channels = static_cast<std::size_t>(spec.Channels);
    std::vector<std::vector<float>> planar(channels, std::vector<float>(static_cast<std::size_t>(kFramesPerCall)));
    std::vector<float*> rows;
    for (std::vector<float>& row : planar)
        rows.push_back(row.data());
    std::vector<float> interleaved(channels * static_cast<std::size_t>(kFramesPerCall));
    const long total = std::lround(spec.Seconds * spec.Rate);
    int reportedPercent = -1;
    for (long written = 0; written < total;) {
        const long count = std::min(kFramesPerCall, total - written);
        signal.Fill(rows.data(), count);
        for (std::size_t frame = 0; frame < static_cast<std::size_t>(count); ++frame)
            for (std::size_t channel = 0; channel < channels; ++channel)
                interleaved[frame * channels + channel] = planar[channel][frame];
        if (ope_encoder_write_float(encoder.get(), interleaved.data(), static_cast<int>(count)) != OPE_OK)
            throw std::runtime_error("cannot encode " + path);
        written += count;
        const int percent = static_cast<int>(100 * written / total);
        if (progress && percent != reportedPercent) {
            reportedPercent = percent;
            progress(written / static_cast<double>(total));
        }
    }
    if (ope_encoder_drain(encoder.get()) != OPE_OK)
        throw std::runtime_error("cannot finish " + path);
    encoder.reset();
    std::filesystem::rename(partial.Path(), path);
    partial.Release();
}

} // namespace oq::bench
