#include "ogg/PageReader.h"

#include "base/Error.h"
#include "ogg/PageChecksum.h"
#include "ogg/PageLayout.h"

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

int PageReader::FramePage(ogg_page& page) noexcept
{
    ogg_sync_state* sync = sync_.get();
    unsigned char* at = sync->data + sync->returned;
    const long available = sync->fill - sync->returned;
    if (available < PageLayout::kFixedHeaderBytes)
        return 0;
    if (std::memcmp(at, PageLayout::kCapture, PageLayout::kCaptureBytes) != 0 || at[PageLayout::kVersionAt] != 0)
        return -1;
    const long segments = at[PageLayout::kSegmentCountAt];
    const long headerBytes = PageLayout::kFixedHeaderBytes + segments;
    if (available < headerBytes)
        return 0;
    long bodyBytes = 0;
    for (long i = 0; i < segments; ++i)
        bodyBytes += at[PageLayout::kFixedHeaderBytes + i];
    page.header = at;
    page.header_len = headerBytes;
    page.body = at + headerBytes;
    page.body_len = bodyBytes;
    return available < headerBytes + bodyBytes ? 0 : 1;
}

// As ogg_sync_pageout leaves the layer after a page.
void PageReader::Take(const ogg_page& page) noexcept
{
    ogg_sync_state* sync = sync_.get();
    sync->returned += page.header_len + page.body_len;
    sync->unsynced = 0;
    sync->headerbytes = 0;
    sync->bodybytes = 0;
}

int PageReader::TakeTrustedPage(ogg_page& page, std::int64_t limit)
{
    ogg_page framed{};
    const int found = FramePage(framed);
    if (found < 0 || (found == 0 && framed.header == nullptr))
        return found;
    if (Taken() + framed.header_len + framed.body_len > limit)
        return -1;
    if (found == 0)
        return 0;
    Take(framed);
    page = framed;
    return 1;
}

int PageReader::TakeVerifiedPage(ogg_page& page)
{
    ogg_page framed{};
    const int found = FramePage(framed);
    if (found != 1)
        return found;
    if (!PageChecksum::Matches(framed.header, static_cast<std::size_t>(framed.header_len), framed.body,
                               static_cast<std::size_t>(framed.body_len)))
        return -1;
    Take(framed);
    page = framed;
    return 1;
}

int PageReader::NextPage(ogg_page& page, std::size_t blockBytes)
{
    for (;;) {
        const int verified = TakeVerifiedPage(page);
        if (verified == 1)
            return 1;
        if (verified == 0 && ReadBlock(blockBytes) > 0)
            continue;
        // A damaged page, bytes between pages or the end of the file: the
        // sync layer decides, skipping to the next page it trusts.
        const int result = ogg_sync_pageout(sync_.get(), &page);
        if (result != 0)
            return result;
        if (ReadBlock(blockBytes) == 0)
            return 0;
    }
}

} // namespace oq
