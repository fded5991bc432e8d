#pragma once

#include "tools/ParallelParts.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace oq {

// The outline of a recording: one entry per 16384 bytes of decoded 16-bit
// PCM (all channels interleaved), the mean magnitude of the block's non-zero
// samples, 0 to 32767. Marker positions are counted in these entries.
struct AmplitudeProfile {
    std::vector<std::int16_t> Entries;
    // The decoder reached the end of the stream: Entries covers the whole
    // file and LastIndex() is the file's BlockCount. False after a cancel and
    // for a file that could not be decoded (Entries then empty).
    bool Complete = false;

    // Index of the last entry, -1 when there is none.
    std::int32_t LastIndex() const noexcept { return static_cast<std::int32_t>(Entries.size()) - 1; }
};

// Called after each entry is stored, with its index (the progress position).
using ProfileProgress = std::function<void(std::int32_t lastIndex)>;

// Decodes the whole file into its profile. `cancelled` is looked at once per
// block, after the block's entry has been stored, so a cancel never leaves a
// block half counted. A file that cannot be opened or is not Ogg Vorbis or Opus gives
// an empty, incomplete profile. Decoder errors inside the stream (holes, bad
// links) are passed over.
//
// A plain file is decoded in parts on every processor core at once, and the
// entries are still exactly those of one pass from the start; progress and
// the cancel are still seen on the calling thread, in entry order.
AmplitudeProfile ComputeAmplitudeProfile(const std::string& fileName, const std::atomic<bool>& cancelled,
                                         const ProfileProgress& progress = {});
// The same with the division of the work given.
AmplitudeProfile ComputeAmplitudeProfile(const std::string& fileName, const std::atomic<bool>& cancelled,
                                         const ProfileProgress& progress, const PartLayout& layout);

} // namespace oq
