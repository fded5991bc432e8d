#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace oq {

// Puts the packets of one logical stream on pages, byte for byte the pages
// libogg's stream layer makes of them (ogg_stream_pageout and
// ogg_stream_flush), and appends each page to the caller's buffer, so a page
// is neither copied out again nor a call of its own. Unlike the stream
// layer it remembers how far it has judged the queued lacing values, so a
// page-out after every packet costs no rescan, and it checksums with
// PageChecksum.
class PageBuilder {
public:
    explicit PageBuilder(std::uint32_t serial) : serial_(serial) {}
    PageBuilder(const PageBuilder&) = delete;
    PageBuilder& operator=(const PageBuilder&) = delete;

    // Queues a packet, copying its bytes. The granule position is that of
    // the page on which the packet ends last.
    void Add(const unsigned char* bytes, std::size_t count, std::int64_t granule, bool endOfStream);
    // Appends the next page to `out` when the stream layer would end one
    // now (enough bytes and packets, a full segment table, the first page
    // or the end of the stream); false when it would not.
    bool PageOut(std::vector<unsigned char>& out);
    // Appends the next page even when it is not full; false when nothing
    // is queued. Call until false to put everything queued on pages.
    bool Flush(std::vector<unsigned char>& out);

private:
    bool MakePage(bool force, std::vector<unsigned char>& out);
    void AppendPage(std::size_t segments, std::int64_t granule, std::vector<unsigned char>& out);

    // Lacing values up to lacingEnd_, each with the flag kPacketStart when
    // it is the first of its packet, and the granule position of the packet
    // that ends at each; those before lacingTaken_ are on pages already.
    std::vector<std::uint16_t> lacing_;
    std::vector<std::int64_t> granules_;
    std::size_t lacingTaken_ = 0;
    std::size_t lacingEnd_ = 0;
    // The packets' bytes, likewise.
    std::vector<unsigned char> body_;
    std::size_t bodyTaken_ = 0;
    std::size_t bodyEnd_ = 0;
    // How far the page to come has been judged: lacing values looked at,
    // their bytes, packets ended among them, packets ended since the last
    // lacing value of 255, and the granule position of the last ended one.
    std::size_t judged_ = 0;
    long judgedBytes_ = 0;
    int packetsEnded_ = 0;
    int packetsJustEnded_ = 0;
    std::int64_t judgedGranule_ = -1;

    std::uint32_t serial_;
    std::uint32_t pageNumber_ = 0;
    bool begun_ = false; // the first page is out
    bool ended_ = false; // the end-of-stream packet is queued
};

} // namespace oq
