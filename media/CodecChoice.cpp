#include "media/CodecChoice.h"

#include "base/Error.h"
#include "opus/OpusFileDecoder.h"
#include "opus/OpusStreamCodec.h"
#include "vorbis/VorbisFile.h"
#include "vorbis/VorbisFileDecoder.h"
#include "vorbis/VorbisStreamCodec.h"

#include <cstring>

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

std::optional<std::size_t> ChooseAudioStream(const std::vector<ogg_packet>& firsts)
{
    using Recognizer = bool (*)(const ogg_packet&);
    constexpr Recognizer kInOrder[] = {VorbisStreamCodec::Recognizes, OpusStreamCodec::Recognizes};
    for (const Recognizer recognizes : kInOrder)
        for (std::size_t k = 0; k < firsts.size(); ++k)
            if (recognizes(firsts[k]))
                return k;
    return std::nullopt;
}

std::string UnreadCodecName(const ogg_packet& first)
{
    const auto starts = [&](const char* magic, std::size_t length) {
        return first.bytes >= static_cast<long>(length) && std::memcmp(first.packet, magic, length) == 0;
    };
    if (starts("OpusHead", 8))
        return "Opus";
    if (starts("\x7f" "FLAC", 5) || starts("fLaC", 4))
        return "FLAC";
    if (starts("\x80theora", 7))
        return "Theora";
    if (starts("Speex   ", 8))
        return "Speex";
    if (starts("\x01vorbis", 7))
        return "damaged Vorbis";
    return "unknown";
}

} // namespace oq
