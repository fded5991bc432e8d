#include "codec/FileDecoder.h"

namespace oq {

FileDecoder::~FileDecoder() = default;

std::size_t FileDecoder::WholePacketReadBytes() { return 0; }

} // namespace oq
