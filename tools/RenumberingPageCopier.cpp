#include "tools/RenumberingPageCopier.h"

#include "base/File.h"

#include <cstring>

namespace oq {

void RenumberingPageCopier::Copy(const unsigned char* data, std::size_t size, File& output)
{
    ogg_sync_state* sync = sync_.get();
    char* buffer = ogg_sync_buffer(sync, static_cast<long>(size));
    std::memcpy(buffer, data, size);
    ogg_sync_wrote(sync, static_cast<long>(size));
    for (;;) {
        // Where the next page, or the bytes skipped in looking for it, begin.
        const unsigned char* next = sync->data + sync->returned;
        ogg_page page;
        const long found = ogg_sync_pageseek(sync, &page);
        if (found == 0)
            return;
        if (found < 0) {
            output.Write(next, static_cast<std::size_t>(-found));
            continue;
        }
        serials_.Renumber(page);
        output.Write(page.header, static_cast<std::size_t>(page.header_len));
        output.Write(page.body, static_cast<std::size_t>(page.body_len));
    }
}

void RenumberingPageCopier::EndInput(File& output)
{
    ogg_sync_state* sync = sync_.get();
    if (sync->fill > sync->returned)
        output.Write(sync->data + sync->returned, static_cast<std::size_t>(sync->fill - sync->returned));
    ogg_sync_reset(sync);
}

void RenumberingPageCopier::Clear() noexcept
{
    ogg_sync_reset(sync_.get());
    serials_.Clear();
}

} // namespace oq
