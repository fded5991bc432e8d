#include "decode/WavWriter.h"

#include "decode/VorbisFile.h"
#include "engine/Error.h"
#include "engine/File.h"
#include "engine/JobControl.h"
#include "engine/JobObserver.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace oq {

namespace {

constexpr std::size_t kReadBytes = 8192;
constexpr int kBitsPerSample = 16;
constexpr int kBytesPerSample = kBitsPerSample / 8;
constexpr std::size_t kHeaderBytes = 44;
constexpr std::size_t kDataTagOffset = 36;

// ov_read's output format: little-endian, 16-bit words, signed.
constexpr int kLittleEndian = 0;
constexpr int kSigned = 1;

// The header as written first: both size fields 0 until the data is written.
using Header = std::array<unsigned char, kHeaderBytes>;

void PutTag(unsigned char* at, const char (&text)[5]) { std::memcpy(at, text, 4); }

void PutLittleEndian(unsigned char* at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

Header MakeHeader(const vorbis_info& format)
{
    const auto channels = static_cast<std::uint32_t>(format.channels);
    const auto rate = static_cast<std::uint32_t>(format.rate);
    Header header{};
    PutTag(&header[0], "RIFF");
    PutTag(&header[8], "WAVE");
    PutTag(&header[12], "fmt ");
    PutLittleEndian(&header[16], 16, 4); // size of the PCM format block
    PutLittleEndian(&header[20], 1, 2);  // PCM
    PutLittleEndian(&header[22], channels, 2);
    PutLittleEndian(&header[24], rate, 4);
    PutLittleEndian(&header[28], channels * rate * kBytesPerSample, 4);
    PutLittleEndian(&header[32], channels * kBytesPerSample, 2);
    PutLittleEndian(&header[34], kBitsPerSample, 2);
    PutTag(&header[kDataTagOffset], "data");
    return header;
}

// Writes a tag and the 32-bit size that follows it at `offset`.
void WriteSizedTag(File& output, std::int64_t offset, const char (&tag)[5], std::int64_t size)
{
    unsigned char bytes[8];
    PutTag(bytes, tag);
    PutLittleEndian(bytes + 4, static_cast<std::uint32_t>(size), 4);
    output.Seek(offset);
    output.Write(bytes, sizeof bytes);
}

void CompleteHeader(File& output)
{
    const std::int64_t fileSize = output.Size();
    WriteSizedTag(output, 0, "RIFF", fileSize - 8); // all that follows the size field
    WriteSizedTag(output, kDataTagOffset, "data", fileSize - static_cast<std::int64_t>(kHeaderBytes));
}

// Decoded bytes of all links together: every link has its own channel count.
// Negative when the decoder cannot tell; the limit is then watched while
// writing.
std::int64_t DecodedBytes(VorbisFile& decoder)
{
    OggVorbis_File* handle = decoder.Handle();
    std::int64_t total = 0;
    for (long link = 0; link < ov_streams(handle); ++link) {
        const ogg_int64_t frames = ov_pcm_total(handle, static_cast<int>(link));
        const vorbis_info* format = ov_info(handle, static_cast<int>(link));
        if (frames < 0 || !format)
            return -1;
        total += frames * format->channels * kBytesPerSample;
    }
    return total;
}

std::string TooLongMessage(const std::string& source)
{
    return "\"" + source + "\" decodes to more sample data than a WAV file can describe (4 GiB)";
}

class StatusLine {
public:
    explicit StatusLine(JobObserver& observer) : observer_(observer) {}
    void Show(std::int64_t consumed, std::int64_t total)
    {
        if (consumed <= 0 || total <= 0)
            return;
        // The decoder's total stops at the start of the last page, so the
        // bytes consumed run past it while the last page is decoded.
        const auto percent = std::min(
            static_cast<long long>(static_cast<double>(consumed) / static_cast<double>(total) * 100.0), 100LL);
        std::string text = "Creating WAV File (" + std::to_string(percent) + "%)...";
        if (text != shown_) // a repeated text would only make the window repaint
            observer_.ProcessText(text);
        shown_ = std::move(text);
    }

private:
    JobObserver& observer_;
    std::string shown_;
};

} // namespace

WavOutcome ConvertToWav(const std::string& source, const std::string& output, const JobControl& control,
                        JobObserver& observer, std::uint64_t maxDataBytes)
{
    const auto decoder = OpenVorbisFile(source);
    if (!decoder)
        return WavOutcome::NotOggVorbis;
    const std::int64_t expected = DecodedBytes(*decoder);
    if (expected >= 0 && static_cast<std::uint64_t>(expected) > maxDataBytes)
        throw RangeError(TooLongMessage(source));
    OggVorbis_File* handle = decoder->Handle();
    const std::int64_t total = ov_raw_total(handle, -1);

    File wav = File::Create(output);
    const Header header = MakeHeader(decoder->Info());
    wav.Write(header.data(), header.size());

    StatusLine status(observer);
    std::array<char, kReadBytes> buffer;
    std::uint64_t written = 0;
    WavOutcome outcome = WavOutcome::Written;
    for (;;) {
        const long got = ov_read(handle, buffer.data(), static_cast<int>(buffer.size()), kLittleEndian,
                                 kBytesPerSample, kSigned, nullptr);
        if (got == 0)
            break;
        if (got > 0) {
            // The decoder may give more than the links' lengths promised.
            written += static_cast<std::uint64_t>(got);
            if (written > maxDataBytes)
                throw RangeError(TooLongMessage(source));
            wav.Write(buffer.data(), static_cast<std::size_t>(got));
        }
        status.Show(ov_raw_tell(handle), total);
        if (control.CheckPoint()) {
            outcome = WavOutcome::Cancelled;
            break;
        }
    }
    CompleteHeader(wav);
    wav.Close();
    return outcome;
}

} // namespace oq
