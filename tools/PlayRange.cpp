#include "tools/PlayRange.h"

#include "media/CodecChoice.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace oq {

namespace {

constexpr int kSampleBytes = 2; // 16-bit PCM
// A decoder read that keeps failing is a damaged stretch; after this many
// in a row the range ends instead of spinning.
constexpr int kMaxFailedReads = 64;

std::int64_t Truncated(long double value)
{
    return static_cast<std::int64_t>(std::trunc(value));
}

} // namespace

PlayRange ComputePlayRange(const MPEGData& file, std::int32_t position, int playSeconds, bool upTo)
{
    // Without a length in blocks, time and samples the divisions below mean nothing.
    if (file.BlockCount < 1 || !(file.TimeTotal > 0) || file.PcmTotal < 1)
        return {};
    const long double seconds = std::clamp(playSeconds, kMinPlaySeconds, kMaxPlaySeconds);
    const long double pcmTotal = static_cast<long double>(file.PcmTotal);
    PlayRange range;
    // Held at the file's length before truncating, which also keeps a tiny
    // TimeTotal from overflowing the count.
    range.Length = Truncated(std::min(seconds / file.TimeTotal * pcmTotal, pcmTotal));
    const auto markerSample = [&] {
        return position > 0 ? Truncated(static_cast<long double>(position) / file.BlockCount * pcmTotal) : 0;
    };
    if (upTo) {
        range.Start = markerSample() - range.Length;
    } else if (position >= file.BlockCount) {
        return {};
    } else {
        range.Start = markerSample();
    }
    // Moving the start up to 0 keeps the length: up to an early marker plays
    // the file's first Length samples, past the marker.
    range.Start = std::max<std::int64_t>(range.Start, 0);
    return range;
}

std::unique_ptr<PcmRangeReader> PcmRangeReader::Open(const std::string& fileName, std::int64_t start,
                                                     std::int64_t length)
{
    if (length < 1)
        return nullptr;
    std::unique_ptr<FileDecoder> file = OpenFileDecoder(fileName);
    const std::int64_t bytes = length * file->Format(0)->Channels * kSampleBytes;
    // A failed seek leaves the decoder at the file start; the range plays from there.
    file->SeekFrame(start);
    return std::unique_ptr<PcmRangeReader>(new PcmRangeReader(std::move(file), bytes));
}

PcmRangeReader::PcmRangeReader(std::unique_ptr<FileDecoder> file, std::int64_t remainingBytes)
    : file_(std::move(file)), remaining_(remainingBytes), channels_(file_->Format(0)->Channels),
      rate_(file_->Format(0)->Rate)
{
}

PcmRangeReader::~PcmRangeReader() = default;

std::vector<char> PcmRangeReader::Next()
{
    std::vector<char> buffer(kReadBytes);
    for (int failed = 0; !end_ && remaining_ > 0 && failed < kMaxFailedReads; ++failed) {
        int link = 0;
        const long n = file_->ReadPcm16(buffer.data(), kReadBytes, &link);
        if (n == 0)
            break;
        if (n < 0)
            continue; // a hole in the stream: the next read goes on after it
        const auto format = file_->Format(link);
        if (!format || format->Channels != channels_ || format->Rate != rate_)
            break;
        buffer.resize(static_cast<std::size_t>(n));
        remaining_ -= n;
        return buffer;
    }
    end_ = true;
    return {};
}

} // namespace oq
