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
class MarkerGeometry;

// Comments the user gives every section ("KEY", "VALUE" each). In a value
// "{n}" stands for the section's number, "{total}" for how many there are.
using UserTags = std::vector<std::pair<std::string, std::string>>;

// Where a file is cut, as the window's markers or a command's method chose.
struct SplitCuts {
    // Where the markers cut, in samples per channel, ascending, at least
    // one: a leading section when the first lies after the start, one
    // between each pair, a trailing one when the last lies before the end.
    std::vector<std::int64_t> Markers{};
    // Marker k's title at [k] (empty: none; fewer than markers: the rest
    // have none): the section that starts at it takes it as its TITLE and,
    // when asked, as its name "NN - Title", NN the section number.
    std::vector<std::string> Titles{};
    // The cue sheet that laid the markers, if one did: its tracks give the
    // sections their comments and names, in place of Titles.
    std::string CueSheet{};
    // The other files read to find the cuts (a label file). They and the
    // cue sheet are inputs of the run, which no section may replace.
    std::vector<std::string> OtherInputs{};
};

// The cuts of the sorted markers of a geometry, with their titles.
SplitCuts CutsOf(const MarkerGeometry& markers);

// The sections that markers cutting at `markers` (samples, ascending, at
// least one) make of `file`, as SplitCuts describes them. RangeError
// without a marker.
SectionSource SectionsAtMarkers(const MPEGData& file, const std::vector<std::int64_t>& markers);

// The sections that `cuts` make of `file`, each with its title or its cue
// track's comments and name. Raises the cue sheet's IoError or FormatError,
// and RangeError for cuts without a marker.
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
