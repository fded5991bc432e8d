#include "tools/LoudnessMeter.h"

#include "base/Error.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace oq {

namespace {

// The library's name for a loudspeaker position; it weights Mp110/Mm110
// (the surrounds of 5.1) and Mp090/Mm090 (the sides of 6.1 and 7.1) by 1.41.
int PositionOf(ChannelLayout::Speaker speaker)
{
    switch (speaker) {
    case ChannelLayout::FrontLeft: return EBUR128_LEFT;
    case ChannelLayout::FrontRight: return EBUR128_RIGHT;
    case ChannelLayout::FrontCentre: return EBUR128_CENTER;
    case ChannelLayout::LowFrequency: return EBUR128_UNUSED;
    case ChannelLayout::BackLeft: return EBUR128_LEFT_SURROUND;
    case ChannelLayout::BackRight: return EBUR128_RIGHT_SURROUND;
    case ChannelLayout::BackCentre: return EBUR128_Mp180;
    case ChannelLayout::SideLeft: return EBUR128_Mp090;
    case ChannelLayout::SideRight: return EBUR128_Mm090;
    }
    return EBUR128_CENTER;
}

} // namespace

LoudnessMeter::LoudnessMeter(const ChannelLayout& layout, long rate)
    : state_(ebur128_init(static_cast<unsigned>(layout.Channels()), static_cast<unsigned long>(rate),
                          EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK))
{
    if (state_ == nullptr)
        throw Error("cannot set up a loudness measurement of " + std::to_string(layout.Channels()) +
                    " channels at " + std::to_string(rate) + " Hz");
    for (int channel = 0; channel < layout.Channels(); ++channel) {
        const int position = layout.Placed() ? PositionOf(layout.SpeakerOf(channel)) : EBUR128_CENTER;
        ebur128_set_channel(state_, static_cast<unsigned>(channel), position);
    }
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
