#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace oq {

// The loudspeaker positions of a decoded stream's channels, in the order the
// codec's decoder gives them. Vorbis I and Opus (mapping family 0 for one or
// two channels, family 1 for up to eight) share one order per channel count:
//
//   1 mono            centre
//   2 stereo          left, right
//   3                 left, centre, right
//   4 quadraphonic    front left, front right, rear left, rear right
//   5 5.0             front left, centre, front right, rear left, rear right
//   6 5.1             front left, centre, front right, rear left, rear right, LFE
//   7 6.1             front left, centre, front right, side left, side right, rear centre, LFE
//   8 7.1             front left, centre, front right, side left, side right, rear left, rear right, LFE
//
// A WAV file orders its channels by the bits of its channel mask, lowest
// first (front left, front right, centre, LFE, back left, back right, ...),
// so the decoded frames are reordered for it. A sound device takes its
// channels in the same order of positions, so played frames are reordered
// the same way. A count without such a table (more than eight channels, or
// an Opus stream of mapping family 255, whose channels mean what the
// application says) has no positions: its channels keep the decoder's order
// and the mask is 0, "no positions given".
class ChannelLayout {
public:
    static constexpr int kMostPlacedChannels = 8;

    // The loudspeaker bits of WAVE_FORMAT_EXTENSIBLE's channel mask that the
    // layouts use; their order is the order of the channels in a frame.
    enum Speaker : std::uint32_t {
        FrontLeft = 0x1,
        FrontRight = 0x2,
        FrontCentre = 0x4,
        LowFrequency = 0x8,
        BackLeft = 0x10,
        BackRight = 0x20,
        BackCentre = 0x100,
        SideLeft = 0x200,
        SideRight = 0x400,
    };

    // `placed` false: the stream's header says its channels have no
    // positions, whatever their count.
    explicit ChannelLayout(int channels, bool placed = true) noexcept;

    int Channels() const noexcept { return channels_; }
    // Whether the channels have positions from the tables above.
    bool Placed() const noexcept { return mask_ != 0; }
    // The position of decoded channel `channel` (0 .. Channels() - 1); only
    // for a layout with positions.
    Speaker SpeakerOf(int channel) const noexcept;
    // WAVE_FORMAT_EXTENSIBLE's dwChannelMask (SPEAKER_* bits); 0 without positions.
    std::uint32_t WavMask() const noexcept { return mask_; }
    // Whether any WAV channel carries another decoded channel than its own.
    bool Reorders() const noexcept { return reordered_; }
    // "Mono", "Stereo", "3 channels", "Quadraphonic", "5.0", "5.1", "6.1",
    // "7.1"; "N channels" without positions.
    std::string Name() const;

    // Reorders 16-bit interleaved frames in place from the decoder's order
    // into the mask's (the WAV file's and the sound device's). `bytes` holds
    // whole frames.
    void ToWavOrder(unsigned char* frames, std::size_t bytes) const noexcept;

private:
    int channels_;
    std::uint32_t mask_ = 0;
    bool reordered_ = false; // any WAV channel differs from its decoded one
    std::array<int, kMostPlacedChannels> wavFromDecoded_{}; // the decoded channel each WAV channel carries
};

} // namespace oq
