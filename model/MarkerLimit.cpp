#include "model/MarkerLimit.h"

#include "base/TimeCode.h"
#include "model/EvenSplit.h"

namespace oq {

namespace {

static_assert(EvenSplit::kMostSections == MostThatFit(MarkerDemand::EvenSections),
              "the count field's range is every section the markers can cut");

struct DemandWords {
    const char* Unit;   // what is counted
    const char* Layout; // where its markers go
};

DemandWords WordsOf(MarkerDemand demand) noexcept
{
    switch (demand) {
    case MarkerDemand::EvenSections:
        return {"sections", "one at each end of the file and one between each two sections"};
    case MarkerDemand::CueTracks:
        return {"tracks", "one at each track's start"};
    case MarkerDemand::Labels:
        return {"labels", "one at each label"};
    case MarkerDemand::Chapters:
        return {"chapters", "one at each chapter's start"};
    case MarkerDemand::Pauses:
        return {"pauses", "one in each pause and one at each end of the file"};
    case MarkerDemand::Links:
        return {"links", "one at the start of each link and one at the end of the file"};
    }
    return {"markers", "one each"};
}

} // namespace

void RequireMarkerRoom(MarkerDemand demand, std::int64_t count, const std::string& subject)
{
    const std::int64_t most = MostThatFit(demand);
    if (count <= most)
        return;
    const DemandWords words = WordsOf(demand);
    throw MarkerLimitError(subject + " " + GroupedNumber(count) + " " + words.Unit + "; at most " +
                           GroupedNumber(most) + " can be cut: the editor holds " +
                           GroupedNumber(MarkerGeometry::kMaxMarkers) + " markers, " + words.Layout);
}

} // namespace oq
