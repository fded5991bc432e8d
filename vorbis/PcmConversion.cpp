#include "vorbis/PcmConversion.h"

#include <cmath>
#include <cstdint>

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace oq {

namespace {

constexpr float kScale = 32768.0f; // full scale of a 16-bit sample
constexpr int kLowest = -32768;
constexpr int kHighest = 32767;

void PutSample(unsigned char* at, int value) noexcept
{
    const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
    at[0] = static_cast<unsigned char>(word);
    at[1] = static_cast<unsigned char>(word >> 8);
}

#if defined(__x86_64__) || defined(_M_X64)

int RoundScaled(float sample) noexcept
{
    // The 32-bit conversion yields the lowest integer for anything it cannot
    // represent, which the clip below turns into -32768.
    const int value = _mm_cvtss_si32(_mm_set_ss(sample * kScale));
    return value < kLowest ? kLowest : value > kHighest ? kHighest : value;
}

// Four floats to four rounded 32-bit integers, out-of-range ones lowest.
__m128i RoundScaled4(const float* from) noexcept
{
    return _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(from), _mm_set1_ps(kScale)));
}

// The saturating pack clips exactly as the scalar rule: the lowest 32-bit
// integer and everything below -32768 become -32768, everything above 32767
// becomes 32767. x86 is little-endian, so the words are stored as they are.
int ConvertMono(const float* in, int frames, unsigned char* out) noexcept
{
    int i = 0;
    for (; i + 8 <= frames; i += 8) {
        const __m128i words = _mm_packs_epi32(RoundScaled4(in + i), RoundScaled4(in + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), words);
    }
    return i;
}

int ConvertStereo(const float* left, const float* right, int frames, unsigned char* out) noexcept
{
    int i = 0;
    for (; i + 8 <= frames; i += 8) {
        const __m128i l = _mm_packs_epi32(RoundScaled4(left + i), RoundScaled4(left + i + 4));
        const __m128i r = _mm_packs_epi32(RoundScaled4(right + i), RoundScaled4(right + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_unpacklo_epi16(l, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i + 16), _mm_unpackhi_epi16(l, r));
    }
    return i;
}

#else

int RoundScaled(float sample) noexcept
{
    const float scaled = sample * kScale;
    if (!(scaled > -2147483648.0f && scaled < 2147483648.0f))
        return kLowest;
    const long value = std::lrint(scaled);
    return value < kLowest ? kLowest : value > kHighest ? kHighest : static_cast<int>(value);
}

int ConvertMono(const float*, int, unsigned char*) noexcept { return 0; }
int ConvertStereo(const float*, const float*, int, unsigned char*) noexcept { return 0; }

#endif

} // namespace

void ConvertToPcm16(float* const* pcm, int channels, int first, int frames, unsigned char* out) noexcept
{
    int done = 0;
    if (channels == 1)
        done = ConvertMono(pcm[0] + first, frames, out);
    else if (channels == 2)
        done = ConvertStereo(pcm[0] + first, pcm[1] + first, frames, out);
    const std::size_t frameBytes = static_cast<std::size_t>(channels) * 2;
    for (int i = done; i < frames; ++i) {
        unsigned char* frame = out + static_cast<std::size_t>(i) * frameBytes;
        for (int c = 0; c < channels; ++c)
            PutSample(frame + 2 * c, RoundScaled(pcm[c][first + i]));
    }
}

} // namespace oq
