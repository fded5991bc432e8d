#include "base/ProgramDirectory.h"

#include "base/Error.h"
#include "base/PathParts.h"

#include <cerrno>
#include <climits>
#include <unistd.h>

namespace oq {

std::string ProgramDirectory()
{
    constexpr const char* kSelf = "/proc/self/exe";
    std::string path(PATH_MAX, '\0');
    const ssize_t length = readlink(kSelf, path.data(), path.size());
    if (length < 0)
        throw IoError(kSelf, "cannot read the link", errno);
    if (static_cast<std::size_t>(length) >= path.size())
        throw IoError(kSelf, "cannot read the link (the path is too long)", 0);
    path.resize(static_cast<std::size_t>(length));
    return FolderOf(path);
}

} // namespace oq
