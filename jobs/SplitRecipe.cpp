#include "jobs/SplitRecipe.h"

#include "jobs/CueSections.h"
#include "jobs/LoudnessComments.h"
#include "jobs/Placeholders.h"
#include "media/CodecChoice.h"
#include "tools/SectionLoudness.h"

#include <algorithm>

namespace oq {

namespace {

void TitleSections(SectionSource& source, const std::vector<std::string>& titles)
{
    if (titles.empty())
        return;
    const std::size_t total = source.CutPoints.size() + 1;
    source.Comments.resize(std::max(source.Comments.size(), total));
    source.TrackNames.resize(std::max(source.TrackNames.size(), total));
    for (std::size_t k = 0; k < std::min(total, titles.size()); ++k) {
        if (titles[k].empty())
            continue;
        source.Comments[k].Override({{"TITLE", titles[k]}});
        const std::string number = std::to_string(k + 1);
        source.TrackNames[k] = std::string(number.size() < 2 ? 1 : 0, '0') + number + " - " + titles[k];
    }
}

} // namespace

SectionSource SectionsOf(const MPEGData& file, const SplitCuts& cuts)
{
    SectionSource source =
        cuts.Samples ? SectionsAtSamples(file, *cuts.Samples) : SectionsFromMarkers(file, cuts.Markers);
    source.OtherInputs = cuts.OtherInputs;
    TitleSections(source, cuts.SectionTitles);
    if (!cuts.CueSheet.empty()) {
        const std::string sheet = ReadCueSheetBytes(cuts.CueSheet);
        TagCueSections(source, file, cuts.Markers, ParseCueSheet(sheet), ParseCueTags(sheet));
        source.OtherInputs.push_back(cuts.CueSheet);
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
