#include "ogg/PageReader.h"

#include "base/Error.h"

namespace oq {

std::size_t PageReader::ReadBlock(std::size_t bytes)
{
    char* buffer = ogg_sync_buffer(sync_.get(), static_cast<long>(bytes));
    if (!buffer)
        throw Error("out of memory while reading \"" + file_.Path() + "\"");
    const std::size_t count = file_.Read(buffer, bytes);
    ogg_sync_wrote(sync_.get(), static_cast<long>(count));
    return count;
}

} // namespace oq
