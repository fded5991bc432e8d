#include "cli/CutStretches.h"

#include "cli/Command.h"
#include "cli/SectionMethod.h"
#include "media/ChainTimeline.h"
#include "base/TimeText.h"

#include <algorithm>
#include <cstdio>

namespace oq::cli {

namespace {

struct Stretch {
    std::int64_t Start = 0;
    std::int64_t End = 0;
    std::string Title; // "--remove 1:00,1:30", or several joined by " and " once merged
};

// The length of `file` in seconds, each link at its own rate.
std::string Length(const MPEGData& file)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", ChainTimeline(file).Seconds(file.PcmTotal));
    return text;
}

Stretch ParseStretch(const std::string& option, const std::string& text, const MPEGData& file)
{
    const std::string title = option + " " + text;
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos)
        throw UsageError(title + ": give a stretch as FROM,TO");
    Stretch stretch{0, 0, title};
    try {
        stretch.Start = StretchTime(text.substr(0, comma), file);
        stretch.End = StretchTime(text.substr(comma + 1), file);
    } catch (const TimeTextError& failure) {
        throw UsageError(title + ": " + failure.what());
    }
    if (stretch.Start < 0)
        throw UsageError(title + " begins before the start of the audio");
    if (stretch.End > file.PcmTotal || stretch.Start >= file.PcmTotal)
        throw UsageError(title + " runs past the end of the audio (" + Length(file) +
                         " seconds)");
    if (stretch.End < stretch.Start)
        throw UsageError(title + " is reversed: its end lies before its start");
    if (stretch.End == stretch.Start)
        throw UsageError(title + " is empty: its end is its start");
    return stretch;
}

// Sorted by start, overlapping and touching stretches made one.
std::vector<Stretch> Merged(std::vector<Stretch> stretches)
{
    std::sort(stretches.begin(), stretches.end(),
              [](const Stretch& a, const Stretch& b) { return a.Start < b.Start; });
    std::vector<Stretch> merged;
    for (Stretch& stretch : stretches) {
        if (!merged.empty() && stretch.Start <= merged.back().End) {
            merged.back().End = std::max(merged.back().End, stretch.End);
            merged.back().Title += " and " + stretch.Title;
        } else {
            merged.push_back(std::move(stretch));
        }
    }
    return merged;
}

// What lies between two given stretches (or before the first, after the
// last): the other kind of section, named after its neighbours.
std::string GapTitle(const std::vector<Stretch>& given, std::size_t after, bool kept)
{
    const std::string what = kept ? "the audio kept " : "the audio removed ";
    if (after == 0)
        return what + "before " + given.front().Title;
    if (after == given.size())
        return what + "after " + given.back().Title;
    return what + "between " + given[after - 1].Title + " and " + given[after].Title;
}

} // namespace

std::int64_t StretchTime(const std::string& text, const MPEGData& file)
{
    return ParseTimePoint(text, ChainTimeline(file), file.PcmTotal);
}

CutSections SectionsOfStretches(const std::string& option, const std::vector<std::string>& stretches,
                                const MPEGData& file)
{
    const bool keep = option == "--keep";
    std::vector<Stretch> given;
    for (const std::string& text : stretches)
        given.push_back(ParseStretch(option, text, file));
    given = Merged(std::move(given));
    if (given.empty())
        throw UsageError("give at least one " + option + " FROM,TO");
    if (!keep && given.size() == 1 && given.front().Start == 0 && given.front().End == file.PcmTotal)
        throw UsageError(given.front().Title + " removes all the audio: nothing is kept");

    // The sections alternate between the given stretches and the gaps around
    // them; a gap of no samples is no section.
    CutSections sections;
    std::int64_t position = 0;
    const auto add = [&](std::int64_t end, bool kept, std::string title) {
        if (end == position)
            return;
        if (position > 0)
            sections.CutPoints.push_back(position);
        sections.Kept.push_back(kept);
        sections.Titles.push_back(std::move(title));
        position = end;
    };
    for (std::size_t i = 0; i < given.size(); ++i) {
        add(given[i].Start, !keep, GapTitle(given, i, !keep));
        add(given[i].End, keep, given[i].Title);
    }
    add(file.PcmTotal, !keep, GapTitle(given, given.size(), !keep));
    return sections;
}

} // namespace oq::cli
