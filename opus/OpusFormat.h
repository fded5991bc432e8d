#pragma once

#include <cstddef>
#include <cstdint>

namespace oq {

// Opus decodes at 48 kHz whatever rate the source had; granule positions,
// pre-skip and every position of the program count samples at that rate.
constexpr long kOpusRate = 48000;
// The most one packet can hold: 120 ms.
constexpr int kOpusLargestPacketFrames = kOpusRate * 120 / 1000;
// OpusHead's pre-skip is an unsigned 16-bit field (at most 1.365 s at 48 kHz).
constexpr std::int64_t kOpusMostPreSkip = 65535;
// Where OpusHead holds it: after the magic, version and channel count; little-endian.
constexpr std::size_t kOpusPreSkipOffset = 10;
// Channel mapping families 0 and 1 place the channels in the Vorbis order;
// the others leave their meaning to the application.
constexpr int kOpusMostPlacedFamily = 1;

} // namespace oq
