#pragma once

#include <string_view>

namespace oq {

// The comment fields in which a codec's files carry loudness, and the scale
// of their gains. Writing the values (text, rounding, reference level) is the
// jobs' business; this names the fields and the scale only.
struct LoudnessConvention {
    enum class Scale {
        // "-3.21 dB" to ReplayGain 2.0's reference of -18 LUFS; peaks as a
        // fraction of full scale ("0.912345").
        ReplayGainText,
        // A signed Q7.8 integer (1/256 dB) to EBU R128's -23 LUFS; no peaks.
        R128Q78,
    };

    Scale GainScale;
    std::string_view TrackGain;
    std::string_view TrackPeak; // empty when the convention keeps no peak
    std::string_view AlbumGain;
    std::string_view AlbumPeak; // empty when the convention keeps no peak
};

// ReplayGain 2.0 (Vorbis comments).
inline constexpr LoudnessConvention kReplayGain2{LoudnessConvention::Scale::ReplayGainText, "REPLAYGAIN_TRACK_GAIN",
                                                 "REPLAYGAIN_TRACK_PEAK", "REPLAYGAIN_ALBUM_GAIN",
                                                 "REPLAYGAIN_ALBUM_PEAK"};
// The R128 gains of Ogg Opus comments.
inline constexpr LoudnessConvention kR128Gains{LoudnessConvention::Scale::R128Q78, "R128_TRACK_GAIN", "",
                                               "R128_ALBUM_GAIN", ""};

} // namespace oq
