#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oq::bench {

// Command lines of the peer tools that split Ogg Vorbis files, so that the
// engine can be timed against them on the same cut points. Cut points are
// sample frames; `rate` converts them to the tools' time forms.

// The "minutes.seconds.hundredths" time form of mp3splt/oggsplt ("47.05.33";
// minutes may exceed 59), rounded to the nearest hundredth: that tool
// cannot cut at a sample.
std::string SplitterTime(std::int64_t sample, long rate);

// oggsplt cutting `source` at every point into `folder`, the last section
// running to the end of the file.
std::vector<std::string> OggspltCommand(const std::string& program, const std::string& source,
                                        const std::string& folder, const std::vector<std::int64_t>& cuts, long rate);

// vcut makes two files of one at a sample position, so n cut points take n
// runs in a chain: each cuts the rest of the previous run again, at the
// cut's distance from the previous cut. Sections land in `folder` as
// "vcut01.ogg", ...; the intermediate rests as "rest01.ogg", ...
std::vector<std::vector<std::string>> VcutChain(const std::string& program, const std::string& source,
                                                const std::string& folder, const std::vector<std::int64_t>& cuts);

// ffmpeg's segment muxer copying the stream (no re-encoding) with its cut
// times in seconds.
std::vector<std::string> FfmpegSegmentCommand(const std::string& program, const std::string& source,
                                              const std::string& folder, const std::vector<std::int64_t>& cuts,
                                              long rate);

} // namespace oq::bench
