#pragma once

#include <ogg/ogg.h>

#include <cstdint>
#include <unordered_map>
#include <unordered_set>

namespace oq {

// The serial numbers of the links of one physical stream (a joined output,
// or a file being read) so far, and the number each new link is to carry.
// Two links of one serial number make a broken file: readers take the second
// link's pages for misplaced pages of the first stream (two copies of one
// recording put one after the other have it). So a link whose number an
// earlier link already took gets a new number that nothing in the stream
// carries; every other link keeps its own, and a join of inputs with
// distinct numbers stays their plain concatenation. A later link that
// happens to carry a number given out here is itself renumbered, so the
// numbers stay distinct in the whole file without looking ahead at the
// links still to come. The joiner writes its output with these numbers,
// and a file is read with them (RenumberedFile), so both see the same links.
class LinkSerials {
public:
    // A link of serial `serial` begins (its first page): returns the serial
    // its pages are to carry.
    std::uint32_t Begin(std::uint32_t serial);
    // The serial a page of serial `serial` is to carry: that of its link, or
    // its own when it belongs to no link begun in the output.
    std::uint32_t Of(std::uint32_t serial);
    // The link of serial `serial` has ended (its last page was passed).
    void End(std::uint32_t serial);
    // Gives a whole page the serial of its link (Begin for a page that
    // begins a stream, Of for the others, End after a stream's last page);
    // a renumbered page changes in its serial and checksum only.
    void Renumber(ogg_page& page);
    // Forgets everything: the next output begins.
    void Clear() noexcept;

private:
    std::uint32_t Unused(std::uint32_t serial);

    std::unordered_set<std::uint32_t> used_;
    // Source serial -> output serial of the links begun and not yet ended.
    std::unordered_map<std::uint32_t, std::uint32_t> open_;
    std::uint64_t renumbered_ = 0;
};

} // namespace oq
