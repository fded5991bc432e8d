#include "codec/StreamCodec.h"

namespace oq {

StreamCodec::~StreamCodec() = default;

} // namespace oq
