#include "media/CodecChoice.h"

#include "base/Error.h"
#include "media/FileLinks.h"
#include "opus/OpusFileDecoder.h"
#include "opus/OpusStreamCodec.h"
#include "vorbis/VorbisFile.h"
#include "vorbis/VorbisFileDecoder.h"
#include "vorbis/VorbisStreamCodec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace oq {

namespace {

template <class Codec>
std::unique_ptr<StreamCodec> MakeStreamCodec(const std::string& sourceName)
{
    return std::make_unique<Codec>(sourceName);
}

// One codec read from streams: its descriptor, the test of a stream's first
// packet, and the codec's constructor.
struct StreamCodecEntry {
    const CodecDescriptor* Descriptor;
    bool (*Recognizes)(const ogg_packet& first);
    std::unique_ptr<StreamCodec> (*Make)(const std::string& sourceName);
};

// In the order of KnownCodecs.
constexpr std::array kStreamCodecs{
    StreamCodecEntry{&kVorbisDescriptor, &VorbisStreamCodec::Recognizes, &MakeStreamCodec<VorbisStreamCodec>},
    StreamCodecEntry{&kOpusDescriptor, &OpusStreamCodec::Recognizes, &MakeStreamCodec<OpusStreamCodec>},
};

constexpr auto kDescriptors = [] {
    std::array<const CodecDescriptor*, kStreamCodecs.size()> descriptors{};
    std::ranges::transform(kStreamCodecs, descriptors.begin(), &StreamCodecEntry::Descriptor);
    return descriptors;
}();

} // namespace

std::span<const CodecDescriptor* const> KnownCodecs() noexcept { return kDescriptors; }

const CodecDescriptor* FindCodec(std::string_view name) noexcept
{
    const auto found = std::ranges::find(kDescriptors, name, &CodecDescriptor::Name);
    return found == kDescriptors.end() ? nullptr : *found;
}

const CodecDescriptor& CodecOf(const MPEGData& file)
{
    if (const CodecDescriptor* codec = FindCodec(file.Codec))
        return *codec;
    throw NotOggAudioError(file.FileName,
                            "is described with a codec the program does not read (\"" + file.Codec + "\")");
}

std::unique_ptr<StreamCodec> ChooseStreamCodec(const ogg_packet& first, const std::string& sourceName)
{
    for (const StreamCodecEntry& entry : kStreamCodecs)
        if (entry.Recognizes(first))
            return entry.Make(sourceName);
    return nullptr;
}

std::unique_ptr<FileDecoder> OpenFileDecoder(const std::string& path)
{
    try {
        return std::make_unique<VorbisFileDecoder>(OpenVorbisFile(path));
    } catch (const NotOggAudioError&) {
        // A file that holds no Opus stream either keeps the Vorbis library's answer.
        if (!OpusFileDecoder::HoldsOpus(path)) {
            RefuseChainOfCodecs(path);
            throw;
        }
    }
    try {
        return OpusFileDecoder::Open(path);
    } catch (const NotOggAudioError&) {
        RefuseChainOfCodecs(path);
        throw;
    }
}

std::optional<std::size_t> ChooseAudioStream(const std::vector<ogg_packet>& firsts)
{
    for (const StreamCodecEntry& entry : kStreamCodecs)
        for (std::size_t k = 0; k < firsts.size(); ++k)
            if (entry.Recognizes(firsts[k]))
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
