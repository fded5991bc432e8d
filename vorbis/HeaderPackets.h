#pragma once

#include "ogg/PacketCopy.h"

#include <array>
#include <string>
#include <vorbis/codec.h>

namespace oq {

// The three Vorbis header packets of the stream being cut (identification,
// comment, setup), kept to lead every section, and the stream format parsed
// from them, which gives each audio packet its block size.
class HeaderPackets {
public:
    static constexpr int kCount = 3;

    explicit HeaderPackets(std::string sourceName);
    HeaderPackets(const HeaderPackets&) = delete;
    HeaderPackets& operator=(const HeaderPackets&) = delete;
    ~HeaderPackets();

    // Takes the next header packet; raises NotOggAudioError when the decoder
    // library refuses it, or cannot decode with the three of them.
    void Add(const ogg_packet& packet);
    bool Complete() const noexcept { return count_ == kCount; }
    const PacketCopy& operator[](int index) const { return packets_.at(static_cast<std::size_t>(index)); }

    // Samples in the packet's block, or a negative value for a packet that
    // is not audio of this stream.
    long Blocksize(const ogg_packet& packet) const;
    // The stream format parsed from the headers taken so far.
    const vorbis_info& Info() const noexcept { return info_; }
    void Release() noexcept;

private:
    std::string sourceName_;
    std::array<PacketCopy, kCount> packets_;
    vorbis_info info_;
    vorbis_comment comment_;
    int count_ = 0;
};

// Whether the decoder library can decode with the stream format parsed from
// a stream's three headers. The library parses a setup header whose
// codebooks it later fails to build; it keeps the half-built codebooks then,
// and decoding with them divides by zero. After a false answer `info` must
// only be cleared.
bool DecoderCanUse(vorbis_info& info);

} // namespace oq
