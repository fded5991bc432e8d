#include "model/MarkerTime.h"

#include "base/Error.h"
#include "media/FileLinks.h"
#include "media/MPEGData.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace oq {

namespace {

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

} // namespace

MarkerTime::MarkerTime(const MPEGData& file) : converter_(file), timeline_(file), rate_(file.Rate), samples_(file.PcmTotal)
{
    if (file.BlockCount < 1 || file.PcmTotal < 1 || file.Rate < 1)
        throw RangeError("\"" + file.FileName + "\" has no audio to place markers in");
}

std::int32_t MarkerTime::PositionAtSample(std::int64_t sample) const { return converter_.SamplesToPosition(sample); }

MarkerPlace MarkerTime::ExactPlace(std::int64_t sample, std::string title) const
{
    return {PositionAtSample(sample), sample, std::move(title)};
}

std::optional<std::int64_t> MarkerTime::SampleAt(double seconds) const
{
    // Far outside the audio (or not a number) is refused before it is
    // counted in samples, where it could leave the 64-bit range.
    if (!(seconds > -1 && seconds < timeline_.Seconds(samples_) + 1))
        return std::nullopt;
    const std::int64_t sample = timeline_.Sample(seconds);
    if (sample < 0 || sample > samples_)
        return std::nullopt;
    return sample;
}

LaidMarkers MarkerTime::LinkMarkers(const MPEGData& file)
{
    const MarkerTime time(file);
    const std::vector<FileLink> links = ReadFileLinks(file.FileName);
    // Link k (from 0) begins at the start of the file or at boundary k - 1.
    const auto titleOf = [&links](std::size_t k) {
        if (k >= links.size())
            return std::string();
        for (const auto& [name, value] : links[k].Headers.Comments)
            if (EqualsNoCase(name, "TITLE"))
                return value;
        return std::string();
    };
    LaidMarkers laid;
    laid.Markers.push_back(time.ExactPlace(0, titleOf(0)));
    for (std::size_t k = 0; k < file.LinkStarts.size(); ++k)
        laid.Markers.push_back(time.ExactPlace(file.LinkStarts[k], titleOf(k + 1)));
    return laid;
}

} // namespace oq
