#pragma once

#include <cstdint>
#include <ebur128.h>
#include <vector>

namespace oq {

// An EBU R128 integrated loudness and sample peak measurement of one stretch
// of interleaved 16-bit audio, owning its libebur128 state.
class LoudnessMeter {
public:
    // Raises Error when the library cannot set up the state.
    LoudnessMeter(int channels, long rate);
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;
    LoudnessMeter(LoudnessMeter&& other) noexcept;
    LoudnessMeter& operator=(LoudnessMeter&&) = delete;
    ~LoudnessMeter();

    void Add(const std::int16_t* frames, std::size_t count);
    // In LUFS; minus infinity for audio gated away entirely (silence).
    double Loudness() const;
    // Largest absolute sample over all channels, full scale 1.0.
    double Peak() const;

    // The loudness of several meters' audio taken together (an album's).
    static double Loudness(std::vector<LoudnessMeter>& meters);

private:
    ebur128_state* state_;
};

} // namespace oq
