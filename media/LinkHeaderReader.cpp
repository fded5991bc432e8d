#include "media/LinkHeaderReader.h"

#include "base/Error.h"
#include "codec/CommentHeader.h"
#include "media/CodecChoice.h"

#include <string_view>

namespace oq {

void LinkHeaderReader::Take(ogg_page& page)
{
    sawPage_ = true;
    if (!codec_) {
        if (ogg_page_bos(&page)) {
            Begin(page);
            return;
        }
        // The first page that begins no stream ends the beginning pages.
        if (beginnings_.empty() && otherCodecs_.empty())
            throw NotOggAudioError(sourceName_, "does not begin with an Ogg stream header page");
        Choose();
    }
    if (ogg_page_serialno(&page) == stream_->Serial())
        ogg_stream_pagein(stream_->get(), &page);
    AddHeaders();
}

void LinkHeaderReader::Finish()
{
    if (!sawPage_)
        throw NotOggAudioError(sourceName_, "is not an Ogg file");
    if (!codec_) {
        Choose();
        AddHeaders();
    }
    if (!Complete())
        throw NotOggAudioError(sourceName_, "ends before its " + codec_->Name() + " headers are complete");
}

void LinkHeaderReader::Begin(ogg_page& page)
{
    Beginning beginning{std::make_unique<OggStreamState>(ogg_page_serialno(&page))};
    std::string unread;
    if (ogg_stream_pagein(beginning.Stream->get(), &page) != 0 ||
        ogg_stream_packetout(beginning.Stream->get(), &beginning.First) != 1)
        unread = "a damaged stream";
    else if (!ChooseAudioStream({beginning.First}))
        unread = UnreadCodecName(beginning.First);
    if (unread.empty())
        beginnings_.push_back(std::move(beginning));
    else
        otherCodecs_ += (otherCodecs_.empty() ? "" : ", ") + unread;
}

void LinkHeaderReader::Choose()
{
    std::vector<ogg_packet> firsts;
    for (const Beginning& beginning : beginnings_)
        firsts.push_back(beginning.First);
    const std::optional<std::size_t> chosen = ChooseAudioStream(firsts);
    if (!chosen) {
        throw NotOggAudioError(sourceName_, otherCodecs_.empty()
                                                 ? "holds no Ogg Vorbis or Opus audio stream"
                                                 : "holds no Ogg Vorbis or Opus audio stream (found " + otherCodecs_ + ")");
    }
    codec_ = ChooseStreamCodec(firsts[*chosen], sourceName_);
    stream_ = std::move(beginnings_[*chosen].Stream);
    beginnings_.clear();
    codec_->AddHeader(firsts[*chosen]);
}

void LinkHeaderReader::AddHeaders()
{
    ogg_packet packet;
    while (!codec_->HeadersComplete()) {
        const int result = ogg_stream_packetout(stream_->get(), &packet);
        if (result == 0)
            return;
        if (result < 0)
            throw NotOggAudioError(sourceName_, "is damaged: data is missing among its " + codec_->Name() + " headers");
        codec_->AddHeader(packet);
    }
}

LinkHeaders LinkHeaderReader::Headers() const
{
    const CodecDescriptor& codec = codec_->Descriptor();
    LinkHeaders headers;
    headers.Codec = &codec;
    headers.Serial = static_cast<std::uint32_t>(stream_->Serial());
    headers.Rate = codec_->Rate();
    headers.Channels = codec_->Channels();
    headers.PreSkip = codec_->PreSkip();
    headers.OutputGain = codec_->OutputGain();
    const ogg_packet packet = codec_->Header(codec.CommentHeaderIndex).Packet();
    const CommentHeader comments = CommentHeader::Parse(
        std::string_view(reinterpret_cast<const char*>(packet.packet), static_cast<std::size_t>(packet.bytes)),
        codec.CommentForm);
    headers.Vendor = comments.Vendor;
    for (const std::string& field : comments.Fields) {
        const std::size_t equals = field.find('=');
        if (equals == std::string::npos)
            headers.Comments.emplace_back(field, "");
        else
            headers.Comments.emplace_back(field.substr(0, equals), field.substr(equals + 1));
    }
    return headers;
}

} // namespace oq
