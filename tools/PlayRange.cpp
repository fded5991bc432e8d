#include "tools/PlayRange.h"

#include "codec/FileDecoder.h"
#include "media/CodecChoice.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>

namespace oq {

namespace {

constexpr int kSampleBytes = 2; // 16-bit PCM
// A decoder read that keeps failing is a damaged stretch; after this many
// in a row the range ends instead of spinning.
constexpr int kMaxFailedReads = 64;

// Bytes of one 16-bit frame.
std::int64_t FrameBytes(int channels) { return static_cast<std::int64_t>(channels) * kSampleBytes; }
std::int64_t FrameBytes(const StreamFormat& format) { return FrameBytes(format.Channels); }

// The link that holds frame `frame`, and its first frame in the file's
// count; the last link for a frame past the end, and the first when the
// library cannot tell a link's length.
struct LinkPlace {
    int Link = 0;
    std::int64_t First = 0;
};

LinkPlace LinkHolding(FileDecoder& file, std::int64_t frame)
{
    LinkPlace place;
    for (const int links = file.Links(); place.Link + 1 < links; ++place.Link) {
        const std::int64_t frames = file.Frames(place.Link);
        if (frames < 0)
            return {};
        if (place.First + frames > frame)
            break;
        place.First += frames;
    }
    return place;
}

// Frames a decoder sought into the middle decodes before its output is the
// one pass's: what a section of the file starts on (for Opus the most its
// pre-skip can drop, 65,535 frames, about 1.4 s at 48 kHz; shorter pre-roll
// leaves small differences for a few hundred ms). None for a codec whose
// seek alone is exact.
std::int64_t PreRollOf(const StreamFormat& format)
{
    const CodecDescriptor* codec = FindCodec(format.Codec);
    return codec && codec->OpensOnPreRoll() ? codec->MostPreSkip : 0;
}

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
    const LinkPlace place = LinkHolding(*file, start);
    const std::optional<StreamFormat> format = file->Format(place.Link);
    if (!format)
        return nullptr;
    // Pre-roll from an earlier link is of no use: a link's decoder starts anew.
    const std::int64_t from = std::max(place.First, start - PreRollOf(*format));
    return std::unique_ptr<PcmRangeReader>(new PcmRangeReader(std::move(file), *format, from, start, length));
}

PcmRangeReader::PcmRangeReader(std::unique_ptr<FileDecoder> file, const StreamFormat& format, std::int64_t from,
                               std::int64_t start, std::int64_t length)
    : file_(std::move(file)), layout_(format.Channels, format.PlacedChannels), rate_(format.Rate),
      buffer_(std::max<std::size_t>(kReadBytes, file_->WholePacketReadBytes())),
      remaining_(length * FrameBytes(format)), seekFrom_(from), preRollBytes_((start - from) * FrameBytes(format))
{
}

PcmRangeReader::~PcmRangeReader() = default;

bool PcmRangeReader::SkipToStart(const std::stop_token& stop)
{
    // A failed seek leaves the decoder where it was (the file start); the
    // range then plays from the wrong place rather than not at all.
    file_->SeekFrame(seekFrom_);
    std::int64_t dropped = preRollBytes_;
    while (dropped > 0) {
        if (stop.stop_requested() || !Refill())
            return false;
        at_ = static_cast<std::size_t>(std::min<std::int64_t>(dropped, static_cast<std::int64_t>(filled_)));
        dropped -= static_cast<std::int64_t>(at_);
    }
    return true;
}

bool PcmRangeReader::Refill()
{
    at_ = 0;
    filled_ = 0;
    for (int failed = 0; failed < kMaxFailedReads; ++failed) {
        int link = 0;
        const long n = file_->ReadPcm16(buffer_.data(), static_cast<int>(buffer_.size()), &link);
        if (n == 0)
            return false;
        if (n < 0)
            continue; // a hole in the stream: the next read goes on after it
        const auto format = file_->Format(link);
        if (!format || format->Channels != Channels() || format->Rate != rate_)
            return false;
        filled_ = static_cast<std::size_t>(n);
        return true;
    }
    return false;
}

std::vector<char> PcmRangeReader::Next(std::stop_token stop)
{
    if (!sought_) {
        sought_ = true;
        end_ = !SkipToStart(stop);
    }
    if (!end_ && remaining_ > 0 && at_ == filled_ && !Refill())
        end_ = true;
    // The range ends exactly: a read past it gives only its first part.
    const std::size_t given = std::min<std::size_t>(filled_ - at_, static_cast<std::size_t>(remaining_));
    if (end_ || given == 0) {
        end_ = true;
        return {};
    }
    std::vector<char> read(buffer_.begin() + static_cast<std::ptrdiff_t>(at_),
                           buffer_.begin() + static_cast<std::ptrdiff_t>(at_ + given));
    at_ += given;
    remaining_ -= static_cast<std::int64_t>(given);
    layout_.ToWavOrder(reinterpret_cast<unsigned char*>(read.data()), read.size());
    return read;
}

} // namespace oq
