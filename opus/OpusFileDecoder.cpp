#include "opus/OpusFileDecoder.h"

#include "base/Error.h"
#include "ogg/PageReader.h"
#include "opus/OpusDescriptor.h"
#include "opus/OpusFormat.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

namespace oq {

namespace {

static_assert(std::endian::native == std::endian::little, "op_read gives native 16-bit samples, passed on as little-endian");

// The library reads through a File or a RenumberedFile, whose reading
// members are alike.
template <typename Source>
Source& SourceOf(void* stream)
{
    return *static_cast<Source*>(stream);
}

// The library's callbacks never see an exception: a failure becomes -1.
template <typename Source>
int ReadBytes(void* stream, unsigned char* buffer, int bytes)
{
    try {
        return static_cast<int>(SourceOf<Source>(stream).Read(buffer, static_cast<std::size_t>(bytes)));
    } catch (...) {
        return -1;
    }
}

template <typename Source>
int SeekTo(void* stream, opus_int64 offset, int whence)
{
    try {
        const File::Origin origin = whence == SEEK_SET   ? File::Origin::Begin
                                    : whence == SEEK_CUR ? File::Origin::Current
                                                         : File::Origin::End;
        SourceOf<Source>(stream).Seek(offset, origin);
        return 0;
    } catch (...) {
        return -1;
    }
}

template <typename Source>
opus_int64 TellOffset(void* stream)
{
    try {
        return SourceOf<Source>(stream).Tell();
    } catch (...) {
        return -1;
    }
}

// Why the file library refused a file, for the user.
std::string OpenFailure(int error)
{
    switch (error) {
    case OP_ENOTFORMAT:
        return "is not an Ogg Vorbis or Opus file";
    case OP_EVERSION:
        return "holds an Opus stream of a version this program does not read";
    case OP_EBADHEADER:
        return "has a damaged Opus header";
    case OP_EBADTIMESTAMP:
        return "has Opus granule positions that contradict its packets";
    case OP_EREAD:
        return "cannot be read to the end";
    default:
        return "holds an Opus stream that cannot be decoded";
    }
}

// No close: the file closes itself.
template <typename Source>
const OpusFileCallbacks kCallbacks = {ReadBytes<Source>, SeekTo<Source>, TellOffset<Source>, nullptr};

// Where the first Opus stream's audio begins: after the page that completes
// its second packet, the comment header, which ends its page. 0 when the
// headers are not found whole.
std::int64_t FirstAudioOffset(const std::string& path)
{
    constexpr std::size_t kBlockBytes = 16 * 1024;
    constexpr int kHeaderPackets = 2;
    File file = File::OpenRead(path);
    PageReader pages(file);
    std::int64_t offset = 0;
    int serial = 0;
    bool found = false;
    int packets = 0;
    ogg_page page;
    for (;;) {
        const long step = ogg_sync_pageseek(pages.Sync(), &page);
        if (step == 0) {
            if (pages.ReadBlock(kBlockBytes) == 0)
                return 0;
            continue;
        }
        offset += step > 0 ? step : -step;
        if (step < 0)
            continue;
        if (!found && ogg_page_bos(&page) && page.body_len >= 8 && std::memcmp(page.body, "OpusHead", 8) == 0) {
            found = true;
            serial = ogg_page_serialno(&page);
        }
        if (found && ogg_page_serialno(&page) == serial && (packets += ogg_page_packets(&page)) >= kHeaderPackets)
            return offset;
    }
}

} // namespace

std::unique_ptr<OpusFileDecoder> OpusFileDecoder::Open(const std::string& path)
{
    std::unique_ptr<OpusFileDecoder> decoder(new OpusFileDecoder(RenumberedFile::OpenRead(path)));
    int error = 0;
    decoder->handle_.reset(op_open_callbacks(&decoder->file_, &kCallbacks<RenumberedFile>, nullptr, 0, &error));
    if (!decoder->handle_ || error != 0)
        throw NotOggAudioError(path, OpenFailure(error));
    op_set_dither_enabled(decoder->handle_.get(), 0);
    decoder->firstAudio_ = FirstAudioOffset(path);
    return decoder;
}

bool OpusFileDecoder::HoldsOpus(const std::string& path)
{
    // The first link's headers tell: the file is read as it is.
    File file = File::OpenRead(path);
    int error = 0;
    OggOpusFile* handle = op_test_callbacks(&file, &kCallbacks<File>, nullptr, 0, &error);
    op_free(handle);
    return error != OP_ENOTFORMAT;
}

int OpusFileDecoder::Links() { return op_link_count(handle_.get()); }

std::optional<StreamFormat> OpusFileDecoder::Format(int link)
{
    const OpusHead* head = op_head(handle_.get(), link);
    if (!head)
        return std::nullopt;
    return StreamFormat{head->channel_count, kOpusRate, head->version, std::string(kOpusDescriptor.Name),
                        head->mapping_family <= kOpusMostPlacedFamily};
}

std::int64_t OpusFileDecoder::Frames(int link) { return op_pcm_total(handle_.get(), link); }

double OpusFileDecoder::Seconds(int link)
{
    const std::int64_t frames = Frames(link);
    return frames < 0 ? -1.0 : static_cast<double>(frames) / kOpusRate;
}

std::int64_t OpusFileDecoder::Serial() { return op_serialno(handle_.get(), -1); }

std::int64_t OpusFileDecoder::LinkStart(int link)
{
    // Each link's raw size runs from its start to the next one's.
    std::int64_t start = 0;
    for (int before = 0; before < link; ++before)
        start += op_raw_total(handle_.get(), before);
    return start;
}

std::int64_t OpusFileDecoder::AudioStart(int link) { return link == 0 ? firstAudio_ : LinkStart(link); }

std::int64_t OpusFileDecoder::LastPageStart() { return op_raw_total(handle_.get(), -1); }

std::int64_t OpusFileDecoder::BytesConsumed() { return op_raw_tell(handle_.get()); }

std::size_t OpusFileDecoder::WholePacketReadBytes()
{
    int channels = 1;
    for (int link = 0; link < Links(); ++link)
        channels = std::max(channels, op_channel_count(handle_.get(), link));
    return static_cast<std::size_t>(kOpusLargestPacketFrames) * static_cast<std::size_t>(channels) * sizeof(opus_int16);
}

void OpusFileDecoder::SeekFrame(std::int64_t frame) { op_pcm_seek(handle_.get(), frame); }

long OpusFileDecoder::ReadPcm16(char* buffer, int bytes, int* link)
{
    samples_.resize(static_cast<std::size_t>(bytes) / sizeof(opus_int16));
    int decodedLink = 0;
    const int frames = op_read(handle_.get(), samples_.data(), static_cast<int>(samples_.size()), &decodedLink);
    if (frames < 0) {
        // The library repeats some failures (a damaged later link, a read
        // error) at the same place for ever: the decodable audio ends there.
        const std::int64_t at = op_raw_tell(handle_.get());
        if (frames != OP_HOLE && at == failedAt_)
            return 0;
        failedAt_ = at;
        return -1;
    }
    if (link)
        *link = decodedLink;
    const std::size_t count = static_cast<std::size_t>(frames) * static_cast<std::size_t>(op_channel_count(handle_.get(), decodedLink));
    std::memcpy(buffer, samples_.data(), count * sizeof(opus_int16));
    return static_cast<long>(count * sizeof(opus_int16));
}

} // namespace oq
