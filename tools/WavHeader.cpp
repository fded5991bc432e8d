#include "tools/WavHeader.h"

#include "base/Error.h"
#include "base/File.h"

#include <array>
#include <cstring>

namespace oq {

namespace {

constexpr int kBitsPerSample = 16;
constexpr int kBytesPerSample = kBitsPerSample / 8;
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// WAVE_FORMAT_EXTENSIBLE is what a reader needs to place more than two
// channels; one or two stay in the plain form every reader knows.
constexpr int kMostPlainChannels = 2;
constexpr std::uint32_t kPcmFormatBytes = 16;
// The PCM block plus cbSize (2) and its 22 bytes: valid bits (2), channel
// mask (4) and the sub-format GUID (16).
constexpr std::uint16_t kExtensionBytes = 22;
constexpr std::uint32_t kExtensibleFormatBytes = kPcmFormatBytes + 2 + kExtensionBytes;
// KSDATAFORMAT_SUBTYPE_PCM, {00000001-0000-0010-8000-00AA00389B71}, as stored.
constexpr std::array<unsigned char, 16> kPcmSubFormat = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                         0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// ds64: RIFF size, data size and sample count (8 bytes each), then the
// length of a table of other chunks' sizes (4, always 0 here).
constexpr std::uint32_t kDs64Bytes = 8 + 8 + 8 + 4;
constexpr std::int64_t kChunkHeadBytes = 8; // tag and 32-bit size
// "RIFF", its size, "WAVE": the room for RF64 follows.
constexpr std::int64_t kRoomOffset = 12;
// What RF64 puts in a 32-bit size field whose value is in ds64.
constexpr std::uint32_t kSizeInDs64 = 0xFFFFFFFF;

class HeaderBytes {
public:
    void Tag(const char (&text)[5]) { bytes_.insert(bytes_.end(), text, text + 4); }
    void Number(std::uint64_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            bytes_.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }
    void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    void Append(const unsigned char* data, std::size_t count) { bytes_.insert(bytes_.end(), data, data + count); }
    std::vector<unsigned char> Take() { return std::move(bytes_); }

private:
    std::vector<unsigned char> bytes_;
};

void WriteAt(File& output, std::int64_t offset, HeaderBytes bytes)
{
    const std::vector<unsigned char> data = bytes.Take();
    output.Seek(offset);
    output.Write(data.data(), data.size());
}

} // namespace

WavHeader::WavHeader(const ChannelLayout& layout, long rate, bool rf64Room)
    : rf64Room_(rf64Room), frameBytes_(std::int64_t{layout.Channels()} * kBytesPerSample)
{
    const auto channels = static_cast<std::uint32_t>(layout.Channels());
    const auto samplesPerSecond = static_cast<std::uint32_t>(rate);
    const bool extensible = layout.Channels() > kMostPlainChannels;
    HeaderBytes header;
    header.Tag("RIFF");
    header.Number(0, 4);
    header.Tag("WAVE");
    if (rf64Room) {
        header.Tag("JUNK");
        header.Number(kDs64Bytes, 4);
        header.Zeros(kDs64Bytes);
    }
    header.Tag("fmt ");
    header.Number(extensible ? kExtensibleFormatBytes : kPcmFormatBytes, 4);
    header.Number(extensible ? kFormatExtensible : kFormatPcm, 2);
    header.Number(channels, 2);
    header.Number(samplesPerSecond, 4);
    header.Number(channels * samplesPerSecond * kBytesPerSample, 4);
    header.Number(channels * kBytesPerSample, 2);
    header.Number(kBitsPerSample, 2);
    if (extensible) {
        header.Number(kExtensionBytes, 2);
        header.Number(kBitsPerSample, 2); // every bit of each sample is valid
        header.Number(layout.WavMask(), 4);
        header.Append(kPcmSubFormat.data(), kPcmSubFormat.size());
    }
    header.Tag("data");
    header.Number(0, 4);
    bytes_ = header.Take();
}

bool WavHeader::Fits(std::uint64_t fileBytes, std::uint64_t mostRiffSize) const noexcept
{
    return rf64Room_ || fileBytes - kChunkHeadBytes <= mostRiffSize;
}

void WavHeader::Complete(File& output, std::uint64_t mostRiffSize) const
{
    const std::int64_t fileBytes = output.Size();
    const std::int64_t riffSize = fileBytes - kChunkHeadBytes; // all that follows the size field
    const std::int64_t dataSize = fileBytes - DataStart();
    const std::int64_t dataSizeOffset = DataStart() - 4;
    HeaderBytes riff;
    HeaderBytes data;
    if (static_cast<std::uint64_t>(riffSize) <= mostRiffSize) {
        riff.Tag("RIFF");
        riff.Number(static_cast<std::uint64_t>(riffSize), 4);
        data.Number(static_cast<std::uint64_t>(dataSize), 4);
    } else {
        if (!rf64Room_) // the writer checks Fits before each write; this is the last guard
            throw RangeError("\"" + output.Path() + "\" has grown past what a WAV file without room for RF64 can describe");
        riff.Tag("RF64");
        riff.Number(kSizeInDs64, 4);
        data.Number(kSizeInDs64, 4);
        HeaderBytes ds64;
        ds64.Tag("ds64");
        ds64.Number(kDs64Bytes, 4);
        ds64.Number(static_cast<std::uint64_t>(riffSize), 8);
        ds64.Number(static_cast<std::uint64_t>(dataSize), 8);
        ds64.Number(static_cast<std::uint64_t>(frameBytes_ > 0 ? dataSize / frameBytes_ : 0), 8); // sample frames
        ds64.Number(0, 4);
        WriteAt(output, kRoomOffset, std::move(ds64));
    }
    WriteAt(output, 0, std::move(riff));
    WriteAt(output, dataSizeOffset, std::move(data));
}

} // namespace oq
