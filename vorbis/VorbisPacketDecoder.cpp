#include "vorbis/VorbisPacketDecoder.h"

#include "vorbis/HeaderPackets.h"
#include "vorbis/PcmConversion.h"

namespace oq {

VorbisPacketDecoder::VorbisPacketDecoder()
{
    vorbis_info_init(&info_);
    vorbis_comment_init(&comment_);
}

std::unique_ptr<VorbisPacketDecoder> VorbisPacketDecoder::Open(const HeaderPackets& headers)
{
    std::unique_ptr<VorbisPacketDecoder> decoder(new VorbisPacketDecoder);
    for (int i = 0; i < HeaderPackets::kCount; ++i) {
        ogg_packet header = headers[i].Packet();
        if (vorbis_synthesis_headerin(&decoder->info_, &decoder->comment_, &header) != 0)
            return nullptr;
    }
    if (vorbis_synthesis_init(&decoder->dsp_, &decoder->info_) != 0)
        return nullptr;
    decoder->dspReady_ = true;
    vorbis_block_init(&decoder->dsp_, &decoder->block_);
    return decoder;
}

VorbisPacketDecoder::~VorbisPacketDecoder()
{
    if (dspReady_) {
        vorbis_block_clear(&block_);
        vorbis_dsp_clear(&dsp_);
    }
    vorbis_comment_clear(&comment_);
    vorbis_info_clear(&info_);
}

int VorbisPacketDecoder::Decode(const ogg_packet& packet, const TimedPacket& /*time*/)
{
    ogg_packet audio = packet;
    audio.granulepos = -1;
    audio.e_o_s = 0;
    if (vorbis_synthesis(&block_, &audio) != 0 || vorbis_synthesis_blockin(&dsp_, &block_) != 0)
        return -1;
    return vorbis_synthesis_pcmout(&dsp_, &pcm_);
}

void VorbisPacketDecoder::WritePcm16(int first, int frames, unsigned char* out)
{
    ConvertToPcm16(pcm_, info_.channels, first, frames, out);
}

std::size_t VorbisPacketDecoder::LargestOutput() const
{
    return static_cast<std::size_t>(vorbis_info_blocksize(const_cast<vorbis_info*>(&info_), 1) / 2);
}

} // namespace oq
