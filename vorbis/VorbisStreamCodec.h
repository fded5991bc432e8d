#pragma once

#include "codec/StreamCodec.h"
#include "vorbis/HeaderPackets.h"
#include "vorbis/VorbisDescriptor.h"

namespace oq {

// The Vorbis codec of one stream: its three headers, the block sizes they
// give the audio packets, and decoders set up from them.
class VorbisStreamCodec final : public StreamCodec {
public:
    explicit VorbisStreamCodec(std::string sourceName) : headers_(std::move(sourceName)) {}

    // Whether a stream's first packet is a Vorbis identification header.
    static bool Recognizes(const ogg_packet& first);

    const CodecDescriptor& Descriptor() const noexcept override { return kVorbisDescriptor; }
    int HeaderCount() const noexcept override { return HeaderPackets::kCount; }
    void AddHeader(const ogg_packet& packet) override { headers_.Add(packet); }
    bool HeadersComplete() const noexcept override { return headers_.Complete(); }
    const PacketCopy& Header(int index) const override { return headers_[index]; }
    void ReleaseHeaders() noexcept override { headers_.Release(); }
    std::int64_t PreSkip() const noexcept override { return 0; }
    int OutputGain() const noexcept override { return 0; }
    PacketCopy SectionHeader(int index, std::int64_t /*preSkip*/) const override { return headers_[index]; }

    int Channels() const noexcept override { return headers_.Info().channels; }
    long Rate() const noexcept override { return headers_.Info().rate; }
    std::unique_ptr<PacketClock> NewClock() const override;
    std::unique_ptr<PacketDecoder> NewDecoder() const override;
    bool PacketDecodingMatchesOnePass() const noexcept override;

private:
    HeaderPackets headers_;
};

} // namespace oq
