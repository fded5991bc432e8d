#pragma once

#include "media/MPEGData.h"

#include <cstdint>
#include <string>

namespace oq {

// Describes the Ogg Vorbis or Opus file `fileName`. Raises IoError when nothing of
// that name can be read (missing, unreadable, a folder, a pipe or device),
// and NotOggAudioError when the file is empty, not an Ogg Vorbis or Opus stream, or
// claims more samples than 32-bit block positions or times in hundredths
// can hold (about 248 days).
MPEGData ReadOggFileInfo(const std::string& fileName);

// Round to the nearest whole number, halves to the even neighbour
// (2.5 -> 2, 3.5 -> 4, -2.5 -> -2), whatever the floating-point unit's mode.
std::int64_t RoundHalfEven(double value);

// A play time in seconds rounded to whole seconds, in hundredths.
std::int64_t RoundedHundredths(double seconds);

// "HH:MM:SS" of a count of hundredths, the hundredths dropped. From 100 hours
// on the hour field takes as many digits as it needs ("123:04:05"), since
// the two-digit field cannot hold it.
std::string PlayLengthText(std::int64_t hundredths);

} // namespace oq
