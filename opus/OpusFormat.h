#pragma once

#include <cstdint>

namespace oq {

// Opus decodes at 48 kHz whatever rate the source had; granule positions,
// pre-skip and every position of the program count samples at that rate.
constexpr long kOpusRate = 48000;
// The most one packet can hold: 120 ms.
constexpr int kOpusLargestPacketFrames = kOpusRate * 120 / 1000;

} // namespace oq
