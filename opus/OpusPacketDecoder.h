#pragma once

#include "codec/PacketDecoder.h"

#include <memory>
#include <opus_multistream.h>
#include <opusfile.h>
#include <vector>

namespace oq {

// Decodes an Opus stream's audio packets with a multistream decoder of its
// own, set up from the identification header (channel mapping and output
// gain), keeping the decoded frames until they are consumed.
class OpusPacketDecoder final : public PacketDecoder {
public:
    // Null when the decoder library cannot be set up with the header.
    static std::unique_ptr<OpusPacketDecoder> Open(const OpusHead& head);
    OpusPacketDecoder(const OpusPacketDecoder&) = delete;
    OpusPacketDecoder& operator=(const OpusPacketDecoder&) = delete;
    ~OpusPacketDecoder() override = default;

    int Decode(const ogg_packet& packet) override;
    void WritePcm16(int first, int frames, unsigned char* out) override;
    void Consume(int frames) override;
    // 120 ms, the longest packet.
    std::size_t LargestOutput() const override;

private:
    struct Destroy {
        void operator()(OpusMSDecoder* decoder) const noexcept { opus_multistream_decoder_destroy(decoder); }
    };

    explicit OpusPacketDecoder(int channels) : channels_(channels) {}

    int channels_;
    std::unique_ptr<OpusMSDecoder, Destroy> decoder_;
    std::vector<opus_int16> available_; // decoded frames not yet consumed, interleaved
};

} // namespace oq
