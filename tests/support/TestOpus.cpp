#include "tests/support/TestOpus.h"

#include "tests/support/OggSurgery.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <opusenc.h>
#include <opusfile.h>
#include <stdexcept>

namespace oq::test {

namespace {

constexpr long kRate = 48000;

int FrameSizeSetting(double frameMs)
{
    if (frameMs == 2.5) return OPUS_FRAMESIZE_2_5_MS;
    if (frameMs == 5) return OPUS_FRAMESIZE_5_MS;
    if (frameMs == 10) return OPUS_FRAMESIZE_10_MS;
    if (frameMs == 40) return OPUS_FRAMESIZE_40_MS;
    if (frameMs == 60) return OPUS_FRAMESIZE_60_MS;
    return OPUS_FRAMESIZE_20_MS;
}

std::int16_t SampleAt(const OpusSpec& spec, std::int64_t frame, int channel, std::uint32_t& noise)
{
    const double t = static_cast<double>(frame) / kRate;
    const double pitch = spec.pitches.empty() ? 180.0 + 70.0 * channel : spec.pitches.at(static_cast<std::size_t>(channel));
    double value = 0;
    if (spec.signal != OpusSignal::Speech) {
        value = (0.3 * std::sin(2 * std::numbers::pi * pitch * t) + 0.15 * std::sin(2 * std::numbers::pi * pitch * 2.01 * t)) *
                (0.6 + 0.4 * std::sin(2 * std::numbers::pi * 0.5 * t));
        if (spec.signal == OpusSignal::Clipped)
            value = std::clamp(4.0 * value, -1.0, 1.0);
    } else if (std::fmod(t, 0.4) < 0.25) {
        noise = noise * 1664525u + 1013904223u;
        const double buzz = std::sin(2 * std::numbers::pi * pitch * t) > 0.6 ? 0.4 : -0.1;
        value = buzz + 0.1 * (static_cast<double>(noise >> 8) / (1u << 23) - 1.0);
    }
    return static_cast<std::int16_t>(std::lround(value * 32767));
}

int Append(void* userData, const unsigned char* bytes, opus_int32 length)
{
    static_cast<Bytes*>(userData)->insert(static_cast<Bytes*>(userData)->end(), bytes, bytes + length);
    return 0;
}

int Close(void*) { return 0; }

struct EncoderFree {
    void operator()(OggOpusEnc* encoder) const noexcept { ope_encoder_destroy(encoder); }
};
struct CommentsFree {
    void operator()(OggOpusComments* comments) const noexcept { ope_comments_destroy(comments); }
};
struct FileFree {
    void operator()(OggOpusFile* file) const noexcept { op_free(file); }
};

} // namespace

std::int64_t OpusInputFrames(const OpusSpec& spec) { return std::llround(spec.seconds * kRate); }

Bytes MakeOggOpus(const OpusSpec& spec)
{
    Bytes out;
    const OpusEncCallbacks callbacks = {Append, Close};
    std::unique_ptr<OggOpusComments, CommentsFree> comments(ope_comments_create());
    int error = 0;
    const int family = spec.channels > 2 ? 1 : 0;
    std::unique_ptr<OggOpusEnc, EncoderFree> encoder(
        ope_encoder_create_callbacks(&callbacks, &out, comments.get(), kRate, spec.channels, family, &error));
    if (!encoder || error != OPE_OK)
        throw std::runtime_error("cannot set up the Opus encoder");
    ope_encoder_ctl(encoder.get(), OPE_SET_SERIALNO(static_cast<opus_int32>(spec.serial)));
    ope_encoder_ctl(encoder.get(), OPUS_SET_BITRATE(spec.bitrate));
    ope_encoder_ctl(encoder.get(), OPUS_SET_EXPERT_FRAME_DURATION(FrameSizeSetting(spec.frameMs)));
    const std::int64_t frames = OpusInputFrames(spec);
    std::vector<opus_int16> pcm(static_cast<std::size_t>(frames * spec.channels));
    std::uint32_t noise = spec.serial;
    for (std::int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < spec.channels; ++c)
            pcm[static_cast<std::size_t>(f * spec.channels + c)] = SampleAt(spec, f, c, noise);
    if (ope_encoder_write(encoder.get(), pcm.data(), static_cast<int>(frames)) != OPE_OK ||
        ope_encoder_drain(encoder.get()) != OPE_OK)
        throw std::runtime_error("the Opus encoder failed");
    return out;
}

Bytes WithStartGranule(Bytes file, std::int64_t offset)
{
    const std::vector<PageSpan> pages = PageSpans(file);
    constexpr std::size_t kGranuleOffset = 6; // in the page header, little-endian
    for (std::size_t k = 2; k < pages.size(); ++k) {
        std::int64_t granule = 0;
        std::memcpy(&granule, file.data() + pages[k].Offset + kGranuleOffset, sizeof granule);
        if (granule >= 0)
            SetGranule(file, pages[k], granule + offset);
    }
    return file;
}

std::vector<std::int16_t> DecodeOpusSamples(const std::string& path)
{
    int error = 0;
    std::unique_ptr<OggOpusFile, FileFree> file(op_open_file(path.c_str(), &error));
    if (!file)
        throw std::runtime_error("cannot decode " + path);
    op_set_dither_enabled(file.get(), 0);
    std::vector<std::int16_t> samples;
    std::vector<opus_int16> buffer(5760 * 8);
    for (;;) {
        int link = 0;
        const int frames = op_read(file.get(), buffer.data(), static_cast<int>(buffer.size()), &link);
        if (frames == 0)
            break;
        if (frames < 0)
            continue;
        samples.insert(samples.end(), buffer.begin(), buffer.begin() + frames * op_channel_count(file.get(), link));
    }
    return samples;
}

} // namespace oq::test
