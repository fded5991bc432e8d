#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oq::test {

struct PageInfo {
    std::uint32_t Serial = 0;
    std::int64_t Granule = 0;
    bool Begins = false;
    bool Ends = false;
    int Packets = 0; // packets that end on the page
    std::size_t Bytes = 0;
};

// Every page of the file, as the sync layer finds them (pages with a wrong
// checksum are not found).
std::vector<PageInfo> ReadPages(const std::string& path);

// Checks that the file is one complete Ogg Vorbis stream with the given
// serial number: every byte belongs to a page with a right checksum, the
// first page alone begins the stream and holds only the identification
// header, the last page alone ends it (only
// whole further links may follow, as in a chained file), page sequence and granule positions
// never go back, and the three Vorbis headers decode. Returns the first
// problem found, or an empty string.
std::string ProblemWithStream(const std::string& path, std::uint32_t serial);

} // namespace oq::test
