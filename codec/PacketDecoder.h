#pragma once

#include "codec/TimedPacket.h"

#include <cstddef>
#include <cstdint>
#include <ogg/ogg.h>

namespace oq {

// Decodes the audio packets of one stream to 16-bit PCM, one packet at a
// time, leaving every trim to the caller: which of a packet's samples are
// kept is for a PacketClock to say.
class PacketDecoder {
public:
    // Defined out of line, so that the class's virtual table has one home.
    virtual ~PacketDecoder();

    // Decodes the next audio packet, placed by the stream's clock at `time`;
    // returns the sample frames it made available (the first packet after a
    // start only primes some decoders and may make none), or -1 when the
    // packet is refused. The trims are not applied here, but a codec whose
    // conversion to 16 bits depends on which samples are kept uses them.
    virtual int Decode(const ogg_packet& packet, const TimedPacket& time) = 0;
    // Writes frames [first, first + frames) of what is available as
    // interleaved 16-bit little-endian samples: frames * channels * 2 bytes.
    virtual void WritePcm16(int first, int frames, unsigned char* out) = 0;
    // Drops the first `frames` available frames.
    virtual void Consume(int frames) = 0;
    // The most frames one packet can make available.
    virtual std::size_t LargestOutput() const = 0;
    // A digest of the last packet's output at the library's full precision
    // and of the state the conversion carries to the next packet. Two
    // decoders begun at different packets whose digests agree over a run of
    // packets have reached the same output. Asked only of codecs whose
    // restarted decoders need pre-roll; others give 0.
    virtual std::uint64_t Fingerprint() const;
};

} // namespace oq
