#include "codec/ChannelLayout.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace oq {

namespace {

constexpr int kBytesPerSample = 2;

using enum ChannelLayout::Speaker;

// Each channel count's positions in the decoder's order (see the header).
struct PlacedLayout {
    const char* name;
    std::array<std::uint32_t, ChannelLayout::kMostPlacedChannels> speakers;
};

constexpr PlacedLayout kPlacedLayouts[ChannelLayout::kMostPlacedChannels] = {
    {"Mono", {FrontCentre}},
    {"Stereo", {FrontLeft, FrontRight}},
    {"3 channels", {FrontLeft, FrontCentre, FrontRight}},
    {"Quadraphonic", {FrontLeft, FrontRight, BackLeft, BackRight}},
    {"5.0", {FrontLeft, FrontCentre, FrontRight, BackLeft, BackRight}},
    {"5.1", {FrontLeft, FrontCentre, FrontRight, BackLeft, BackRight, LowFrequency}},
    {"6.1", {FrontLeft, FrontCentre, FrontRight, SideLeft, SideRight, BackCentre, LowFrequency}},
    {"7.1", {FrontLeft, FrontCentre, FrontRight, SideLeft, SideRight, BackLeft, BackRight, LowFrequency}},
};

} // namespace

ChannelLayout::ChannelLayout(int channels, bool placed) noexcept : channels_(channels)
{
    if (!placed || channels < 1 || channels > kMostPlacedChannels)
        return;
    const auto& speakers = kPlacedLayouts[channels - 1].speakers;
    const auto wav = wavFromDecoded_.begin();
    std::iota(wav, wav + channels, 0);
    // A WAV file's channels run in the order of their mask bits.
    std::sort(wav, wav + channels, [&](int a, int b) { return speakers[static_cast<std::size_t>(a)] < speakers[static_cast<std::size_t>(b)]; });
    for (int k = 0; k < channels; ++k) {
        mask_ |= speakers[static_cast<std::size_t>(k)];
        reordered_ = reordered_ || wavFromDecoded_[static_cast<std::size_t>(k)] != k;
    }
}

std::string ChannelLayout::Name() const
{
    if (Placed())
        return kPlacedLayouts[channels_ - 1].name;
    return std::to_string(channels_) + (channels_ == 1 ? " channel" : " channels");
}

ChannelLayout::Speaker ChannelLayout::SpeakerOf(int channel) const noexcept
{
    return static_cast<Speaker>(kPlacedLayouts[channels_ - 1].speakers[static_cast<std::size_t>(channel)]);
}

void ChannelLayout::ToWavOrder(unsigned char* frames, std::size_t bytes) const noexcept
{
    if (!reordered_)
        return;
    const std::size_t frameBytes = static_cast<std::size_t>(channels_) * kBytesPerSample;
    std::array<unsigned char, kMostPlacedChannels * kBytesPerSample> decoded;
    for (unsigned char* frame = frames; frame + frameBytes <= frames + bytes; frame += frameBytes) {
        std::memcpy(decoded.data(), frame, frameBytes);
        for (int k = 0; k < channels_; ++k)
            std::memcpy(frame + k * kBytesPerSample, decoded.data() + wavFromDecoded_[static_cast<std::size_t>(k)] * kBytesPerSample,
                        kBytesPerSample);
    }
}

} // namespace oq
