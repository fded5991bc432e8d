#include "ogg/PageReader.h"

#include "base/Error.h"

#include <cstring>

namespace oq {

std::size_t PageReader::ReadBlock(std::size_t bytes)
{
    char* buffer = ogg_sync_buffer(sync_.get(), static_cast<long>(bytes));
    if (!buffer)
        throw Error("out of memory while reading \"" + file_.Path() + "\"");
    const std::size_t count = file_.Read(buffer, bytes);
    ogg_sync_wrote(sync_.get(), static_cast<long>(count));
    movedIn_ += static_cast<std::int64_t>(count);
    return count;
}

namespace {

// A page header: capture pattern, version 0, then fields up to byte 26,
// which counts the lacing values that follow it; the body is their sum.
constexpr long kFixedHeaderBytes = 27;
constexpr long kSegmentCountAt = 26;
constexpr long kVersionAt = 4;

} // namespace

int PageReader::TakeTrustedPage(ogg_page& page, std::int64_t limit)
{
    ogg_sync_state* sync = sync_.get();
    unsigned char* at = sync->data + sync->returned;
    const long available = sync->fill - sync->returned;
    if (available < kFixedHeaderBytes)
        return 0;
    if (std::memcmp(at, "OggS", 4) != 0 || at[kVersionAt] != 0)
        return -1;
    const long segments = at[kSegmentCountAt];
    const long headerBytes = kFixedHeaderBytes + segments;
    if (available < headerBytes)
        return 0;
    long bodyBytes = 0;
    for (long i = 0; i < segments; ++i)
        bodyBytes += at[kFixedHeaderBytes + i];
    if (Taken() + headerBytes + bodyBytes > limit)
        return -1;
    if (available < headerBytes + bodyBytes)
        return 0;
    page.header = at;
    page.header_len = headerBytes;
    page.body = at + headerBytes;
    page.body_len = bodyBytes;
    // As ogg_sync_pageout leaves the layer after a page.
    sync->returned += headerBytes + bodyBytes;
    sync->unsynced = 0;
    sync->headerbytes = 0;
    sync->bodybytes = 0;
    return 1;
}

} // namespace oq
