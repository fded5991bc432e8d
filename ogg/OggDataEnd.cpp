#include "ogg/OggDataEnd.h"

#include "base/File.h"
#include "ogg/PageLayout.h"
#include "ogg/PageReader.h"

#include <ogg/ogg.h>

#include <algorithm>

namespace oq {

namespace {

// One look at the file's tail holds the last page whatever its size, with
// room for as much trailing data again.
constexpr std::int64_t kWindow = 2 * std::int64_t{PageLayout::kLargestPage};

// The end of the last whole page among the bytes [start, end) of `file`,
// or -1 when there is none. A page that began before `start` is not seen;
// libogg skips the bytes up to the next page it can verify (capture
// pattern, length and checksum), so stray "OggS" bytes do not count.
std::int64_t LastPageEnd(File& file, std::int64_t start, std::int64_t end)
{
    file.Seek(start);
    PageReader pages(file);
    pages.ReadBlock(static_cast<std::size_t>(end - start));

    std::int64_t at = start;
    std::int64_t lastEnd = -1;
    ogg_page page;
    for (;;) {
        const long step = ogg_sync_pageseek(pages.Sync(), &page);
        if (step == 0)
            break; // the rest is not a whole page
        if (step > 0)
            lastEnd = at + step;
        at += step > 0 ? step : -step;
    }
    return lastEnd;
}

} // namespace

std::int64_t OggDataEnd(const std::string& fileName, std::int64_t fileSize, std::int64_t lastPageStart)
{
    File file = File::OpenRead(fileName);
    // A page begins there, so no page is cut by starting the look at it; and
    // reaching the end, the look misses no page after it.
    if (lastPageStart >= 0 && lastPageStart < fileSize && fileSize - lastPageStart <= kWindow) {
        const std::int64_t found = LastPageEnd(file, lastPageStart, fileSize);
        if (found >= 0)
            return found;
    }
    // Windows step backwards from the end, each overlapping the one before
    // by a largest page, so that a page cut by one window's start lies
    // whole in the next.
    for (std::int64_t end = fileSize;;) {
        const std::int64_t start = std::max<std::int64_t>(0, end - kWindow);
        const std::int64_t found = LastPageEnd(file, start, end);
        if (found >= 0)
            return found;
        if (start == 0)
            return fileSize;
        end = start + PageLayout::kLargestPage;
    }
}

} // namespace oq
