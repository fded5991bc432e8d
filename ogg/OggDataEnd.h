#pragma once

#include <cstdint>
#include <string>

namespace oq {

// Where the Ogg data of a file ends: the byte after its last whole, valid
// page. Bytes after it (a tag block some tools append, a download's junk)
// are not part of the stream, so a join must not copy them and the file's
// recorded size and bit rate must not count them. `fileSize` is the size on
// disk; it is returned when no valid page is found at all. `lastPageStart`,
// when the decoder already knows where its last page begins (-1 when not),
// lets a file without much after that page be read from there only. Raises
// IoError when the file cannot be read.
std::int64_t OggDataEnd(const std::string& fileName, std::int64_t fileSize, std::int64_t lastPageStart = -1);

} // namespace oq
