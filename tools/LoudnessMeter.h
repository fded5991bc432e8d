#pragma once

#include "codec/ChannelLayout.h"

#include <cstdint>
#include <ebur128.h>
#include <vector>

namespace oq {

// An EBU R128 integrated loudness and sample peak measurement of one stretch
// of interleaved 16-bit audio, owning its libebur128 state.
//
// Each channel is weighted by its loudspeaker's position as ITU-R BS.1770
// asks: front channels 1.0, surrounds at the sides and behind 1.41, the LFE
// channel not at all. The library's own default assumes the WAV order
// (L R C LFE Ls Rs), which is not the decoders' (L C R Ls Rs LFE for 5.1),
// so the positions are always given. Channels without positions count 1.0
// each.
class LoudnessMeter {
public:
    // Raises Error when the library cannot set up the state.
    LoudnessMeter(const ChannelLayout& layout, long rate);
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
