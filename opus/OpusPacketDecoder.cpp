#include "opus/OpusPacketDecoder.h"

#include "opus/OpusFormat.h"

#include <algorithm>

namespace oq {

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

int OpusPacketDecoder::Decode(const ogg_packet& packet)
{
    const std::size_t before = available_.size();
    available_.resize(before + static_cast<std::size_t>(kOpusLargestPacketFrames * channels_));
    const int frames = opus_multistream_decode(decoder_.get(), packet.packet, static_cast<opus_int32>(packet.bytes),
                                               available_.data() + before, kOpusLargestPacketFrames, 0);
    available_.resize(before + static_cast<std::size_t>(std::max(frames, 0) * channels_));
    if (frames < 0)
        return -1;
    return static_cast<int>(available_.size() / static_cast<std::size_t>(channels_));
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
