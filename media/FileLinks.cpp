#include "media/FileLinks.h"

#include "base/Error.h"
#include "base/File.h"
#include "codec/PacketClock.h"
#include "ogg/PageReader.h"

#include <algorithm>
#include <memory>

namespace oq {

namespace {

constexpr std::size_t kBlockBytes = 64 * 1024;

// The link being read: its headers until they are complete, then the
// packets of its audio stream on the stream's clock.
class LinkRead {
public:
    LinkRead(const std::string& path, std::int64_t firstByte, std::int64_t firstSample)
        : headers_(std::make_unique<LinkHeaderReader>(path))
    {
        link_.FirstByte = firstByte;
        link_.FirstSample = firstSample;
    }

    bool HeadersRead() const noexcept { return !headers_; }

    void Take(ogg_page& page)
    {
        if (headers_) {
            headers_->Take(page);
            if (headers_->Complete())
                BeginAudio();
            return;
        }
        if (!ended_ && ogg_page_serialno(&page) == stream_->Serial()) {
            ogg_stream_pagein(stream_->get(), &page);
            PlacePackets();
        }
    }

    // The link's last page was taken; it ends at `endByte`.
    FileLink Finish(std::int64_t endByte)
    {
        if (headers_) {
            headers_->Finish();
            BeginAudio();
        }
        link_.EndByte = endByte;
        link_.EndSample = link_.FirstSample + clock_->Position();
        return link_;
    }

private:
    void BeginAudio()
    {
        link_.Headers = headers_->Headers();
        codec_ = headers_->ReleaseCodec();
        stream_ = headers_->ReleaseStream();
        headers_.reset();
        clock_ = codec_->NewClock();
        PlacePackets();
    }

    // As the section cutter's reader: a gap is passed over, and the
    // end-of-stream packet ends the link's audio.
    void PlacePackets()
    {
        ogg_packet packet;
        for (int result; !ended_ && (result = ogg_stream_packetout(stream_->get(), &packet)) != 0;) {
            if (result < 0)
                continue;
            TimedPacket time;
            clock_->Place(packet, time);
            ended_ = packet.e_o_s != 0;
        }
    }

    std::unique_ptr<LinkHeaderReader> headers_;
    std::unique_ptr<StreamCodec> codec_;
    std::unique_ptr<OggStreamState> stream_;
    std::unique_ptr<PacketClock> clock_; // refers to codec_, which outlives it
    bool ended_ = false;
    FileLink link_;
};

// The headers of the file's first link, read up to their end only.
LinkHeaders ReadFirstLinkHeaders(const std::string& path)
{
    File file = File::OpenRead(path);
    PageReader pages(file);
    LinkHeaderReader headers(path);
    ogg_page page;
    for (int found; !headers.Complete() && (found = pages.NextPage(page, kBlockBytes)) != 0;)
        if (found > 0)
            headers.Take(page);
    headers.Finish(); // raises when the file ended before the headers did
    return headers.Headers();
}

} // namespace

std::vector<FileLink> ReadFileLinks(const std::string& path)
{
    File file = File::OpenRead(path);
    PageReader pages(file);
    std::vector<FileLink> links;
    std::unique_ptr<LinkRead> link;
    std::int64_t end = 0; // of the last page taken
    ogg_page page;
    for (int found; (found = pages.NextPage(page, kBlockBytes)) != 0;) {
        if (found < 0)
            continue; // bytes that are no page were passed over
        const std::int64_t start = pages.Taken() - page.header_len - page.body_len;
        // A stream that begins after the link's headers begins the next link.
        if (!link || (link->HeadersRead() && ogg_page_bos(&page))) {
            if (link)
                links.push_back(link->Finish(start));
            link = std::make_unique<LinkRead>(path, start, links.empty() ? 0 : links.back().EndSample);
        }
        link->Take(page);
        end = pages.Taken();
    }
    if (!link) {
        LinkHeaderReader(path).Finish(); // raises: no page at all
        return links;
    }
    links.push_back(link->Finish(end));
    return links;
}

void RefuseChainOfCodecs(const std::string& path)
{
    std::vector<FileLink> links;
    try {
        // A chain begins with a page; anything else is not read on through.
        constexpr char kCapture[] = {'O', 'g', 'g', 'S'};
        char start[sizeof kCapture] = {};
        if (File::OpenRead(path).Read(start, sizeof start) != sizeof start ||
            !std::equal(start, start + sizeof start, kCapture))
            return;
        links = ReadFileLinks(path);
    } catch (const Error&) {
        return; // not audio, or damaged in another way: the caller's answer stands
    }
    for (const FileLink& link : links)
        if (link.Headers.Codec != links.front().Headers.Codec)
            throw NotOggAudioError(path, "chains " + std::string(links.front().Headers.Codec->Name) + " and " +
                                             std::string(link.Headers.Codec->Name) +
                                             " links, and a chain is decoded with one codec's library");
}

std::vector<FileLink> ReadLinksToDescribe(const std::string& path, const MPEGData& record)
{
    if (record.Streams > 1)
        return ReadFileLinks(path);
    FileLink link;
    link.Headers = ReadFirstLinkHeaders(path);
    link.EndByte = record.FileSize;
    link.EndSample = record.PcmTotal;
    return {link};
}

} // namespace oq
