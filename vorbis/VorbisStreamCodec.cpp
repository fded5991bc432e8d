#include "vorbis/VorbisStreamCodec.h"

#include "vorbis/PcmConversion.h"
#include "vorbis/VorbisPacketClock.h"
#include "vorbis/VorbisPacketDecoder.h"

namespace oq {

bool VorbisStreamCodec::Recognizes(const ogg_packet& first)
{
    ogg_packet copy = first;
    return vorbis_synthesis_idheader(&copy) == 1;
}

std::unique_ptr<PacketClock> VorbisStreamCodec::NewClock() const
{
    return std::make_unique<VorbisPacketClock>(headers_);
}

std::unique_ptr<PacketDecoder> VorbisStreamCodec::NewDecoder() const
{
    return VorbisPacketDecoder::Open(headers_);
}

bool VorbisStreamCodec::PacketDecodingMatchesOnePass() const noexcept
{
    return kPcmConversionMatchesDecoderLibrary;
}

} // namespace oq
