#pragma once

#include "codec/CodecDescriptor.h"
#include "codec/StreamCodec.h"
#include "ogg/OggStreamState.h"

#include <cstdint>
#include <memory>
#include <ogg/ogg.h>
#include <string>
#include <utility>
#include <vector>

namespace oq {

// What the headers of one link of an Ogg file say about its audio stream.
struct LinkHeaders {
    const CodecDescriptor* Codec = nullptr; // never null in a record read
    std::uint32_t Serial = 0;  // of the audio stream
    long Rate = 0;             // decoded sample frames per second
    int Channels = 0;
    std::int64_t PreSkip = 0;  // samples the decoder drops at the link's start; 0 for a codec without
    int OutputGain = 0;        // 1/256 dB the decoder applies to every sample; 0 for a codec without
    std::string Vendor;        // the comment header's vendor string
    // The comment header's fields in its order: the name as written before
    // the first '=', and the value after it (UTF-8 by both codecs' rules).
    std::vector<std::pair<std::string, std::string>> Comments;
};

// Reads the headers of one link of an Ogg file from its pages, handed over
// in file order from the link's first page on. Every stream of a link
// begins (its first page, which holds its identification header) before
// any goes on, so the beginning pages are all seen before the audio stream
// is chosen among them (ChooseAudioStream); that stream's further header
// packets then go to its codec until they are complete, and pages of the
// other streams are passed over. The section cutter's reader, the links
// that follow a cut and the stream plan all take a link's headers here, so
// they follow the same stream of every link.
class LinkHeaderReader {
public:
    // `sourceName` names the file in messages.
    explicit LinkHeaderReader(std::string sourceName) : sourceName_(std::move(sourceName)) {}
    LinkHeaderReader(const LinkHeaderReader&) = delete;
    LinkHeaderReader& operator=(const LinkHeaderReader&) = delete;

    // Takes the link's next page, until the headers are complete. Raises
    // NotOggAudioError when the link does not begin with a beginning page,
    // when its beginning pages hold no stream of a known codec, or when
    // data is missing among the chosen stream's headers; the codec raises
    // FormatError for headers it cannot use.
    void Take(ogg_page& page);
    // No page of the link follows: completes the headers from what was
    // taken, or raises NotOggAudioError saying what is missing (no page at
    // all, no stream of a known codec, headers cut short).
    void Finish();
    bool Complete() const noexcept { return codec_ && codec_->HeadersComplete(); }

    // Once complete. The record of the headers; raises FormatError when the
    // comment header, which the codec accepted, holds no fields to read.
    LinkHeaders Headers() const;
    // The chosen stream's codec, its headers complete, and its stream
    // state, from which the packets after the headers are read.
    std::unique_ptr<StreamCodec> ReleaseCodec() noexcept { return std::move(codec_); }
    std::unique_ptr<OggStreamState> ReleaseStream() noexcept { return std::move(stream_); }

private:
    // A stream that began the link, its first packet in its stream state.
    struct Beginning {
        std::unique_ptr<OggStreamState> Stream;
        ogg_packet First{};
    };

    void Begin(ogg_page& page);
    // The beginning pages have all been seen: chooses the audio stream.
    void Choose();
    // Hands the chosen stream's packets to its codec while it asks for more.
    void AddHeaders();

    std::string sourceName_;
    bool sawPage_ = false;
    std::vector<Beginning> beginnings_; // until the choice
    std::string otherCodecs_;           // the streams no known codec takes, for a refusal
    std::unique_ptr<OggStreamState> stream_;
    std::unique_ptr<StreamCodec> codec_;
};

} // namespace oq
