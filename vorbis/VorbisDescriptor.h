#pragma once

#include "codec/CodecDescriptor.h"

namespace oq {

// Vorbis has no pre-skip: a section opens on the packet before its cut,
// which primes the decoder. Its comment packet is packet type 3 and the
// codec's name, closed by a framing byte.
inline constexpr CodecDescriptor kVorbisDescriptor{
    .Name = "Vorbis",
    .Extension = ".ogg",
    .Opening = SectionOpening::PrimedByPacketBefore,
    .MostPreSkip = 0,
    .HasOutputGain = false,
    .Loudness = kReplayGain2,
    .CommentHeaderIndex = 1,
    .CommentForm = {"\x03vorbis", true},
};

} // namespace oq
