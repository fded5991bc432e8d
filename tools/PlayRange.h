#pragma once

#include "codec/ChannelLayout.h"
#include "media/MPEGData.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace oq {

class FileDecoder;
struct StreamFormat;

// The stretch of the open file that a play button plays, in sample frames
// per channel.
struct PlayRange {
    std::int64_t Start = 0;
    std::int64_t Length = 0; // 0: nothing plays
    bool operator==(const PlayRange&) const = default;
};

inline constexpr int kMinPlaySeconds = 1;
inline constexpr int kMaxPlaySeconds = 99;

// The range around the marker at block position `position` (0..BlockCount):
// with `upTo` the `playSeconds` that end at the marker, otherwise the ones
// that start there. A start before the file start is moved to 0 without
// shortening the length; a marker at the end plays nothing from it; the
// length never exceeds the file. A record without length (no blocks, no
// time) plays nothing.
PlayRange ComputePlayRange(const MPEGData& file, std::int32_t position, int playSeconds, bool upTo);

// Reads the decoded 16-bit little-endian PCM of one range of a file, one
// decoder read at a time, for a sound device to play. The channels come in
// the order of their loudspeaker mask (see ChannelLayout), which is the
// order a sound device takes them in.
//
// The range's samples are those that one pass over the whole file gives.
// The start is found with the decoder's own sample seek. A codec whose
// decoder converges only over pre-roll (Opus) is sought the same pre-roll
// before the start that a section of the file begins on, and its output up
// to the start is dropped. That seek trusts the page granule positions: on
// files whose granules disagree with the running sum of their packets (some
// muxers write such files) it can land a few hundred samples off.
//
// Opening reads only the headers: the seek and the pre-roll (for Opus up to
// 1.4 s of audio, tens of ms of decoding for 5.1) wait for the first Next(),
// so that they run on the thread that reads the range, not the one that
// opens it.
class PcmRangeReader {
public:
    // The usual decoder read: 2048 frames of 16-bit stereo. A codec whose
    // 16-bit conversion depends on the read's length reads at least a whole
    // packet, see FileDecoder::WholePacketReadBytes.
    static constexpr int kReadBytes = 8192;

    // Null when there is nothing to play (a length below 1). Raises IoError
    // for a file that cannot be read and NotOggAudioError for one that is
    // not Ogg Vorbis or Opus.
    static std::unique_ptr<PcmRangeReader> Open(const std::string& fileName, std::int64_t start,
                                                std::int64_t length);
    ~PcmRangeReader();
    PcmRangeReader(const PcmRangeReader&) = delete;
    PcmRangeReader& operator=(const PcmRangeReader&) = delete;

    // The format of the link the range starts in, which the device is
    // opened with.
    int Channels() const noexcept { return layout_.Channels(); }
    long Rate() const noexcept { return rate_; }
    const ChannelLayout& Layout() const noexcept { return layout_; }

    // The next read (whole frames, at most ReadBytes()), empty at the end of
    // the range or of the stream. A link of another format than the range's
    // first ends the range: its samples would be played at the wrong speed
    // or with mixed-up channels. A stop requested while the first read
    // decodes the pre-roll ends the range at the next decoder read.
    std::vector<char> Next(std::stop_token stop = {});
    bool AtEnd() const noexcept { return end_; }
    std::size_t ReadBytes() const noexcept { return buffer_.size(); }

private:
    PcmRangeReader(std::unique_ptr<FileDecoder> file, const StreamFormat& format, std::int64_t from,
                   std::int64_t start, std::int64_t length);
    // Seeks frame seekFrom_ and decodes up to the range's start, which is
    // dropped; false when the stream or the stop came first.
    bool SkipToStart(const std::stop_token& stop);
    // Refills buffer_ with one decoder read; false at the end of the stream
    // or of the range's format.
    bool Refill();

    std::unique_ptr<FileDecoder> file_;
    ChannelLayout layout_;
    long rate_ = 0;
    std::vector<char> buffer_; // one decoder read, in the decoder's channel order
    std::size_t at_ = 0;       // bytes of buffer_ handed over or dropped
    std::size_t filled_ = 0;   // bytes of buffer_ the last read gave
    std::int64_t remaining_ = 0; // bytes of the range still to hand over
    std::int64_t seekFrom_ = 0;  // the frame sought before the first read
    std::int64_t preRollBytes_ = 0; // decoded from seekFrom_ on and dropped
    bool sought_ = false;        // the seek and the pre-roll are done
    bool end_ = false;
};

} // namespace oq
