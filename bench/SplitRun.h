#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oq::bench {

// The sections-1 inner cut points (sample frames) that divide `totalSamples`
// into `sections` parts of equal length, the remainder spread so that no
// two parts differ by more than one sample.
std::vector<std::int64_t> EqualCutPoints(std::int64_t totalSamples, int sections);

// Cuts `source` with the section engine at `cuts`, one file per section in
// `folder` ("section01.ogg", ...), in one forward pass. Returns the files.
std::vector<std::string> SplitWithEngine(const std::string& source, const std::vector<std::int64_t>& cuts,
                                         const std::string& folder);

// Sample frames per channel the decoder reports for a file (all links);
// -1 when it is no Ogg Vorbis file or its length is not known. Raises
// IoError when the file cannot be read.
std::int64_t DecodedLength(const std::string& path);
// Sample rate of the file's first link; 0 when it is no Ogg Vorbis file.
long SampleRate(const std::string& path);

// The Ogg files in `folder` whose names start with `prefix`, in name order.
std::vector<std::string> OggFilesIn(const std::string& folder, const std::string& prefix = {});
// Empties `folder`, creating it when missing.
void ResetFolder(const std::string& folder);

} // namespace oq::bench
