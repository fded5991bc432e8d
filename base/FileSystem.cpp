#include "base/FileSystem.h"

#include "base/Error.h"

#include <cerrno>

namespace oq {

std::int64_t FileSizeOf(const std::string& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status))
        return -1;
    if (!std::filesystem::is_regular_file(status))
        return 0;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

std::int64_t RegularFileSize(const std::string& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status))
        throw IoError(path, "cannot open", error ? error.value() : ENOENT);
    if (std::filesystem::is_directory(status))
        throw IoError(path, "cannot read", EISDIR);
    if (!std::filesystem::is_regular_file(status))
        throw IoError(path, "cannot read " + KindOfFile(status.type()), 0);
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        throw IoError(path, "cannot open", error.value());
    return static_cast<std::int64_t>(size);
}

std::string KindOfFile(std::filesystem::file_type type)
{
    using std::filesystem::file_type;
    switch (type) {
    case file_type::directory:
        return "a folder";
    case file_type::fifo:
        return "a named pipe";
    case file_type::character:
    case file_type::block:
        return "a device";
    case file_type::socket:
        return "a socket";
    case file_type::symlink:
        return "a symbolic link";
    default:
        break;
    }
    return "a file of an unknown kind";
}

} // namespace oq
