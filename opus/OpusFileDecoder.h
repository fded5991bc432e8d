#pragma once

#include "codec/FileDecoder.h"
#include "ogg/RenumberedFile.h"

#include <memory>
#include <opusfile.h>
#include <string>
#include <vector>

namespace oq {

// A file decoded in one pass by the Opus file library: 48 kHz 16-bit
// samples after each link's pre-skip, its output gain applied and without
// dither, so that every decoding of a file gives the same bytes. The library
// reads through the file held here, each link under a serial number of its
// own (RenumberedFile), whose address therefore never changes: the decoder
// lives behind the unique_ptr that Open returns.
class OpusFileDecoder final : public FileDecoder {
public:
    // Never null. Raises NotOggAudioError when the file is not an Ogg Opus
    // stream the library accepts, IoError when it cannot be opened for
    // reading at all.
    static std::unique_ptr<OpusFileDecoder> Open(const std::string& path);
    // Whether the library finds an Opus stream at the file's start (reading
    // its headers only), usable or not.
    static bool HoldsOpus(const std::string& path);
    OpusFileDecoder(const OpusFileDecoder&) = delete;
    OpusFileDecoder& operator=(const OpusFileDecoder&) = delete;
    ~OpusFileDecoder() override = default;

    int Links() override;
    // The version is OpusHead's (1 for the current format).
    std::optional<StreamFormat> Format(int link) override;
    std::int64_t Frames(int link) override;
    double Seconds(int link) override;
    std::int64_t Serial() override;
    std::int64_t LinkStart(int link) override;
    // The library keeps where audio begins to itself: it is looked up for
    // the first link, the link's start stands for it otherwise.
    std::int64_t AudioStart(int link) override;
    // The library tells only where the data ends, which stands for it here.
    std::int64_t LastPageStart() override;
    std::int64_t BytesConsumed() override;
    // The longest packet in the most channels of any link: the library
    // soft-clips what one read takes as one piece.
    std::size_t WholePacketReadBytes() override;
    void SeekFrame(std::int64_t frame) override;
    long ReadPcm16(char* buffer, int bytes, int* link) override;

private:
    struct Free {
        void operator()(OggOpusFile* handle) const noexcept { op_free(handle); }
    };

    explicit OpusFileDecoder(RenumberedFile file) : file_(std::move(file)) {}

    RenumberedFile file_; // declared before the handle, which reads through it to its end
    std::unique_ptr<OggOpusFile, Free> handle_;
    std::int64_t firstAudio_ = 0;
    std::vector<opus_int16> samples_;
    // Where in the file the last failed read left off, -1 before any: a
    // failure that does not move on cannot be read past.
    std::int64_t failedAt_ = -1;
};

} // namespace oq
