#pragma once

#include "media/StreamPlan.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace oq {

// Receives decoded 16-bit PCM in order, one piece per packet, with the number
// of source bytes read so far; returns false to stop the decoding.
using PcmSink = std::function<bool(const unsigned char* data, std::size_t count, std::int64_t consumed)>;

// Decodes bytes [begin, end) of a planned stream's decoded output (16-bit
// little-endian, channels interleaved, exactly as the codec library's
// one-pass decoding gives it), from the
// plan's start `start`, which must lie at or before `begin`; end < 0 decodes
// to the end of the stream. The decoder library's own handling of granule
// positions is kept out: each packet's samples are taken as the plan's
// timeline places them. Returns false when the sink stopped the decoding.
// Raises StreamPlanMismatch when a packet does not decode as planned, and
// IoError when the source cannot be read.
bool DecodePart(const StreamPlan& plan, std::size_t start, std::int64_t begin, std::int64_t end, const PcmSink& sink);

} // namespace oq
