#include "tests/support/OggCheck.h"

#include "tests/support/TestAudio.h"

#include <cstring>
#include <ogg/ogg.h>
#include <opusfile.h>
#include <vorbis/codec.h>

namespace oq::test {

namespace {

// Feeds the whole file into a sync state and hands out its pages.
class PageScanner {
public:
    explicit PageScanner(const std::string& path) : bytes_(ReadBytes(path))
    {
        ogg_sync_init(&sync_);
        char* buffer = ogg_sync_buffer(&sync_, static_cast<long>(bytes_.size()));
        std::copy(bytes_.begin(), bytes_.end(), buffer);
        ogg_sync_wrote(&sync_, static_cast<long>(bytes_.size()));
    }
    PageScanner(const PageScanner&) = delete;
    PageScanner& operator=(const PageScanner&) = delete;
    ~PageScanner() { ogg_sync_clear(&sync_); }

    bool Next(ogg_page& page)
    {
        for (;;) {
            const int result = ogg_sync_pageout(&sync_, &page);
            if (result == 1)
                return true;
            if (result == 0)
                return false;
            skipped_ = true;
        }
    }
    bool Skipped() const { return skipped_; }
    std::size_t Size() const { return bytes_.size(); }

private:
    Bytes bytes_;
    ogg_sync_state sync_;
    bool skipped_ = false;
};

} // namespace

std::vector<PageInfo> ReadPages(const std::string& path)
{
    PageScanner scanner(path);
    std::vector<PageInfo> pages;
    ogg_page page;
    while (scanner.Next(page)) {
        pages.push_back({static_cast<std::uint32_t>(ogg_page_serialno(&page)), ogg_page_granulepos(&page),
                         ogg_page_bos(&page) != 0, ogg_page_eos(&page) != 0, ogg_page_packets(&page),
                         static_cast<std::size_t>(page.header_len + page.body_len)});
    }
    return pages;
}

std::string ProblemWithStream(const std::string& path, std::uint32_t serial)
{
    PageScanner scanner(path);
    ogg_stream_state stream;
    ogg_stream_init(&stream, static_cast<int>(serial));
    vorbis_info info;
    vorbis_comment comment;
    vorbis_info_init(&info);
    vorbis_comment_init(&comment);
    // A stream's codec is known from its first packet: Opus streams have two
    // headers, OpusHead and OpusTags; Vorbis streams three.
    bool opus = false;
    int headerCount = 3;
    const auto headerDecodes = [&](ogg_packet& packet, int index) {
        if (index == 0 && packet.bytes >= 8 && std::memcmp(packet.packet, "OpusHead", 8) == 0) {
            opus = true;
            headerCount = 2;
        }
        const auto bytes = static_cast<std::size_t>(packet.bytes);
        if (!opus)
            return vorbis_synthesis_headerin(&info, &comment, &packet) == 0;
        OpusHead head;
        return index == 0 ? opus_head_parse(&head, packet.packet, bytes) == 0 : opus_tags_parse(nullptr, packet.packet, bytes) == 0;
    };
    std::string problem;
    std::size_t bytes = 0;
    std::int64_t lastGranule = 0;
    long lastSequence = -1;
    int headers = 0;
    bool ended = false;
    ogg_page page;
    bool chained = false;
    for (int index = 0; problem.empty() && scanner.Next(page); ++index) {
        bytes += static_cast<std::size_t>(page.header_len + page.body_len);
        // Links that follow the stream's end are copies of the source's own.
        if (ended && (chained || ogg_page_bos(&page))) {
            chained = true;
            continue;
        }
        if (static_cast<std::uint32_t>(ogg_page_serialno(&page)) != serial)
            problem = "page " + std::to_string(index) + " has serial " + std::to_string(ogg_page_serialno(&page));
        else if ((ogg_page_bos(&page) != 0) != (index == 0))
            problem = "page " + std::to_string(index) + (index == 0 ? " does not begin the stream" : " begins again");
        else if (ended)
            problem = "page " + std::to_string(index) + " follows the end of the stream";
        else if (ogg_page_pageno(&page) != lastSequence + 1)
            problem = "page " + std::to_string(index) + " is out of sequence";
        else if (ogg_page_granulepos(&page) != -1 && ogg_page_granulepos(&page) < lastGranule)
            problem = "page " + std::to_string(index) + " goes back in time";
        if (!problem.empty())
            break;
        lastSequence = ogg_page_pageno(&page);
        if (ogg_page_granulepos(&page) != -1)
            lastGranule = ogg_page_granulepos(&page);
        ended = ogg_page_eos(&page) != 0;
        ogg_stream_pagein(&stream, &page);
        ogg_packet packet;
        while (headers < headerCount && ogg_stream_packetout(&stream, &packet) == 1) {
            if (!headerDecodes(packet, headers))
                problem = "header " + std::to_string(headers) + " does not decode";
            ++headers;
        }
        if (index == 0 && (headers != 1 || ogg_page_packets(&page) != 1))
            problem = "the first page holds more than the identification header";
    }
    if (problem.empty() && (scanner.Skipped() || bytes != scanner.Size()))
        problem = "bytes outside valid pages (a wrong checksum or a broken page)";
    if (problem.empty() && headers < headerCount)
        problem = opus ? "the Opus headers are incomplete" : "the Vorbis headers are incomplete";
    if (problem.empty() && !ended)
        problem = "the last page does not end the stream";
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    ogg_stream_clear(&stream);
    return problem;
}

} // namespace oq::test
