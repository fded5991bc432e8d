#pragma once

#include <cstddef>

namespace oq {

// Whether ConvertToPcm16 rounds and clips exactly as the decoder library's
// ov_read does for 16-bit signed little-endian output on this processor.
// There the library scales each float by 32768, rounds it to the nearest
// integer with ties to even through a 32-bit conversion whose out-of-range
// result is the lowest integer, and clips to -32768..32767 (so a float too
// large for 32 bits, or not a number, becomes -32768). Elsewhere its rounding
// is not known to match, and callers decode through ov_read instead.
#if defined(__x86_64__) || defined(_M_X64)
inline constexpr bool kPcmConversionMatchesDecoderLibrary = true;
#else
inline constexpr bool kPcmConversionMatchesDecoderLibrary = false;
#endif

// Writes frames [first, first + frames) of the decoder's float channels as
// interleaved 16-bit little-endian samples: frames * channels * 2 bytes.
void ConvertToPcm16(float* const* pcm, int channels, int first, int frames, unsigned char* out) noexcept;

} // namespace oq
