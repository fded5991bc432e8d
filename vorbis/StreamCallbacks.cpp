#include "vorbis/StreamCallbacks.h"

#include "ogg/RenumberedFile.h"

#include <cerrno>
#include <cstdio>

namespace oq {

namespace {

RenumberedFile& StreamOf(void* dataSource) { return *static_cast<RenumberedFile*>(dataSource); }

std::size_t StreamRead(void* buffer, std::size_t itemSize, std::size_t itemCount, void* dataSource)
{
    if (itemSize == 0 || itemCount == 0)
        return 0;
    try {
        errno = 0;
        return StreamOf(dataSource).Read(buffer, itemSize * itemCount) / itemSize;
    } catch (...) {
        if (errno == 0)
            errno = EIO;
        return 0;
    }
}

int StreamSeek(void* dataSource, ogg_int64_t offset, int whence)
{
    try {
        switch (whence) {
        case SEEK_SET: StreamOf(dataSource).Seek(offset, File::Origin::Begin); break;
        case SEEK_CUR: StreamOf(dataSource).Seek(offset, File::Origin::Current); break;
        case SEEK_END: StreamOf(dataSource).Seek(offset, File::Origin::End); break;
        default: break;
        }
        return 0;
    } catch (...) {
        return -1;
    }
}

int StreamClose(void* dataSource)
{
    try {
        StreamOf(dataSource).Close();
        return 0;
    } catch (...) {
        return -1;
    }
}

long StreamTell(void* dataSource)
{
    try {
        return static_cast<long>(StreamOf(dataSource).Tell());
    } catch (...) {
        return -1;
    }
}

} // namespace

const ov_callbacks StreamCallbacks = {StreamRead, StreamSeek, StreamClose, StreamTell};

} // namespace oq
