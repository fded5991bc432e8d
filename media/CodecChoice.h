#pragma once

#include "codec/CodecDescriptor.h"
#include "codec/FileDecoder.h"
#include "codec/StreamCodec.h"
#include "media/MPEGData.h"

#include <cstddef>
#include <memory>
#include <ogg/ogg.h>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace oq {

// The codecs the program reads: Vorbis and Opus. Another codec joins here
// and nowhere in the page handling; everything else asks its descriptor.

// The descriptors of the codecs read, in the order in which a stream is
// preferred when a file begins several: Vorbis first, as the one-pass
// decoding chooses.
std::span<const CodecDescriptor* const> KnownCodecs() noexcept;

// The codec whose descriptor is named `name` (as StreamFormat::Codec and
// MPEGData::Codec hold it); null for a name no known codec has.
const CodecDescriptor* FindCodec(std::string_view name) noexcept;

// The codec of a described file's first link. Raises NotOggAudioError when
// the record names no codec the program reads.
const CodecDescriptor& CodecOf(const MPEGData& file);

// A codec for the logical stream whose first packet is `first`, not yet
// given any header; null when the packet begins no stream of a known codec.
// `sourceName` names the file in the codec's messages.
std::unique_ptr<StreamCodec> ChooseStreamCodec(const ogg_packet& first, const std::string& sourceName);

// Opens `path` for decoding in one pass; the result is never null. Raises
// NotOggAudioError when the file holds no stream that a known codec's
// library accepts and can decode (naming both codecs of a chain of two),
// IoError when the file cannot be opened for reading at all.
std::unique_ptr<FileDecoder> OpenFileDecoder(const std::string& path);

// Which of the streams that begin one link carries its audio, given their
// first packets in file order: a stream of the codec listed first in
// KnownCodecs (Vorbis) before one of the next (Opus), the earliest of a
// codec first, as the one-pass decoding follows them; none when no stream
// is of a known codec. Every reader of a link's headers chooses by this.
std::optional<std::size_t> ChooseAudioStream(const std::vector<ogg_packet>& firsts);

// The codec of a stream that no known codec takes, from its first packet,
// for a refusal to name: "Opus" (a damaged one), "FLAC", "Theora", "Speex",
// "damaged Vorbis" or "unknown".
std::string UnreadCodecName(const ogg_packet& first);

} // namespace oq
