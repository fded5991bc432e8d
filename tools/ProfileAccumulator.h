#pragma once

#include "media/ProfileBlock.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace oq {

// Turns a stream of decoded 16-bit little-endian PCM (all channels
// interleaved) into amplitude-profile entries: one entry per 16384 bytes, the
// mean magnitude of the block's non-zero samples.
//
// The bytes may arrive in pieces of any size. Block boundaries lie at fixed
// multiples of kBlockBytes from the first byte fed, so an accumulator fed a
// part of the stream that starts on a block boundary yields exactly the
// entries that a single pass would yield for those blocks; the parts'
// entries, joined in order, give the whole profile.
class ProfileAccumulator {
public:
    static constexpr std::size_t kBlockBytes = kProfileBlockBytes;

    // Feeds decoded bytes; returns how many entries they completed.
    std::size_t Add(const unsigned char* data, std::size_t count);
    // Bytes still missing from the block being filled (kBlockBytes after a
    // boundary).
    std::size_t BytesToBlockEnd() const noexcept { return kBlockBytes - filled_; }
    // The stream has ended: records the block that holds the end with what it
    // got, which is an entry of 0 when the stream ended on a block boundary.
    // A complete profile therefore has (decoded bytes / kBlockBytes) + 1
    // entries.
    void Finish();

    const std::vector<std::int16_t>& Entries() const noexcept { return entries_; }
    std::vector<std::int16_t> TakeEntries() noexcept;

    // The entry for a block: sum / count truncated, 0 for a block without
    // non-zero samples. A block whose every non-zero sample is -32768 has the
    // mean 32768, which does not fit an entry; it is stored as 32767.
    static std::int16_t BlockEntry(std::int64_t magnitudeSum, std::int64_t nonZeroCount) noexcept;

private:
    void CountSample(std::int16_t sample) noexcept;
    void CountWholeSamples(const unsigned char* data, std::size_t samples) noexcept;
    void CloseBlock();

    std::vector<std::int16_t> entries_;
    std::size_t filled_ = 0;
    std::int64_t sum_ = 0;
    std::int64_t count_ = 0;
    // A sample's low byte when a piece ended in the middle of the sample.
    bool holdingLowByte_ = false;
    unsigned char lowByte_ = 0;
};

} // namespace oq
