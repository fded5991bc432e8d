#include "tests/support/PausedRecording.h"

#include <cmath>

namespace oq::test {

namespace {

// Uniform noise in [-a, a) has the RMS a / sqrt(3).
const float kHissAmplitude = static_cast<float>(std::pow(10.0, -62.0 / 20.0) * std::sqrt(3.0));

constexpr double kFadeStart = 18.0;
constexpr double kFadeSeconds = 2.0;
constexpr double kFadeEnd = kFadeStart + kFadeSeconds;
constexpr double kMusicAfterFade = 21.5;

bool InShortGap(double t)
{
    // Rests in the music, far shorter than a pause.
    return (t >= 3.0 && t < 3.3) || (t >= 9.5 && t < 9.8) || (t >= 16.0 && t < 16.3);
}

} // namespace

AudioSpec PausedRecording(int channels, long rate)
{
    return {.channels = channels,
            .rate = rate,
            .seconds = 26.5,
            .signal = Signal::Shaped,
            .shape = [](double t, int, float noise, float tone) -> float {
                if (t < 1.5)
                    return 0.0f;                   // leading digital silence
                if (t < 6.0)
                    return InShortGap(t) ? 0.0f : tone;
                if (t < 8.0)
                    return 0.0f;                   // pause 1: digital silence
                if (t < 12.0)
                    return InShortGap(t) ? 0.0f : tone;
                if (t < 14.0)
                    return kHissAmplitude * noise; // pause 2: tape hiss
                if (t < kFadeStart)
                    return InShortGap(t) ? 0.0f : tone;
                if (t < kFadeEnd)                  // pause 3: a fade into silence
                    return tone * static_cast<float>(std::pow((kFadeEnd - t) / kFadeSeconds, 3));
                if (t < kMusicAfterFade)
                    return 0.0f;
                if (t < 25.0)
                    return tone;
                return kHissAmplitude * noise;     // trailing hiss
            }};
}

std::vector<ExpectedCut> PausedRecordingCuts()
{
    constexpr double kExact = 0.02;
    // The fade falls below -50 dBFS about 0.55 s before its end, give or
    // take the tone's slow swell.
    return {{7.0, kExact}, {13.0, kExact}, {(kFadeEnd - 0.55 + kMusicAfterFade) / 2, 0.15}};
}

} // namespace oq::test
