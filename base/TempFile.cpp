#include "base/TempFile.h"

#include "base/Error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <unistd.h>
#include <utility>

namespace oq {

std::string MakeTempName(const std::string& directory, const std::string& prefix)
{
    const std::string folder = directory.empty() ? std::string(".") : directory;
    const std::string stem = folder + (folder.back() == '/' ? "" : "/") + prefix;
    static constexpr char kSuffix[] = ".tmp";
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // Names drawn at random until one is free; O_EXCL makes the name ours
    // alone. Mode 0666 under the umask gives the finished file the
    // permissions any other new file of the user gets (a private 0600 would
    // follow the output to its final name).
    static constexpr int kAttempts = 100;
    static constexpr int kUniqueLength = 8;
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name = stem;
        for (int i = 0; i < kUniqueLength; ++i)
            name += kLetters[pick(random)];
        name += kSuffix;
        const int descriptor = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            if (errno == EEXIST)
                continue;
            throw IoError(folder, "cannot create a temporary file in", errno);
        }
        if (close(descriptor) != 0) {
            const int err = errno;
            unlink(name.c_str());
            throw IoError(name, "cannot close", err);
        }
        return name;
    }
    throw IoError(folder, "cannot find a free temporary file name in", EEXIST);
}

TempFile::TempFile(TempFile&& other) noexcept
    : path_(std::exchange(other.path_, {})), registration_(std::move(other.registration_))
{
}

TempFile& TempFile::operator=(TempFile&& other) noexcept
{
    if (this != &other) {
        Remove();
        path_ = std::exchange(other.path_, {});
        registration_ = std::move(other.registration_);
    }
    return *this;
}

TempFile::~TempFile() { Remove(); }

TempFile TempFile::Create(const std::string& directory, const std::string& prefix)
{
    return TempFile(MakeTempName(directory, prefix));
}

void TempFile::Release() noexcept
{
    // Called after the rename: a signal before this line deletes a name
    // that no longer exists, never the finished file.
    registration_.Drop();
    path_.clear();
}

void TempFile::Remove() noexcept
{
    if (!path_.empty())
        std::remove(path_.c_str());
    registration_.Drop();
    path_.clear();
}

} // namespace oq
