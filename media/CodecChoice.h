#pragma once

#include "codec/FileDecoder.h"
#include "codec/StreamCodec.h"

#include <memory>
#include <ogg/ogg.h>
#include <string>

namespace oq {

// The codecs the program reads: Vorbis and Opus. Another codec joins here
// and nowhere in the page handling.

// A codec for the logical stream whose first packet is `first`, not yet
// given any header; null when the packet begins no stream of a known codec.
// `sourceName` names the file in the codec's messages.
std::unique_ptr<StreamCodec> ChooseStreamCodec(const ogg_packet& first, const std::string& sourceName);

// Opens `path` for decoding in one pass; the result is never null. Raises
// NotOggVorbisError when the file holds no stream that a known codec's
// library accepts and can decode, IoError when the file cannot be opened
// for reading at all.
std::unique_ptr<FileDecoder> OpenFileDecoder(const std::string& path);

} // namespace oq
