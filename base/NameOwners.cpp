#include "base/NameOwners.h"

#include "base/PathParts.h"

#include <filesystem>
#include <sys/stat.h>

namespace oq {

namespace {

namespace fs = std::filesystem;

// One key for every way of writing an existing folder: its device and
// inode. A folder that does not exist (refused elsewhere) is keyed by its
// path with links and ".." resolved as far as they exist.
std::string FolderKey(const std::string& folder)
{
    struct stat status {};
    if (::stat(folder.c_str(), &status) == 0)
        return "@" + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
    std::error_code error;
    fs::path key = fs::weakly_canonical(folder, error);
    if (error)
        key = fs::absolute(folder, error).lexically_normal();
    return key.string();
}

} // namespace

NameOwners::Folder& NameOwners::Lookup(const std::string& folder)
{
    const std::string written = folder.empty() ? std::string(".") : folder;
    auto known = keys_.find(written);
    if (known == keys_.end())
        known = keys_.emplace(written, FolderKey(written)).first;
    Folder& found = folders_[known->second];
    if (found.Path.empty())
        found.Path = written;
    return found;
}

NameOwners::Holder NameOwners::Claim(const std::string& path, std::size_t output)
{
    Folder& folder = Lookup(FolderOf(path));
    const std::string name = NameOf(path);
    std::vector<Holder>& holders = folder.Names[FoldCase(name)];
    for (const Holder& holder : holders)
        if (holder.Name == name)
            return holder;
    if (!holders.empty()) {
        if (!folder.IgnoresCase)
            folder.IgnoresCase = probe_(folder.Path);
        if (*folder.IgnoresCase)
            return holders.front();
    }
    return holders.emplace_back(Holder{output, name});
}

} // namespace oq
