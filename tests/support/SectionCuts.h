#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace oq::test {

// Where to cut a source and what to call the pieces.
struct SectionPlan {
    std::vector<std::int64_t> Cuts;                       // sample positions, rising; n cuts make n + 1 sections
    std::function<std::string(std::size_t)> OutputName;   // by section number, from 1
    std::uint32_t FirstSerial = 0x10000;                  // section k gets FirstSerial + k - 1
    std::function<bool(std::size_t)> Skipped;             // by section number; none skipped when empty
};

// Cuts `source` the way the job runner does: one engine, one forward pass,
// each section begun, cut, cleared and closed in turn. Returns the sections'
// names in order, empty for skipped ones. Engine errors pass through.
std::vector<std::string> CutSections(const std::string& source, const SectionPlan& plan);

} // namespace oq::test
