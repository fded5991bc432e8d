#pragma once

#include "base/Error.h"
#include "codec/PacketClock.h"
#include "codec/StreamCodec.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace oq {

// A page where decoding can begin reading: the first packet that begins on
// it, and a copy of the whole stream's clock taken before that packet, so
// that no granule position is trusted beyond what the reference decoder
// itself makes of it.
struct PacketPlace {
    std::int64_t Offset = 0;      // byte offset of the page in the source
    std::int64_t PacketIndex = 0; // of the packet in the stream, the headers counted
    long PacketBytes = 0;         // the packet's size, compared when decoding starts here
    std::shared_ptr<const PacketClock> Clock;
};

// A page of the source from which a decoder begun anew gives exactly the
// samples that one pass from the start gives, from `FirstFrame` on. For a
// codec without pre-roll (Vorbis) the decoder begins on the page itself:
// the first packet that begins there only primes it, and FirstFrame is
// where that packet's samples end. For a codec with pre-roll (Opus) the
// decoder begins at `Restart`, a page at least the plan's pre-roll before
// the page's first packet (or the first audio page), and FirstFrame is
// where that packet's samples begin; that its output has converged there is
// shown by comparing decodings (see DecodePart).
struct DecodeStart : PacketPlace {
    std::int64_t FirstFrame = 0; // sample frame of the decoded output from which this start is exact
    PacketPlace Restart;         // where a decoder begun anew for this start reads from
};

// The stream did not decode as its plan said. Callers fall back to decoding
// from the start in one pass.
class StreamPlanMismatch : public Error {
public:
    using Error::Error;
};

// What one pass over the pages of an Ogg file, without decoding, tells about
// its decoded output: its length and places where decoding can begin in the
// middle. Only plain files get a plan: one logical stream of a known codec,
// unchained and alone, whose pages follow one another without gaps, damage,
// or bytes between or after them, and whose audio begins on the page after
// its headers. Anything else is decoded in one pass from the start, because
// the decoder library's handling of links, holes and foreign streams is not
// repeated here.
class StreamPlan {
public:
    // Reads `path` once. `startTargets` are rising byte offsets; for each the
    // plan holds the first usable page at or after it (targets that fall on
    // the same page give one start). Returns no plan for a file that is not
    // plain or of no known codec; raises IoError when the file cannot be read.
    // `preRoll`, when given, replaces the pre-roll of a codec that has one.
    static std::optional<StreamPlan> Scan(const std::string& path, const std::vector<std::int64_t>& startTargets,
                                          std::optional<std::int64_t> preRoll = std::nullopt);

    const std::string& Path() const noexcept { return path_; }
    // The stream's codec, its headers complete.
    const StreamCodec& Codec() const noexcept { return *codec_; }
    std::uint32_t Serial() const noexcept { return serial_; }
    int Channels() const noexcept { return codec_->Channels(); }
    long Rate() const noexcept { return codec_->Rate(); }
    // Bytes of one decoded 16-bit sample frame.
    std::int64_t FrameBytes() const noexcept { return 2 * static_cast<std::int64_t>(Channels()); }
    // Sample frames of the whole decoded output.
    std::int64_t Frames() const noexcept { return frames_; }
    std::int64_t DecodedBytes() const noexcept { return frames_ * FrameBytes(); }
    std::int64_t FileBytes() const noexcept { return fileBytes_; }
    // Starts()[0] is the first audio page; the others follow in rising order.
    const std::vector<DecodeStart>& Starts() const noexcept { return starts_; }
    // Whether a decoder begun anew in the middle begins on pre-roll (the
    // codec opens sections on pre-roll under a pre-skip), rather than being
    // exact after one priming packet.
    bool RestartsOnPreRoll() const noexcept { return codec_->Descriptor().OpensOnPreRoll(); }
    // Sample frames such a decoder decodes at least before a start's first
    // frame: what the codec's headers let a section's decoder drop
    // (its descriptor's MostPreSkip) unless the plan was asked for another;
    // 0 without.
    std::int64_t PreRoll() const noexcept { return preRoll_; }

private:
    explicit StreamPlan(const std::string& path);

    std::string path_;
    std::shared_ptr<const StreamCodec> codec_; // shared by the plan's copies, whose clocks refer to it
    std::uint32_t serial_ = 0;
    std::int64_t frames_ = 0;
    std::int64_t fileBytes_ = 0;
    std::int64_t preRoll_ = 0;
    std::vector<DecodeStart> starts_;
};

// Byte offsets that divide a file of `fileBytes` into parts for `threads`
// decoding threads: small files stay whole, larger ones get several parts per
// thread, so that a thread slowed by other work takes fewer of them.
std::vector<std::int64_t> PartTargets(std::int64_t fileBytes, unsigned threads);

} // namespace oq
