#include "tools/LoudnessMeter.h"

#include "base/Error.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace oq {

LoudnessMeter::LoudnessMeter(int channels, long rate)
    : state_(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                          EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK))
{
    if (state_ == nullptr)
        throw Error("cannot set up a loudness measurement of " + std::to_string(channels) + " channels at " +
                    std::to_string(rate) + " Hz");
}

LoudnessMeter::LoudnessMeter(LoudnessMeter&& other) noexcept : state_(std::exchange(other.state_, nullptr)) {}

LoudnessMeter::~LoudnessMeter()
{
    if (state_ != nullptr)
        ebur128_destroy(&state_);
}

void LoudnessMeter::Add(const std::int16_t* frames, std::size_t count)
{
    if (count > 0 && ebur128_add_frames_short(state_, frames, count) != EBUR128_SUCCESS)
        throw Error("the loudness measurement ran out of memory");
}

double LoudnessMeter::Loudness() const
{
    double lufs = 0;
    if (ebur128_loudness_global(state_, &lufs) != EBUR128_SUCCESS)
        return -std::numeric_limits<double>::infinity();
    return lufs;
}

double LoudnessMeter::Peak() const
{
    double peak = 0;
    for (unsigned channel = 0; channel < state_->channels; ++channel) {
        double one = 0;
        if (ebur128_sample_peak(state_, channel, &one) == EBUR128_SUCCESS)
            peak = std::max(peak, one);
    }
    return peak;
}

double LoudnessMeter::Loudness(std::vector<LoudnessMeter>& meters)
{
    std::vector<ebur128_state*> states;
    for (LoudnessMeter& meter : meters)
        states.push_back(meter.state_);
    double lufs = 0;
    if (states.empty() || ebur128_loudness_global_multiple(states.data(), states.size(), &lufs) != EBUR128_SUCCESS)
        return -std::numeric_limits<double>::infinity();
    return lufs;
}

} // namespace oq
