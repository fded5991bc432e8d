#include "media/CodecChoice.h"

#include "vorbis/VorbisFile.h"
#include "vorbis/VorbisFileDecoder.h"
#include "vorbis/VorbisStreamCodec.h"

namespace oq {

std::unique_ptr<StreamCodec> ChooseStreamCodec(const ogg_packet& first, const std::string& sourceName)
{
    if (VorbisStreamCodec::Recognizes(first))
        return std::make_unique<VorbisStreamCodec>(sourceName);
    return nullptr;
}

std::unique_ptr<FileDecoder> OpenFileDecoder(const std::string& path)
{
    return std::make_unique<VorbisFileDecoder>(OpenVorbisFile(path));
}

} // namespace oq
