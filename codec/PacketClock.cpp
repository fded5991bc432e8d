#include "codec/PacketClock.h"

namespace oq {

PacketClock::~PacketClock() = default;

} // namespace oq
