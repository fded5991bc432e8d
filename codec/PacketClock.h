#pragma once

#include "codec/TimedPacket.h"

#include <cstdint>
#include <memory>
#include <ogg/ogg.h>

namespace oq {

// Follows the audio packets of one stream, in stream order, onto its decoded
// output: how many samples each yields and how many of them the decoder
// drops at the start and the end, as the codec's own decoder does it. A copy
// taken at any packet goes on from there on its own.
class PacketClock {
public:
    // Defined out of line, so that the class's virtual table has one home.
    virtual ~PacketClock();

    virtual std::unique_ptr<PacketClock> Clone() const = 0;
    // Places the next packet of the stream (its granule position and end of
    // stream flag as the stream layer gave them). A packet that is not audio
    // of this stream is not placed: the decoder refuses it as well, so it
    // neither counts nor belongs in a section. Returns whether it was placed.
    virtual bool Place(const ogg_packet& packet, TimedPacket& time) = 0;
    // Samples placed so far.
    virtual std::int64_t Position() const noexcept = 0;
};

} // namespace oq
