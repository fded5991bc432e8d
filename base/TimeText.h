#pragma once

#include "base/Error.h"

#include <cstdint>
#include <string>

namespace oq {

// A time the user wrote that names no point of the audio: not a time at
// all, past the 64-bit range, before the start or after the end. The
// message quotes the text as written.
class TimeTextError : public RangeError {
public:
    TimeTextError(const std::string& text, const std::string& problem);
    const std::string& Text() const noexcept { return text_; }

private:
    std::string text_;
};

// A point of the audio written as a time, as an exact sample position per
// channel at `rate`: seconds with an optional fraction ("90", "1.5"),
// "MM:SS[.fff]" or "HH:MM:SS[.fff]" (minutes and seconds after a field run
// to 59; the first field may be as large as it likes), up to nine decimals.
// The time is rounded to the nearest sample, halves up. A leading "-"
// counts back from the end of `totalSamples` ("-10": ten seconds before
// it), and "end" is the end itself. The result lies in 0 .. totalSamples;
// TimeTextError for any other text or a time outside the audio. Nothing
// wraps: a time past the 64-bit range is refused as such.
std::int64_t ParseTimePoint(const std::string& text, std::int32_t rate, std::int64_t totalSamples);

} // namespace oq
