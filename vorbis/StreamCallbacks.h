#pragma once

#include <vorbis/vorbisfile.h>

namespace oq {

// The four callbacks through which the Vorbis file library reaches a file.
// The data source handed to each is the address of the oq::RenumberedFile
// that holds the open file. Offsets are 64-bit, so files past 2 GiB seek
// correctly. The callbacks never let an exception into the library: a
// failure becomes 0 (read) or -1 (seek, close, tell).
extern const ov_callbacks StreamCallbacks;

} // namespace oq
