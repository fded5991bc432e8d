#pragma once

#include <cstdint>

namespace oq {

// One amplitude-profile entry covers this many bytes of decoded 16-bit PCM,
// all channels interleaved (4096 stereo frames, 8192 mono frames). Marker
// positions and a file's BlockCount are counted in these blocks.
inline constexpr int kProfileBlockBytes = 16384;

// Sample frames per channel in one block, truncated: 8192 for mono, 4096
// for stereo, 2730 for three channels (16384 / 6 = 2730.67), 1365 for six.
// `channels` must be 1..8192.
std::int32_t SamplesPerBlock(std::int32_t channels);

// The whole blocks in the decoded PCM of `pcmTotal` frames of `channels`
// channels: (pcmTotal x channels x 2) div 16384. A complete profile has one
// entry more (the block that holds the end), so this is its last index and
// the BlockCount of an analysed file. `pcmTotal` >= 0, `channels` 1..8192.
std::int64_t DecodedBlockCount(std::int64_t pcmTotal, std::int32_t channels);

// The BlockCount a file is opened with, before its analysis replaces it
// with DecodedBlockCount: pcmTotal div SamplesPerBlock(channels). The two
// agree where the channels divide 8192 (1, 2, 4, 8 ...). For the others
// (3, 5, 6, 7 ...) SamplesPerBlock is truncated, so this counts blocks a
// few bytes short of 16384 and comes out about one block in 4096 higher:
// 27300 six-channel frames are 20 blocks here and 19 decoded.
std::int64_t OpeningBlockCount(std::int64_t pcmTotal, std::int32_t channels);

} // namespace oq
