#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oq::bench {

// The program's own decoding and catalog tools, as the benchmark runs them.
// Each function raises when its tool fails.

// The plain reference: every sample decoded with ov_read, front to back.
void DecodeWholeFile(const std::string& path);
// The amplitude profile of the whole file.
void ProfileWholeFile(const std::string& path);
// The loudness of the sections ending at `cutPoints` and of the whole run,
// as --replaygain measures them before a split.
void MeasureLoudnessOf(const std::string& path, const std::vector<std::int64_t>& cutPoints);
// Whether the loudness figures measured on every core equal, to the last
// bit, those of one pass through the file.
bool LoudnessMatchesOnePass(const std::string& path, const std::vector<std::int64_t>& cutPoints);
// The whole file converted to a WAV file.
void ConvertWholeFileToWav(const std::string& source, const std::string& output);
// The catalog tool (CSV template) over the Ogg files of one folder.
void WriteCatalogOf(const std::string& folder, const std::string& output);
// The floor of any catalog: each file opened by the decoder library and its
// length asked for.
void MeasureEachFile(const std::string& folder);

// `iterations` steps of dependent integer arithmetic, split evenly over
// `threads` threads: the work a second core can halve when it is free.
void BusyWork(unsigned threads, std::uint64_t iterations);
// Whether two WAV files hold the same sample bytes after their 44-byte
// headers; false when either cannot be read.
bool SameWavData(const std::string& first, const std::string& second);

} // namespace oq::bench
