#include "base/FileSystem.h"

#include "base/Error.h"

#include <cerrno>
#include <filesystem>

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
        throw IoError(path, "cannot read the pipe or device", 0);
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        throw IoError(path, "cannot open", error.value());
    return static_cast<std::int64_t>(size);
}

} // namespace oq
