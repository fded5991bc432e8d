#include "vorbis/VorbisFileDecoder.h"

#include "vorbis/VorbisDescriptor.h"
#include "vorbis/VorbisFile.h"

namespace oq {

namespace {

// ov_read's output format: little-endian, 16-bit words, signed.
constexpr int kLittleEndian = 0;
constexpr int kWordBytes = 2;
constexpr int kSigned = 1;

} // namespace

VorbisFileDecoder::VorbisFileDecoder(std::unique_ptr<VorbisFile> file) : file_(std::move(file)) {}

VorbisFileDecoder::~VorbisFileDecoder() = default;

int VorbisFileDecoder::Links() { return static_cast<int>(ov_streams(file_->Handle())); }

std::optional<StreamFormat> VorbisFileDecoder::Format(int link)
{
    const vorbis_info* info = ov_info(file_->Handle(), link);
    if (!info)
        return std::nullopt;
    return StreamFormat{info->channels, info->rate, info->version, std::string(kVorbisDescriptor.Name)};
}

std::int64_t VorbisFileDecoder::Frames(int link) { return ov_pcm_total(file_->Handle(), link); }

double VorbisFileDecoder::Seconds(int link) { return ov_time_total(file_->Handle(), link); }

std::int64_t VorbisFileDecoder::Serial() { return ov_serialnumber(file_->Handle(), -1); }

std::int64_t VorbisFileDecoder::LinkStart(int link) { return file_->Handle()->offsets[link]; }

std::int64_t VorbisFileDecoder::AudioStart(int link) { return file_->Handle()->dataoffsets[link]; }

std::int64_t VorbisFileDecoder::LastPageStart() { return ov_raw_total(file_->Handle(), -1); }

std::int64_t VorbisFileDecoder::BytesConsumed() { return ov_raw_tell(file_->Handle()); }

void VorbisFileDecoder::SeekFrame(std::int64_t frame) { ov_pcm_seek(file_->Handle(), frame); }

long VorbisFileDecoder::ReadPcm16(char* buffer, int bytes, int* link)
{
    return ov_read(file_->Handle(), buffer, bytes, kLittleEndian, kWordBytes, kSigned, link);
}

} // namespace oq
