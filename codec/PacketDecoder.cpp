#include "codec/PacketDecoder.h"

namespace oq {

PacketDecoder::~PacketDecoder() = default;

} // namespace oq
