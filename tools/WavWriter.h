#pragma once

#include "tools/ParallelParts.h"
#include "tools/WavHeader.h"

#include <cstdint>
#include <string>

namespace oq {

class JobControl;
class JobObserver;

enum class WavOutcome {
    Written,      // every sample was written
    Cancelled,    // stopped by a cancel; the output is a valid, shorter WAV file
};

// Raises FormatError for a source whose links differ in rate or channels,
// naming the first that differs from the first link and how: a WAV file's
// one header gives one format for all its samples. NotOggAudioError and
// IoError as ConvertToWav raises them.
void RequireOneWavFormat(const std::string& source);

// Decodes `source` into a 16-bit PCM WAV file `output` (replacing any file of
// that name): a header with the format of its links (see WavHeader:
// WAVE_FORMAT_EXTENSIBLE with the channel mask for more than two channels),
// then the decoded samples of all links, channels interleaved in the WAV
// order of their layout (see ChannelLayout). The status "Creating WAV File
// (N%)..." follows the compressed bytes consumed. Pause and cancel are
// honoured after every read; the header sizes are completed on a cancel too.
//
// A file whose RIFF size would pass `mostRiffSize` (the 32-bit field's
// limit; lower only in tests) becomes RF64. The room for that is kept when
// the decoded length is unknown or too long for the plain header; a source
// that decodes to more than its links promised, past the limit, without
// that room raises RangeError.
//
// A source that is not Ogg Vorbis or Opus raises NotOggAudioError, and one
// whose links differ in format FormatError (see RequireOneWavFormat), both
// before the output is created; one that cannot be opened raises IoError.
// Any failed write, seek or close of the output raises IoError too, and
// leaves it incomplete for the caller to delete.
//
// A plain source is decoded in parts on every processor core at once, each
// written straight to its place; the bytes are those of one pass.
WavOutcome ConvertToWav(const std::string& source, const std::string& output, const JobControl& control,
                        JobObserver& observer, std::uint64_t mostRiffSize = kMostRiffSize);
// The same with the division of the work given.
WavOutcome ConvertToWav(const std::string& source, const std::string& output, const JobControl& control,
                        JobObserver& observer, std::uint64_t mostRiffSize, const PartLayout& layout);

// Decodes only sample frames [first, end) of `source` (per channel, on the
// timeline of all links one after another) into `output`, as ConvertToWav
// writes a whole file: exactly the frames one pass over the source gives
// there, the range ending early where the source does. A plain source is
// decoded in parts from the places nearest the range, the others in one
// pass from their start. Raises RangeError for an empty range, FormatError
// when the links that hold the range differ in rate or channels, and the
// rest as ConvertToWav.
WavOutcome ConvertRangeToWav(const std::string& source, std::int64_t first, std::int64_t end, const std::string& output,
                             const JobControl& control, JobObserver& observer, std::uint64_t mostRiffSize = kMostRiffSize);
// The same with the division of the work given.
WavOutcome ConvertRangeToWav(const std::string& source, std::int64_t first, std::int64_t end, const std::string& output,
                             const JobControl& control, JobObserver& observer, std::uint64_t mostRiffSize,
                             const PartLayout& layout);

} // namespace oq
