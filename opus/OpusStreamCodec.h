#pragma once

#include "codec/StreamCodec.h"
#include "opus/OpusDescriptor.h"

#include <array>
#include <opusfile.h>

namespace oq {

// The Opus codec of one stream: its two headers (OpusHead and OpusTags),
// the identification header's channel layout, pre-skip and output gain, and
// decoders set up from them.
class OpusStreamCodec final : public StreamCodec {
public:
    static constexpr int kHeaderCount = 2;

    explicit OpusStreamCodec(std::string sourceName) : sourceName_(std::move(sourceName)) {}

    // Whether a stream's first packet is an Opus identification header.
    static bool Recognizes(const ogg_packet& first);

    const CodecDescriptor& Descriptor() const noexcept override { return kOpusDescriptor; }
    int HeaderCount() const noexcept override { return kHeaderCount; }
    void AddHeader(const ogg_packet& packet) override;
    bool HeadersComplete() const noexcept override { return count_ == kHeaderCount; }
    const PacketCopy& Header(int index) const override { return packets_.at(static_cast<std::size_t>(index)); }
    void ReleaseHeaders() noexcept override;
    std::int64_t PreSkip() const noexcept override { return head_.pre_skip; }
    int OutputGain() const noexcept override { return head_.output_gain; }
    // The source's OpusHead with the pre-skip replaced (output gain and
    // channel mapping kept), and its OpusTags.
    PacketCopy SectionHeader(int index, std::int64_t preSkip) const override;

    int Channels() const noexcept override { return head_.channel_count; }
    bool PlacedChannels() const noexcept override { return head_.mapping_family <= kOpusMostPlacedFamily; }
    long Rate() const noexcept override;
    std::unique_ptr<PacketClock> NewClock() const override;
    std::unique_ptr<PacketDecoder> NewDecoder() const override;
    // Packets decoded here give the file library's samples for reads that
    // take whole packets (see OpusPacketDecoder).
    bool PacketDecodingMatchesOnePass() const noexcept override { return true; }

    // The identification header as parsed.
    const OpusHead& Head() const noexcept { return head_; }

private:
    std::string sourceName_;
    std::array<PacketCopy, kHeaderCount> packets_;
    OpusHead head_{};
    int count_ = 0;
};

} // namespace oq
