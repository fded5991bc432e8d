#include "opus/OpusPacketDecoder.h"

#include "opus/OpusFormat.h"

#include <algorithm>
#include <cmath>

namespace oq {

namespace {

// 64-bit FNV-1a: a digest of the decoder's output for comparing two
// decodings of the same packets, not a protection against forgery.
constexpr std::uint64_t kDigestBasis = 0xcbf29ce484222325ull;
constexpr std::uint64_t kDigestPrime = 0x100000001b3ull;

std::uint64_t Digest(std::uint64_t digest, const std::vector<float>& values, std::size_t count)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(values.data());
    for (std::size_t i = 0; i < count * sizeof(float); ++i)
        digest = (digest ^ bytes[i]) * kDigestPrime;
    return digest;
}

// Full scale of a 16-bit sample: the library's output of 1.0.
constexpr float kFullScale = 32768.0F;

// The file library's rounding without dither: scaled, clamped to 16 bits
// and rounded to the nearest, ties to even as the processor rounds.
opus_int16 ToPcm16(float value)
{
    return static_cast<opus_int16>(std::lrint(std::clamp(kFullScale * value, -kFullScale, kFullScale - 1.0F)));
}

} // namespace

OpusPacketDecoder::OpusPacketDecoder(int channels)
    : channels_(channels), decoded_(static_cast<std::size_t>(kOpusLargestPacketFrames * channels)),
      clipMemory_(static_cast<std::size_t>(channels), 0.0F)
{
}

std::unique_ptr<OpusPacketDecoder> OpusPacketDecoder::Open(const OpusHead& head)
{
    std::unique_ptr<OpusPacketDecoder> decoder(new OpusPacketDecoder(head.channel_count));
    int error = OPUS_OK;
    decoder->decoder_.reset(opus_multistream_decoder_create(kOpusRate, head.channel_count, head.stream_count,
                                                            head.coupled_count, head.mapping, &error));
    if (!decoder->decoder_ || error != OPUS_OK)
        return nullptr;
    if (opus_multistream_decoder_ctl(decoder->decoder_.get(), OPUS_SET_GAIN(head.output_gain)) != OPUS_OK)
        return nullptr;
    return decoder;
}

int OpusPacketDecoder::Decode(const ogg_packet& packet, const TimedPacket& time)
{
    const int frames = opus_multistream_decode_float(decoder_.get(), packet.packet, static_cast<opus_int32>(packet.bytes),
                                                     decoded_.data(), kOpusLargestPacketFrames, 0);
    if (frames < 0)
        return -1;
    const auto values = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels_);
    decodedValues_ = values;
    // The file library clips only what it hands out, after the trims.
    const auto head = std::clamp<std::int64_t>(time.HeadTrim, 0, frames);
    const auto kept = std::clamp<std::int64_t>(time.Kept(), 0, frames - head);
    if (kept > 0)
        opus_pcm_soft_clip(decoded_.data() + head * channels_, static_cast<int>(kept), channels_, clipMemory_.data());

    const std::size_t before = available_.size();
    available_.resize(before + values);
    std::transform(decoded_.begin(), decoded_.begin() + static_cast<std::ptrdiff_t>(values),
                   available_.begin() + static_cast<std::ptrdiff_t>(before), ToPcm16);
    return static_cast<int>(available_.size() / static_cast<std::size_t>(channels_));
}

std::uint64_t OpusPacketDecoder::Fingerprint() const
{
    return Digest(Digest(kDigestBasis, decoded_, decodedValues_), clipMemory_, clipMemory_.size());
}

void OpusPacketDecoder::WritePcm16(int first, int frames, unsigned char* out)
{
    const auto begin = available_.begin() + static_cast<std::ptrdiff_t>(first) * channels_;
    for (auto sample = begin; sample != begin + static_cast<std::ptrdiff_t>(frames) * channels_; ++sample) {
        const auto bits = static_cast<std::uint16_t>(*sample);
        *out++ = static_cast<unsigned char>(bits & 0xff);
        *out++ = static_cast<unsigned char>(bits >> 8);
    }
}

void OpusPacketDecoder::Consume(int frames)
{
    const auto count = std::min<std::size_t>(available_.size(), static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels_));
    available_.erase(available_.begin(), available_.begin() + static_cast<std::ptrdiff_t>(count));
}

std::size_t OpusPacketDecoder::LargestOutput() const { return kOpusLargestPacketFrames; }

} // namespace oq
