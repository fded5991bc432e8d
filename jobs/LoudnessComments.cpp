#include "jobs/LoudnessComments.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace oq {

namespace {

// ReplayGain 2.0 plays every track at -18 LUFS (its 89 dB SPL reference,
// measured by EBU R128).
constexpr double kReplayGainReferenceLufs = -18.0;
// R128 gains (Opus) bring the output to EBU R128's own -23 LUFS.
constexpr double kR128ReferenceLufs = -23.0;
// Q7.8: a signed 16-bit number of 1/256 dB.
constexpr double kQ78StepsPerDb = 256.0;
constexpr double kQ78Most = 32767;
constexpr double kQ78Least = -32768;

std::string Decibels(double gain)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dB", gain);
    return text;
}

std::string PeakText(double peak)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", peak);
    return text;
}

std::string Q78(double gain)
{
    return std::to_string(static_cast<int>(std::clamp(std::round(gain * kQ78StepsPerDb), kQ78Least, kQ78Most)));
}

void Add(CommentEdit& edit, const LoudnessFigures& figures, std::string_view gainName, std::string_view peakName,
         LoudnessConvention::Scale scale)
{
    if (!std::isfinite(figures.Lufs))
        return;
    switch (scale) {
    case LoudnessConvention::Scale::ReplayGainText:
        edit.Set.emplace_back(gainName, Decibels(kReplayGainReferenceLufs - figures.Lufs));
        break;
    case LoudnessConvention::Scale::R128Q78:
        edit.Set.emplace_back(gainName, Q78(kR128ReferenceLufs - figures.Lufs));
        break;
    }
    if (!peakName.empty())
        edit.Set.emplace_back(peakName, PeakText(figures.Peak));
}

} // namespace

void AddLoudnessComments(SectionSource& source, const SplitLoudness& loudness, const LoudnessConvention& convention)
{
    source.Comments.resize(std::max(source.Comments.size(), loudness.Sections.size()));
    for (std::size_t k = 0; k < loudness.Sections.size(); ++k) {
        CommentEdit& edit = source.Comments[k];
        Add(edit, loudness.Sections[k], convention.TrackGain, convention.TrackPeak, convention.GainScale);
        Add(edit, loudness.Album, convention.AlbumGain, convention.AlbumPeak, convention.GainScale);
    }
}

} // namespace oq
