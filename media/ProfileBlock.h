#pragma once

namespace oq {

// One amplitude-profile entry covers this many bytes of decoded 16-bit PCM,
// all channels interleaved (4096 stereo frames, 8192 mono frames). Marker
// positions and a file's BlockCount are counted in these blocks.
inline constexpr int kProfileBlockBytes = 16384;

} // namespace oq
