#pragma once

#include "media/StreamPlan.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace oq {

// Receives decoded 16-bit PCM in order, one piece per packet, with the number
// of source bytes read so far; returns false to stop the decoding.
using PcmSink = std::function<bool(const unsigned char* data, std::size_t count, std::int64_t consumed)>;

// What a part's decoding records so that the joins between parts of a
// stream with pre-roll can be checked: the decoder's fingerprint of each
// packet of a join's window, the packets from a start's first one that
// cover half a second of output. The window of the part's own start is
// decoded from its restart; the window of the next part's start is decoded
// by going on past the part's end. Where the two agree, the part that began
// anew has reached the output of the decoding before it.
struct PartJoin {
    std::optional<std::size_t> Next; // the plan's start of the following part, if any
    std::vector<std::uint64_t> Head; // over the window of the part's own start
    std::vector<std::uint64_t> Tail; // over the window of Next
};

// Decodes bytes [begin, end) of a planned stream's decoded output (16-bit
// little-endian, channels interleaved, exactly as the codec library's
// one-pass decoding gives it), from the
// plan's start `start`, which must lie at or before `begin`; end < 0 decodes
// to the end of the stream. The decoder begins at the start's restart page.
// The decoder library's own handling of granule positions is kept out: each
// packet's samples are taken as the plan's timeline places them. With
// `join`, and a plan whose restarts begin on pre-roll, the windows are
// recorded there. Returns
// false when the sink stopped the decoding. Raises StreamPlanMismatch when a
// packet does not decode as planned, and IoError when the source cannot be
// read.
bool DecodePart(const StreamPlan& plan, std::size_t start, std::int64_t begin, std::int64_t end, const PcmSink& sink,
                PartJoin* join = nullptr);

// How many of the parts, from the first, give the bytes of one pass: `joins`
// are the parts' records in order, each but the last naming the next one's
// start, and a part after the first counts where the part before it
// recorded a Tail equal to its Head (every part, for a plan whose restarts
// need no pre-roll).
std::size_t JoinedParts(const StreamPlan& plan, const std::vector<PartJoin>& joins);
// Raises StreamPlanMismatch unless every part is joined.
void CheckJoins(const StreamPlan& plan, const std::vector<PartJoin>& joins);

} // namespace oq
