#include "jobs/CueSections.h"

#include "model/PositionConverter.h"

#include <algorithm>

namespace oq {

std::string TrackFileName(const CueTags::Track& track)
{
    std::string name = track.Number.size() < 2 ? std::string(2 - track.Number.size(), '0') + track.Number : track.Number;
    if (!track.Title.empty())
        name += " - " + track.Title;
    return name;
}

void TagCueSections(SectionSource& source, const MPEGData& file, const std::vector<std::int32_t>& markerPositions,
                    const CueTrackList& starts, const CueTags& tags)
{
    if (markerPositions.empty() || starts.size() != tags.Tracks.size())
        return;
    const PositionConverter converter(file);
    std::vector<std::int32_t> trackPositions;
    for (const std::string& start : starts) {
        const auto seconds = CueStartSeconds(start);
        trackPositions.push_back(seconds ? std::max(converter.SecondsToPosition(*seconds), 0) : -1);
    }
    // Sections as SectionsFromMarkers counts them: one before the first
    // marker when it lies after 0, then one from each marker on.
    std::vector<std::int32_t> sectionStarts;
    if (markerPositions.front() > 0)
        sectionStarts.push_back(0);
    sectionStarts.insert(sectionStarts.end(), markerPositions.begin(), markerPositions.end());
    sectionStarts.resize(source.CutPoints.size() + 1);

    source.Comments.assign(sectionStarts.size(), CommentEdit{});
    source.TrackNames.assign(sectionStarts.size(), std::string{});
    for (std::size_t k = 0; k < sectionStarts.size(); ++k) {
        const auto track = std::ranges::find(trackPositions, sectionStarts[k]);
        if (track == trackPositions.end())
            continue;
        const auto index = static_cast<std::size_t>(track - trackPositions.begin());
        source.Comments[k] = tags.TrackComments(index);
        source.TrackNames[k] = TrackFileName(tags.Tracks[index]);
    }
}

} // namespace oq
