#include "codec/FileDecoder.h"

namespace oq {

FileDecoder::~FileDecoder() = default;

} // namespace oq
