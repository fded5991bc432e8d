#include "jobs/SplitRecipe.h"

#include "base/Error.h"
#include "jobs/CueSections.h"
#include "jobs/LoudnessComments.h"
#include "jobs/Placeholders.h"
#include "media/CodecChoice.h"
#include "model/MarkerGeometry.h"
#include "tools/SectionLoudness.h"

#include <algorithm>

namespace oq {

namespace {

// Where each section starts: the start of the audio for a leading section,
// then every marker but one at the end.
std::vector<std::int64_t> SectionStarts(const SplitCuts& cuts, std::int64_t total)
{
    std::vector<std::int64_t> starts;
    if (cuts.Markers.front() > 0)
        starts.push_back(0);
    for (const std::int64_t marker : cuts.Markers)
        if (marker < total)
            starts.push_back(marker);
    return starts;
}

// Each section that starts at a titled marker gets the title as its TITLE
// and its name.
void TitleSections(SectionSource& source, const SplitCuts& cuts)
{
    const bool leading = cuts.Markers.front() > 0;
    const std::size_t sections = source.CutPoints.size() + 1;
    for (std::size_t k = 0; k < cuts.Titles.size(); ++k) {
        const std::size_t section = k + (leading ? 1 : 0); // from 0
        if (cuts.Titles[k].empty() || section >= sections)
            continue;
        source.Comments.resize(sections);
        source.TrackNames.resize(sections);
        source.Comments[section].Override({{"TITLE", cuts.Titles[k]}});
        CueTags::Track named;
        named.Number = std::to_string(section + 1);
        named.Title = cuts.Titles[k];
        source.TrackNames[section] = TrackFileName(named);
    }
}

} // namespace

SplitCuts CutsOf(const MarkerGeometry& markers)
{
    SplitCuts cuts{.Markers = markers.CutSamples()};
    for (int i = 1; i <= markers.Count(); ++i)
        cuts.Titles.push_back(markers.At(i).Title);
    return cuts;
}

SectionSource SectionsAtMarkers(const MPEGData& file, const std::vector<std::int64_t>& markers)
{
    if (markers.empty())
        throw RangeError("cannot split \"" + file.FileName + "\": there is no marker");
    // The markers at the start and the end of the audio bound the first and
    // the last section; every other one ends a section.
    std::vector<std::int64_t> cutPoints;
    for (const std::int64_t marker : markers)
        if (marker > 0 && marker < file.PcmTotal)
            cutPoints.push_back(marker);
    return SectionsAtSamples(file, std::move(cutPoints));
}

SectionSource SectionsOf(const MPEGData& file, const SplitCuts& cuts)
{
    SectionSource source = SectionsAtMarkers(file, cuts.Markers);
    source.OtherInputs = cuts.OtherInputs;
    if (!cuts.CueSheet.empty()) {
        const std::string sheet = ReadCueSheetBytes(cuts.CueSheet);
        TagCueSections(source, ChainTimeline(file), SectionStarts(cuts, file.PcmTotal), ParseCueSheet(sheet),
                       ParseCueTags(sheet));
        source.OtherInputs.push_back(cuts.CueSheet);
    } else {
        TitleSections(source, cuts);
    }
    return source;
}

void AddUserTags(SectionSource& source, const UserTags& tags)
{
    if (tags.empty())
        return;
    const std::size_t total = source.CutPoints.size() + 1;
    source.Comments.resize(std::max(source.Comments.size(), total));
    for (std::size_t k = 0; k < total; ++k) {
        const Placeholder numbers[] = {{"{n}", std::to_string(k + 1)}, {"{total}", std::to_string(total)}};
        UserTags numbered;
        for (const auto& [name, value] : tags)
            numbered.emplace_back(name, Expanded(value, numbers));
        source.Comments[k].Override(numbered);
    }
}

SplitRecipe::SplitRecipe(const SplitRequest& request)
    : options_(request.Naming),
      loudness_(request.MeasureLoudness ? &CodecOf(request.File).Loudness : nullptr),
      tags_(request.Tags)
{
    options_.Source = SectionsOf(request.File, request.Cuts);
}

std::optional<JobList> SplitRecipe::Plan(const JobControl& control, JobObserver& observer) const
{
    SplitOptions options = options_;
    if (loudness_) {
        const auto loudness = MeasureSections(options.Source.FileName, options.Source.CutPoints, control, observer);
        if (!loudness)
            return std::nullopt;
        AddLoudnessComments(options.Source, *loudness, *loudness_);
    }
    AddUserTags(options.Source, tags_);
    return PlanJobs(options, observer);
}

} // namespace oq
