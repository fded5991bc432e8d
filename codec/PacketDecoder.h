#pragma once

#include <cstddef>
#include <ogg/ogg.h>

namespace oq {

// Decodes the audio packets of one stream to 16-bit PCM, one packet at a
// time, leaving every trim to the caller: which of a packet's samples are
// kept is for a PacketClock to say.
class PacketDecoder {
public:
    // Defined out of line, so that the class's virtual table has one home.
    virtual ~PacketDecoder();

    // Decodes the next audio packet; returns the sample frames it made
    // available (the first packet after a start only primes the decoder and
    // may make none), or -1 when the packet is refused.
    virtual int Decode(const ogg_packet& packet) = 0;
    // Writes frames [first, first + frames) of what is available as
    // interleaved 16-bit little-endian samples: frames * channels * 2 bytes.
    virtual void WritePcm16(int first, int frames, unsigned char* out) = 0;
    // Drops the first `frames` available frames.
    virtual void Consume(int frames) = 0;
    // The most frames one packet can make available.
    virtual std::size_t LargestOutput() const = 0;
};

} // namespace oq
