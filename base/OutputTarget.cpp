#include "base/OutputTarget.h"

#include "base/Error.h"
#include "base/FileSystem.h"

#include <filesystem>

namespace oq {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Refuse(const std::string& path, const std::string& reason)
{
    throw FileError(path, reason, "\"" + path + "\" " + reason);
}

// A new name needs its folder: the temporary file is made there first.
void RequireFolderOf(const std::string& path)
{
    const fs::path parent = fs::path(path).parent_path();
    const std::string folder = parent.empty() ? std::string(".") : parent.string();
    std::error_code ignored;
    const fs::file_status status = fs::status(folder, ignored);
    if (!fs::exists(status))
        Refuse(path, "is in the folder \"" + folder + "\", which does not exist");
    if (!fs::is_directory(status))
        Refuse(path, "is in \"" + folder + "\", which is not a folder");
}

} // namespace

void RequireWritableOutput(const std::string& path, const std::vector<std::string>& inputs)
{
    if (path.empty())
        Refuse(path, "is no file name");
    std::error_code error;
    // The link itself, not what it points to, is what the rename replaces.
    const fs::file_status status = fs::symlink_status(path, error);
    if (status.type() == fs::file_type::not_found) {
        RequireFolderOf(path);
        return;
    }
    if (error)
        throw IoError(path, "cannot look at", error.value());
    if (fs::is_symlink(status))
        Refuse(path, "is a symbolic link; give the file's own name");
    if (!fs::is_regular_file(status))
        Refuse(path, "is " + KindOfFile(status.type()) + ", not a regular file");
    // equivalent() compares device and inode, so a hard link or a path
    // through a linked folder is the same file; an input that cannot be
    // looked at is none the output could replace.
    for (const std::string& input : inputs) {
        if (!fs::equivalent(path, input, error))
            continue;
        if (input == path)
            Refuse(path, "is one of the files this run reads; choose another name for the output");
        Refuse(path, "is the input \"" + input + "\"; choose another name for the output");
    }
}

} // namespace oq
