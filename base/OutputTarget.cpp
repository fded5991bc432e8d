#include "base/OutputTarget.h"

#include "base/Error.h"
#include "base/FileSystem.h"
#include "base/NameOwners.h"
#include "base/PathParts.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace oq {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Refuse(const std::string& path, const std::string& reason)
{
    throw FileError(path, reason, "\"" + path + "\" " + reason);
}

[[noreturn]] void RefuseInput(const std::string& path, const std::string& input)
{
    Refuse(path, "is the input \"" + input + "\"; choose another name for the output");
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

constexpr char kRenameFailed[] = "cannot give the finished output its name";
constexpr char kLeftAsItIs[] = "; it is left as it is, and the output was not kept";

// Whether a failed link() says the file system has no hard links at all
// (FAT media answer EPERM) rather than that this link cannot be made.
bool HasNoHardLinks(int err) { return err == EPERM || err == EOPNOTSUPP || err == ENOSYS; }

// Renames `from` to `to` unless `to` exists: true when done, else false
// with errno set (EEXIST for a name that exists).
bool RenameWithoutReplacing(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return true;
    // EINVAL: a file system that does not take the flag (NFS, many FUSE
    // file systems).
    if (errno != EINVAL)
        return false;
    if (::link(from, to) == 0) {
        ::unlink(from);
        return true;
    }
    if (!HasNoHardLinks(errno))
        return false;
    // The last resort leaves a moment between the look and the rename.
    struct stat status {};
    if (::lstat(to, &status) == 0) {
        errno = EEXIST;
        return false;
    }
    return std::rename(from, to) == 0;
}

} // namespace

OutputTarget RequireWritableOutput(const std::string& path, const std::vector<std::string>& inputs)
{
    if (path.empty())
        Refuse(path, "is no file name");
    std::error_code error;
    // The link itself, not what it points to, is what the rename replaces.
    const fs::file_status status = fs::symlink_status(path, error);
    if (status.type() == fs::file_type::not_found) {
        RequireFolderOf(path);
        return {path, std::nullopt};
    }
    if (error)
        throw IoError(path, "cannot look at", error.value());
    if (fs::is_symlink(status))
        Refuse(path, "is a symbolic link; give the file's own name");
    if (!fs::is_regular_file(status))
        Refuse(path, "is " + KindOfFile(status.type()) + ", not a regular file");
    // equivalent() compares device and inode, so a hard link, a path
    // through a linked folder or, in a folder that ignores case, a name
    // spelt in another case is the same file; an input that cannot be
    // looked at is none the output could replace.
    for (const std::string& input : inputs) {
        if (!fs::equivalent(path, input, error))
            continue;
        if (input == path)
            Refuse(path, "is one of the files this run reads; choose another name for the output");
        RefuseInput(path, input);
    }
    // Some FUSE file systems that ignore case give each spelling of a name
    // an inode of its own: there the names tell that "song.ogg" is the
    // input "Song.ogg".
    // Only inputs of the output's name in some case are claimed, so that
    // two inputs of one name in other cases do not have a folder tried.
    NameOwners names;
    const std::size_t output = inputs.size();
    const std::string folded = FoldCase(NameOf(path));
    names.Claim(path, output);
    for (const std::string& input : inputs)
        if (FoldCase(NameOf(input)) == folded && names.Claim(input, 0).Output == output)
            RefuseInput(path, input);
    struct stat own {};
    if (::lstat(path.c_str(), &own) != 0) {
        const int err = errno;
        throw IoError(path, "cannot look at", err);
    }
    return {path, FileKey{own.st_dev, own.st_ino}};
}

void MoveIntoPlace(const std::string& temporary, const OutputTarget& target)
{
    const std::string& path = target.Path;
    struct stat now {};
    const bool present = ::lstat(path.c_str(), &now) == 0;
    if (const int err = errno; !present && err != ENOENT)
        throw IoError(path, "cannot look at", err);
    if (target.Replaces && present) {
        // What the run was allowed to replace, and nothing put there since.
        if (!S_ISREG(now.st_mode) || FileKey{now.st_dev, now.st_ino} != *target.Replaces)
            Refuse(path, std::string("was replaced by another file while the output was written") + kLeftAsItIs);
        if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            const int err = errno;
            throw IoError(path, kRenameFailed, err);
        }
        return;
    }
    if (RenameWithoutReplacing(temporary.c_str(), path.c_str()))
        return;
    const int err = errno;
    if (err == EEXIST)
        Refuse(path, std::string("appeared while the output was written") + kLeftAsItIs);
    throw IoError(path, kRenameFailed, err);
}

} // namespace oq
