#include "vorbis/VorbisFile.h"

#include "vorbis/StreamCallbacks.h"
#include "vorbis/HeaderPackets.h"
#include "base/Error.h"

#include <utility>

namespace oq {

namespace {

// The decoder library builds a link's codebooks only when decoding of the
// link starts, and a failure then is not final (see DecoderCanUse): every
// link is made ready here, where a failure can still refuse the file.
bool EveryLinkDecodable(OggVorbis_File& handle)
{
    for (long link = 0; link < ov_streams(&handle); ++link) {
        vorbis_info* info = ov_info(&handle, static_cast<int>(link));
        if (!info || !DecoderCanUse(*info))
            return false;
    }
    return true;
}

} // namespace

VorbisFile::VorbisFile(std::string path) : path_(std::move(path)) {}

VorbisFile::~VorbisFile()
{
    if (opened_)
        ov_clear(&handle_);
}

std::unique_ptr<VorbisFile> OpenVorbisFile(const std::string& path)
{
    std::unique_ptr<VorbisFile> decoder(new VorbisFile(path));
    decoder->file_ = RenumberedFile::OpenRead(path);
    if (ov_open_callbacks(&decoder->file_, &decoder->handle_, nullptr, 0, StreamCallbacks) != 0) {
        // A failed open leaves the file to us (the library calls no close),
        // and clearing the half-initialised handle is safe.
        ov_clear(&decoder->handle_);
        throw NotOggAudioError(path, "is not an Ogg Vorbis or Opus file");
    }
    decoder->opened_ = true;
    decoder->info_ = ov_info(&decoder->handle_, 0);
    if (!decoder->info_ || !EveryLinkDecodable(decoder->handle_))
        throw NotOggAudioError(path, "has a Vorbis setup header that cannot be decoded");
    return decoder;
}

} // namespace oq
