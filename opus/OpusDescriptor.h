#pragma once

#include "codec/CodecDescriptor.h"
#include "opus/OpusFormat.h"

namespace oq {

// Opus decoders need pre-roll after a restart, which OpusHead's pre-skip
// drops. OpusTags has no framing byte.
inline constexpr CodecDescriptor kOpusDescriptor{
    .Name = "Opus",
    .Extension = ".opus",
    .Opening = SectionOpening::PreRollUnderPreSkip,
    .MostPreSkip = kOpusMostPreSkip,
    .HasOutputGain = true,
    .Loudness = kR128Gains,
    .CommentHeaderIndex = 1,
    .CommentForm = {"OpusTags", false},
};

} // namespace oq
