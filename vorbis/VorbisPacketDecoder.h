#pragma once

#include "codec/PacketDecoder.h"

#include <memory>
#include <vorbis/codec.h>

namespace oq {

class HeaderPackets;

// Decodes a Vorbis stream's audio packets with a decoder of its own, set up
// from copies of the stream's headers, so that several can decode parts of
// one stream at once.
class VorbisPacketDecoder final : public PacketDecoder {
public:
    // Null when the decoder library refuses the headers or cannot be set up.
    static std::unique_ptr<VorbisPacketDecoder> Open(const HeaderPackets& headers);
    VorbisPacketDecoder(const VorbisPacketDecoder&) = delete;
    VorbisPacketDecoder& operator=(const VorbisPacketDecoder&) = delete;
    ~VorbisPacketDecoder() override;

    // The packet's granule position and end-of-stream flag are withheld, so
    // the library never trims.
    int Decode(const ogg_packet& packet, const TimedPacket& time) override;
    void WritePcm16(int first, int frames, unsigned char* out) override;
    void Consume(int frames) override { vorbis_synthesis_read(&dsp_, frames); }
    // Half the long block.
    std::size_t LargestOutput() const override;

private:
    VorbisPacketDecoder();

    vorbis_info info_;
    vorbis_comment comment_;
    vorbis_dsp_state dsp_;
    vorbis_block block_;
    bool dspReady_ = false;
    float** pcm_ = nullptr; // the library's channels of the frames available
};

} // namespace oq
