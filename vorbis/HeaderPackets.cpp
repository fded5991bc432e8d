#include "vorbis/HeaderPackets.h"

#include "base/Error.h"

#include <utility>

namespace oq {

HeaderPackets::HeaderPackets(std::string sourceName) : sourceName_(std::move(sourceName))
{
    vorbis_info_init(&info_);
    vorbis_comment_init(&comment_);
}

HeaderPackets::~HeaderPackets()
{
    vorbis_comment_clear(&comment_);
    vorbis_info_clear(&info_);
}

void HeaderPackets::Add(const ogg_packet& packet)
{
    if (Complete())
        throw NotOggAudioError(sourceName_, "has more header packets than a Vorbis stream");
    ogg_packet copy = packet;
    if (vorbis_synthesis_headerin(&info_, &comment_, &copy) != 0) {
        static const char* const names[kCount] = {"identification", "comment", "setup"};
        throw NotOggAudioError(sourceName_, std::string("has a damaged Vorbis ") + names[count_] + " header");
    }
    packets_[static_cast<std::size_t>(count_)].Store(packet);
    ++count_;
    if (Complete() && !DecoderCanUse(info_))
        throw NotOggAudioError(sourceName_, "has a Vorbis setup header that cannot be decoded");
    if (Complete()) {
        // Only the raw comment packet is kept; the parsed comments are not needed.
        vorbis_comment_clear(&comment_);
        vorbis_comment_init(&comment_);
    }
}

long HeaderPackets::Blocksize(const ogg_packet& packet) const
{
    // The library only reads the format, though it asks for it unqualified.
    ogg_packet copy = packet;
    return vorbis_packet_blocksize(const_cast<vorbis_info*>(&info_), &copy);
}

bool DecoderCanUse(vorbis_info& info)
{
    vorbis_dsp_state decoder;
    if (vorbis_synthesis_init(&decoder, &info) != 0)
        return false;
    vorbis_dsp_clear(&decoder);
    return true;
}

void HeaderPackets::Release() noexcept
{
    for (PacketCopy& packet : packets_)
        packet.Release();
}

} // namespace oq
