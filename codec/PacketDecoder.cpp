#include "codec/PacketDecoder.h"

namespace oq {

PacketDecoder::~PacketDecoder() = default;

std::uint64_t PacketDecoder::Fingerprint() const { return 0; }

} // namespace oq
