#pragma once

#include "tools/ParallelParts.h"

#include <cstdint>
#include <string>

namespace oq {

class JobControl;
class JobObserver;

// The RIFF size field holds the file size - 8, that is the sample data + 36
// header bytes, in 32 bits; it is the first field to overflow.
constexpr std::uint64_t kMaxWavDataBytes = 0xFFFFFFFFull - 36;

enum class WavOutcome {
    Written,      // every sample was written
    Cancelled,    // stopped by a cancel; the output is a valid, shorter WAV file
};

// Raises FormatError for a source whose links differ in rate or channels,
// naming the first that differs from the first link and how: a WAV file's
// one header gives one format for all its samples. NotOggVorbisError and
// IoError as ConvertToWav raises them.
void RequireOneWavFormat(const std::string& source);

// Decodes `source` into a 16-bit PCM WAV file `output` (replacing any file of
// that name): a 44-byte RIFF/WAVE header with the format of its links, then
// the decoded samples of all links, channels interleaved. The status
// "Creating WAV File (N%)..." follows the compressed bytes consumed. Pause
// and cancel are honoured after every read; the header sizes are completed
// on a cancel too.
//
// A source that is not Ogg Vorbis or Opus raises NotOggVorbisError, one
// whose links differ in format FormatError (see RequireOneWavFormat), and
// one whose decoded data would not fit the header's 32-bit size fields
// (more than `maxDataBytes`) RangeError, all before the output is created. A source
// that cannot be opened raises IoError; so does any failed write, seek or
// close of the output, which is then left incomplete for the caller to
// delete.
//
// A plain source is decoded in parts on every processor core at once, each
// written straight to its place; the bytes are those of one pass.
WavOutcome ConvertToWav(const std::string& source, const std::string& output, const JobControl& control,
                        JobObserver& observer, std::uint64_t maxDataBytes = kMaxWavDataBytes);
// The same with the division of the work given.
WavOutcome ConvertToWav(const std::string& source, const std::string& output, const JobControl& control,
                        JobObserver& observer, std::uint64_t maxDataBytes, const PartLayout& layout);

} // namespace oq
