#include "tools/PlannedParts.h"

namespace oq {

std::optional<StreamPlan> PlanParts(const std::string& path, const PartLayout& layout)
{
    auto plan = StreamPlan::Scan(path, TargetsOf(layout, path), layout.PreRoll);
    if (plan && !plan->Codec().PacketDecodingMatchesOnePass())
        return std::nullopt;
    return plan;
}

std::vector<DecodedSpan> DivideDecodedOutput(const StreamPlan& plan, std::int64_t alignBytes)
{
    const std::int64_t total = plan.DecodedBytes();
    std::vector<DecodedSpan> spans;
    for (std::size_t start = 0; start < plan.Starts().size(); ++start) {
        const std::int64_t first = plan.Starts()[start].FirstFrame * plan.FrameBytes();
        const std::int64_t begin = (first + alignBytes - 1) / alignBytes * alignBytes;
        if (start == 0 || (begin > spans.back().Begin && begin < total))
            spans.push_back({start, begin, total});
    }
    for (std::size_t k = 0; k + 1 < spans.size(); ++k)
        spans[k].End = spans[k + 1].Begin;
    return spans;
}

} // namespace oq
