#pragma once

#include "media/StreamPlan.h"
#include "tools/ParallelParts.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oq {

// The plan for decoding `path` in parts, or none when the file is decoded in
// one pass: it is not plain, or its codec's packet decoding does not give the
// bytes of the one-pass decoding on this processor. Raises IoError when the
// file cannot be read.
std::optional<StreamPlan> PlanParts(const std::string& path, const PartLayout& layout);

// One stretch of a planned stream's decoded output, in bytes, decoded from
// one of the plan's starts.
struct DecodedSpan {
    std::size_t Start = 0;  // index of the plan's start the decoding begins from
    std::int64_t Begin = 0; // first decoded byte
    std::int64_t End = 0;   // one past the last
};

// Divides the decoded output at the plan's starts: a stretch begins at each
// start's first byte moved up to a multiple of `alignBytes`, where that lies
// past the previous stretch's begin and before the output's end (the first
// stretch begins at 0). Each ends where the next begins, the last at the end
// of the output.
std::vector<DecodedSpan> DivideDecodedOutput(const StreamPlan& plan, std::int64_t alignBytes);

// Runs `inParts` and returns what it returns. When the stream turns out not
// to decode as planned, returns nothing, so that the caller decodes it again
// in one pass, or raises the StreamPlanMismatch when the layout asks so.
template <typename Work>
auto UnlessPlanMismatch(const PartLayout& layout, Work&& inParts) -> std::optional<decltype(inParts())>
{
    try {
        return inParts();
    } catch (const StreamPlanMismatch&) {
        if (!layout.OnePassOnMismatch)
            throw;
        return std::nullopt;
    }
}

} // namespace oq
