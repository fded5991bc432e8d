#pragma once

#include "codec/CodecDescriptor.h"
#include "codec/PacketClock.h"
#include "codec/PacketDecoder.h"
#include "ogg/PacketCopy.h"

#include <cstdint>
#include <memory>
#include <ogg/ogg.h>
#include <string>

namespace oq {

// The codec of one logical stream of an Ogg file, as far as cutting and
// decoding it packet by packet need it. It takes the stream's header
// packets, which lead every section cut from the stream, and once they are
// complete it times and decodes the audio packets. A codec is chosen for a
// stream by its first packet, which is then the first header handed in.
class StreamCodec {
public:
    // Defined out of line, so that the class's virtual table has one home.
    virtual ~StreamCodec();

    // The codec's fixed facts: its name, how sections open, its loudness
    // fields, its comment header.
    virtual const CodecDescriptor& Descriptor() const noexcept = 0;
    // The codec's name, for messages.
    std::string Name() const { return std::string(Descriptor().Name); }

    // Header packets the stream begins with.
    virtual int HeaderCount() const noexcept = 0;
    // Takes the next header packet; raises FormatError when it is damaged,
    // or when the headers together cannot be decoded with.
    virtual void AddHeader(const ogg_packet& packet) = 0;
    virtual bool HeadersComplete() const noexcept = 0;
    // Header packet `index` (0 .. HeaderCount() - 1) as taken.
    virtual const PacketCopy& Header(int index) const = 0;
    // Drops the copies of the header packets.
    virtual void ReleaseHeaders() noexcept = 0;

    // Samples the source's headers tell its decoder to drop at its start
    // (0 .. Descriptor().MostPreSkip).
    virtual std::int64_t PreSkip() const noexcept = 0;
    // The gain the source's headers tell its decoder to apply to every
    // sample, in 1/256 dB (0 for a codec without one: see HasOutputGain).
    virtual int OutputGain() const noexcept = 0;
    // Header packet `index` of a section whose decoder is to drop `preSkip`
    // samples first (0 for a codec without a pre-skip); everything else is
    // the source's.
    virtual PacketCopy SectionHeader(int index, std::int64_t preSkip) const = 0;

    // The rest asks for complete headers.

    // The decoded format: channels per frame and frames per second.
    virtual int Channels() const noexcept = 0;
    virtual long Rate() const noexcept = 0;
    // Whether the channels have loudspeaker positions (see ChannelLayout).
    virtual bool PlacedChannels() const noexcept { return true; }
    // A clock standing before the stream's first audio packet. It refers to
    // this codec, which must outlive it and its copies.
    virtual std::unique_ptr<PacketClock> NewClock() const = 0;
    // A decoder of the stream's audio packets, independent of this codec and
    // of other decoders; null when the codec library cannot be set up with
    // the headers.
    virtual std::unique_ptr<PacketDecoder> NewDecoder() const = 0;
    // Whether decoding packets here gives exactly the bytes that the codec
    // library's own decoding of the file in one pass gives; when not, files
    // are decoded in one pass only.
    virtual bool PacketDecodingMatchesOnePass() const noexcept = 0;
};

} // namespace oq
