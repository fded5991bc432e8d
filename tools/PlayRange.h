#pragma once

#include "media/MPEGData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace oq {

class FileDecoder;

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
// decoder read (at most kReadBytes) at a time, for a sound device to play.
//
// The start is found with the decoder's own sample seek. That seek trusts
// the page granule positions: on files whose granules disagree with the
// running sum of their packets (some muxers write such files) it can land a
// few hundred samples off. The length is counted in whole reads, so the
// last read may run past the range by less than one read.
class PcmRangeReader {
public:
    static constexpr int kReadBytes = 8192; // one decoder read: 2048 frames of 16-bit stereo

    // Null when there is nothing to play (a length below 1). Raises IoError
    // for a file that cannot be read and NotOggAudioError for one that is
    // not Ogg Vorbis or Opus.
    static std::unique_ptr<PcmRangeReader> Open(const std::string& fileName, std::int64_t start,
                                                std::int64_t length);
    ~PcmRangeReader();
    PcmRangeReader(const PcmRangeReader&) = delete;
    PcmRangeReader& operator=(const PcmRangeReader&) = delete;

    // The format of the first link, which the device is opened with.
    int Channels() const noexcept { return channels_; }
    long Rate() const noexcept { return rate_; }

    // The next read, empty at the end of the range or of the stream. A link
    // of another format than the first ends the range: its samples would be
    // played at the wrong speed or with mixed-up channels.
    std::vector<char> Next();
    bool AtEnd() const noexcept { return end_; }

private:
    explicit PcmRangeReader(std::unique_ptr<FileDecoder> file, std::int64_t remainingBytes);

    std::unique_ptr<FileDecoder> file_;
    std::int64_t remaining_ = 0; // bytes still wanted
    int channels_ = 0;
    long rate_ = 0;
    bool end_ = false;
};

} // namespace oq
