#pragma once

#include "codec/PacketDecoder.h"

#include <memory>
#include <opus_multistream.h>
#include <opusfile.h>
#include <vector>

namespace oq {

// Decodes an Opus stream's audio packets with a multistream decoder of its
// own, set up from the identification header (channel mapping and output
// gain), keeping the decoded frames until they are consumed. The 16-bit
// samples are made as the file library makes them for a reader without
// dither whose reads each take a whole packet: the library's floating-point
// output, its kept samples soft-clipped as one piece with the clipping state
// carried from packet to packet, then rounded.
class OpusPacketDecoder final : public PacketDecoder {
public:
    // Null when the decoder library cannot be set up with the header.
    static std::unique_ptr<OpusPacketDecoder> Open(const OpusHead& head);
    OpusPacketDecoder(const OpusPacketDecoder&) = delete;
    OpusPacketDecoder& operator=(const OpusPacketDecoder&) = delete;
    ~OpusPacketDecoder() override = default;

    int Decode(const ogg_packet& packet, const TimedPacket& time) override;
    void WritePcm16(int first, int frames, unsigned char* out) override;
    void Consume(int frames) override;
    // 120 ms, the longest packet.
    std::size_t LargestOutput() const override;
    // Of the last packet's floating-point output, its kept samples clipped,
    // and of the clipping state after it; worked out when asked, as only
    // the packets of a join's window are asked for it.
    std::uint64_t Fingerprint() const override;

private:
    struct Destroy {
        void operator()(OpusMSDecoder* decoder) const noexcept { opus_multistream_decoder_destroy(decoder); }
    };

    explicit OpusPacketDecoder(int channels);

    int channels_;
    std::unique_ptr<OpusMSDecoder, Destroy> decoder_;
    std::vector<float> decoded_;        // the last packet's output, interleaved
    std::size_t decodedValues_ = 0;     // ... its length in samples of all channels
    std::vector<float> clipMemory_;     // the soft clipping's state, one value per channel
    std::vector<opus_int16> available_; // decoded frames not yet consumed, interleaved
};

} // namespace oq
