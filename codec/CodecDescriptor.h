#pragma once

#include "codec/CommentHeader.h"
#include "codec/LoudnessConvention.h"

#include <cstdint>
#include <string_view>

namespace oq {

// How a section after the first begins, so that its decoder gives the
// source's samples from the cut on.
enum class SectionOpening {
    // With the packet before the cut, whose decoding only primes the
    // decoder; the samples of the packet around the cut that lie before it
    // are trimmed through the section's granule positions (Vorbis).
    PrimedByPacketBefore,
    // With packets up to MostPreSkip samples before the cut, decoded as
    // pre-roll that the section header's pre-skip drops; by the cut the
    // decoder's output has converged on the source's (Opus).
    PreRollUnderPreSkip,
};

// What the program knows of a codec as fixed facts rather than behaviour:
// one constant instance per codec, in the codec's own folder, listed by
// CodecChoice. The engine asks it for every choice that differs between
// codecs; headers, clocks and decoders stay behind StreamCodec and
// FileDecoder.
struct CodecDescriptor {
    std::string_view Name;      // for messages and the file record: "Vorbis"
    std::string_view Extension; // of the codec's own files, with the dot: ".ogg"

    SectionOpening Opening;
    // Samples a section's header can tell its decoder to drop at its start,
    // and so the longest pre-roll; 0 for a codec without a pre-skip.
    std::int64_t MostPreSkip;
    // Whether the headers carry a gain the decoder applies to every sample
    // (StreamCodec::OutputGain).
    bool HasOutputGain;

    LoudnessConvention Loudness;

    // The header packet that holds the stream's comments (0-based), and its
    // framing; a section's comments are rewritten there.
    int CommentHeaderIndex;
    CommentHeader::Form CommentForm;

    bool OpensOnPreRoll() const noexcept { return Opening == SectionOpening::PreRollUnderPreSkip; }
};

} // namespace oq
