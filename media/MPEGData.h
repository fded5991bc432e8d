#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oq {

// Everything the program knows about one Ogg Vorbis or Opus file. Filled by
// ReadOggFileInfo; BlockCount and ProfileComplete are replaced by the
// analysis once the amplitude profile is complete. Sizes and sample counts
// are 64-bit so that files past 2 GiB are described correctly.
struct MPEGData {
    std::string FileName;      // the path as given
    std::int64_t FileSize = 0; // bytes of the whole physical stream
    std::string BitRate;       // first link, in units of 1024 bit/s, as text
    std::string PlayLength;    // "HH:MM:SS"
    double TimeTotal = 0;      // seconds, all links
    std::int32_t Streams = 0;  // chained logical streams
    std::int32_t SerialNumber = 0;
    std::string Codec{};       // of the first link: its descriptor's Name (see CodecOf)
    std::int32_t Version = 0;  // the codec's version of the first link
    std::int32_t Rate = 0;     // Hz, first link
    std::int32_t Channels = 0; // first link
    bool PlacedChannels = true; // first link: its channels have loudspeaker positions (see ChannelLayout)
    std::int64_t PcmTotal = 0; // samples per channel, all links
    std::int32_t BlockCount = 0; // amplitude-profile blocks; marker positions run 0..BlockCount
    bool ProfileComplete = false;
    // Where each link after the first begins, in samples of all links
    // counted one after another (the decoder library's count of each link);
    // empty for a file of one link.
    std::vector<std::int64_t> LinkStarts{};
    // The rate (Hz) of the audio from each of LinkStarts on, one for each:
    // a chain's links may differ in rate (see ChainTimeline).
    std::vector<std::int32_t> LinkRates{};
};

} // namespace oq
