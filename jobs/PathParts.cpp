#include "jobs/PathParts.h"

#include <filesystem>

namespace oq {

std::string FolderOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

std::string NameOf(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

} // namespace oq
