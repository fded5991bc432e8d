#include "jobs/CueSections.h"


#include <algorithm>
#include <optional>

namespace oq {

std::string TrackFileName(const CueTags::Track& track)
{
    std::string name = track.Number.size() < 2 ? std::string(2 - track.Number.size(), '0') + track.Number : track.Number;
    if (!track.Title.empty())
        name += " - " + track.Title;
    return name;
}

void TagCueSections(SectionSource& source, const ChainTimeline& timeline, const std::vector<std::int64_t>& sectionStarts,
                    const CueTrackList& starts, const CueTags& tags)
{
    if (sectionStarts.empty() || starts.size() != tags.Tracks.size())
        return;
    std::vector<std::optional<std::int64_t>> trackStarts;
    for (const std::string& start : starts)
        trackStarts.push_back(CueStartSample(start, timeline));
    const std::size_t sections = std::min(sectionStarts.size(), source.CutPoints.size() + 1);
    source.Comments.assign(sections, CommentEdit{});
    source.TrackNames.assign(sections, std::string{});
    for (std::size_t k = 0; k < sections; ++k) {
        const auto track = std::ranges::find(trackStarts, std::optional<std::int64_t>(sectionStarts[k]));
        if (track == trackStarts.end())
            continue;
        const auto index = static_cast<std::size_t>(track - trackStarts.begin());
        source.Comments[k] = tags.TrackComments(index);
        source.TrackNames[k] = TrackFileName(tags.Tracks[index]);
    }
}

} // namespace oq
