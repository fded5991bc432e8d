#pragma once

#include "codec/ChannelLayout.h"

#include <cstdint>
#include <vector>

namespace oq {

class File;

// The RIFF size field counts the file's bytes after its first 8 in 32 bits;
// it is the first size field to overflow.
constexpr std::uint64_t kMostRiffSize = 0xFFFFFFFFull;

// The header of a 16-bit PCM WAV file, written before the samples with its
// size fields 0 and completed once they are written.
//
// One or two channels get the canonical 44-byte header (format 1, PCM).
// More get WAVE_FORMAT_EXTENSIBLE with the layout's channel mask, so that a
// reader puts each channel on its loudspeaker; the samples must then be in
// the WAV order (ChannelLayout::ToWavOrder).
//
// A file that may outgrow the RIFF size field is given room for RF64: a JUNK
// chunk of a ds64 chunk's size right after "WAVE". If the file does pass
// the limit, Complete turns it into RF64 with its 64-bit sizes in a ds64
// chunk there; if not, it stays a plain RIFF file that readers pass the
// JUNK chunk of. A file without that room is byte for byte what it was
// before RF64 existed.
class WavHeader {
public:
    WavHeader(const ChannelLayout& layout, long rate, bool rf64Room);

    // The header as written first, sizes 0.
    const std::vector<unsigned char>& Bytes() const noexcept { return bytes_; }
    // Where the samples begin: the header's length.
    std::int64_t DataStart() const noexcept { return static_cast<std::int64_t>(bytes_.size()); }
    bool Rf64Room() const noexcept { return rf64Room_; }
    // Whether a file of `fileBytes` fits the header: always with RF64 room,
    // else while its RIFF size stays within `mostRiffSize`.
    bool Fits(std::uint64_t fileBytes, std::uint64_t mostRiffSize) const noexcept;

    // Writes the sizes for the output's present length (its samples
    // complete); RF64 when the RIFF size passes `mostRiffSize` (lower only
    // in tests), which requires the room (see Fits). Raises IoError on a
    // failed write.
    void Complete(File& output, std::uint64_t mostRiffSize = kMostRiffSize) const;

private:
    std::vector<unsigned char> bytes_;
    bool rf64Room_;
    std::int64_t frameBytes_;
};

} // namespace oq
