#pragma once

#include "codec/FileDecoder.h"

#include <memory>

namespace oq {

class VorbisFile;

// A file decoded in one pass by the Vorbis file library.
class VorbisFileDecoder final : public FileDecoder {
public:
    explicit VorbisFileDecoder(std::unique_ptr<VorbisFile> file);
    ~VorbisFileDecoder() override;

    int Links() override;
    std::optional<StreamFormat> Format(int link) override;
    std::int64_t Frames(int link) override;
    double Seconds(int link) override;
    std::int64_t Serial() override;
    std::int64_t LinkStart(int link) override;
    std::int64_t AudioStart(int link) override;
    std::int64_t LastPageStart() override;
    std::int64_t BytesConsumed() override;
    void SeekFrame(std::int64_t frame) override;
    long ReadPcm16(char* buffer, int bytes, int* link) override;

private:
    std::unique_ptr<VorbisFile> file_;
};

} // namespace oq
