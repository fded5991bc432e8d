#pragma once

#include "ogg/PageLayout.h"

#include <ogg/ogg.h>

#include <cstddef>
#include <vector>

namespace oq {

// A whole page kept as one run of bytes, header then body, for pages held
// past the sync layer's next read (which moves the bytes an ogg_page points
// into).

// Replaces `bytes` with the page's header and body.
inline void StorePage(const ogg_page& page, std::vector<unsigned char>& bytes)
{
    bytes.assign(page.header, page.header + page.header_len);
    bytes.insert(bytes.end(), page.body, page.body + page.body_len);
}

// A page over stored bytes, which must hold one whole page; the header's
// length follows from its segment count.
inline ogg_page PageOf(std::vector<unsigned char>& bytes)
{
    ogg_page page{};
    page.header = bytes.data();
    page.header_len = PageLayout::kFixedHeaderBytes + bytes[PageLayout::kSegmentCountAt];
    page.body = bytes.data() + page.header_len;
    page.body_len = static_cast<long>(bytes.size()) - page.header_len;
    return page;
}

} // namespace oq
