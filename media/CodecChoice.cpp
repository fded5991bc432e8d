#include "media/CodecChoice.h"

#include "base/Error.h"
#include "opus/OpusFileDecoder.h"
#include "opus/OpusStreamCodec.h"
#include "vorbis/VorbisFile.h"
#include "vorbis/VorbisFileDecoder.h"
#include "vorbis/VorbisStreamCodec.h"

namespace oq {

std::unique_ptr<StreamCodec> ChooseStreamCodec(const ogg_packet& first, const std::string& sourceName)
{
    if (VorbisStreamCodec::Recognizes(first))
        return std::make_unique<VorbisStreamCodec>(sourceName);
    if (OpusStreamCodec::Recognizes(first))
        return std::make_unique<OpusStreamCodec>(sourceName);
    return nullptr;
}

std::unique_ptr<FileDecoder> OpenFileDecoder(const std::string& path)
{
    try {
        return std::make_unique<VorbisFileDecoder>(OpenVorbisFile(path));
    } catch (const NotOggVorbisError&) {
        // A file that holds no Opus stream either keeps the Vorbis library's answer.
        if (!OpusFileDecoder::HoldsOpus(path))
            throw;
    }
    return OpusFileDecoder::Open(path);
}

} // namespace oq
