#pragma once

#include "ogg/RenumberedFile.h"

#include <memory>
#include <string>
#include <vorbis/vorbisfile.h>

namespace oq {

// One open decoder handle of the Vorbis file library together with the file
// it reads, each link under a serial number of its own (RenumberedFile).
// The library keeps pointers into the handle, so it never moves: it lives
// behind the unique_ptr that OpenVorbisFile returns, and the destructor
// clears the handle, which also closes the file.
class VorbisFile {
public:
    VorbisFile(const VorbisFile&) = delete;
    VorbisFile& operator=(const VorbisFile&) = delete;
    ~VorbisFile();

    OggVorbis_File* Handle() noexcept { return &handle_; }
    // The format of the first logical stream (the file's first link).
    const vorbis_info& Info() const noexcept { return *info_; }
    const std::string& Path() const noexcept { return path_; }

private:
    friend std::unique_ptr<VorbisFile> OpenVorbisFile(const std::string& path);
    explicit VorbisFile(std::string path);

    std::string path_;
    RenumberedFile file_;
    OggVorbis_File handle_{};
    const vorbis_info* info_ = nullptr;
    bool opened_ = false;
};

// Opens `path` for decoding; the result is never null. Raises
// NotOggAudioError when the file is not an Ogg Vorbis stream the library
// accepts, or has a link whose setup header the library parses but cannot
// decode with; IoError when the file cannot be opened for reading at all
// (missing, unreadable, a folder).
std::unique_ptr<VorbisFile> OpenVorbisFile(const std::string& path);

} // namespace oq
