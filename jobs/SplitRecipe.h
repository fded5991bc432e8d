#pragma once

#include "codec/LoudnessConvention.h"
#include "media/MPEGData.h"
#include "jobs/JobList.h"
#include "jobs/JobPlanner.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace oq {

class JobControl;
class JobObserver;

// Comments the user gives every section ("KEY", "VALUE" each). In a value
// "{n}" stands for the section's number, "{total}" for how many there are.
using UserTags = std::vector<std::pair<std::string, std::string>>;

// Where a file is cut, as the window's markers or a command's method chose.
struct SplitCuts {
    // The markers' block positions, ascending, at least one ...
    std::vector<std::int32_t> Markers{};
    // ... unless the cut points are sample positions given as they are
    // (ascending, inside the audio); Markers is then not read.
    std::optional<std::vector<std::int64_t>> Samples{};
    // The cue sheet that laid the markers, if one did: its tracks give the
    // sections their comments and names.
    std::string CueSheet{};
    // Section k's title at [k - 1], where the cut points came with titles (a
    // file's chapters); an empty one is none. A title becomes the section's
    // TITLE comment and, "NN - Title", its name from titles.
    std::vector<std::string> SectionTitles{};
    // The other files read to find the cuts (a label file). They and the
    // cue sheet are inputs of the run, which no section may replace.
    std::vector<std::string> OtherInputs{};
};

// The sections that `cuts` make of `file`, each with its cue track's
// comments and name. Raises the cue sheet's IoError or FormatError, and
// RangeError for cuts at markers without a marker.
SectionSource SectionsOf(const MPEGData& file, const SplitCuts& cuts);

// Gives every section the tags after the comments its source, its cue
// track and a loudness measurement gave it, replacing those of the same
// names.
void AddUserTags(SectionSource& source, const UserTags& tags);

// A split as the save wizard and the split command ask for it.
struct SplitRequest {
    MPEGData File{}; // the source as opened: its BlockCount counts the markers' blocks
    SplitCuts Cuts{};
    // The folder, the sections written and how they are named. Its Source
    // is not read: the recipe makes it of File and Cuts.
    SplitOptions Naming{};
    // Each section gets its own loudness and all of them the album's, in
    // the fields of the source's codec.
    bool MeasureLoudness = false;
    UserTags Tags{};
};

// One split from its request to its job list, in two steps. Making the
// recipe cuts and tags the sections: quick, on the caller's thread, and
// where a request that cannot be planned (no marker, a cue sheet that
// cannot be read) fails. Plan does the rest, which may take long.
class SplitRecipe {
public:
    explicit SplitRecipe(const SplitRequest& request);

    // Measures the sections' loudness when the request asks for it (the
    // whole source decoded on the calling thread, progress reported to
    // `observer`, pause and cancel taken from `control`) and adds it, then
    // the user's tags, and plans the jobs (PlanJobs). Nothing when the
    // measurement was cancelled.
    std::optional<JobList> Plan(const JobControl& control, JobObserver& observer) const;

private:
    SplitOptions options_;
    // The source codec's fields when the loudness is measured, else none.
    const LoudnessConvention* loudness_;
    UserTags tags_;
};

} // namespace oq
