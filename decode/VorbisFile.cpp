#include "decode/VorbisFile.h"

#include "decode/StreamCallbacks.h"

#include <utility>

namespace oq {

VorbisFile::VorbisFile(std::string path) : path_(std::move(path)) {}

VorbisFile::~VorbisFile()
{
    if (opened_)
        ov_clear(&handle_);
}

std::unique_ptr<VorbisFile> OpenVorbisFile(const std::string& path)
{
    std::unique_ptr<VorbisFile> decoder(new VorbisFile(path));
    decoder->file_ = File::OpenRead(path);
    if (ov_open_callbacks(&decoder->file_, &decoder->handle_, nullptr, 0, StreamCallbacks) != 0) {
        // A failed open leaves the file to us (the library calls no close),
        // and clearing the half-initialised handle is safe.
        ov_clear(&decoder->handle_);
        return nullptr;
    }
    decoder->opened_ = true;
    decoder->info_ = ov_info(&decoder->handle_, 0);
    if (!decoder->info_)
        return nullptr;
    return decoder;
}

} // namespace oq
