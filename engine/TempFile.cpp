#include "engine/TempFile.h"

#include "engine/Error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <utility>
#include <vector>

namespace oq {

std::string MakeTempName(const std::string& directory, const std::string& prefix)
{
    const std::string folder = directory.empty() ? std::string(".") : directory;
    std::string pattern = folder;
    if (pattern.back() != '/')
        pattern += '/';
    // mkstemps replaces the six X with random characters and creates the
    // file with O_CREAT | O_EXCL, so the name is ours alone.
    static constexpr char kUnique[] = "XXXXXX";
    static constexpr char kSuffix[] = ".tmp";
    pattern += prefix + kUnique + kSuffix;

    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = mkstemps(name.data(), static_cast<int>(sizeof kSuffix - 1));
    if (descriptor < 0)
        throw IoError(folder, "cannot create a temporary file in", errno);
    if (close(descriptor) != 0) {
        const int err = errno;
        unlink(name.data());
        throw IoError(name.data(), "cannot close", err);
    }
    return name.data();
}

TempFile::TempFile(TempFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}

TempFile& TempFile::operator=(TempFile&& other) noexcept
{
    if (this != &other) {
        Remove();
        path_ = std::exchange(other.path_, {});
    }
    return *this;
}

TempFile::~TempFile() { Remove(); }

TempFile TempFile::Create(const std::string& directory, const std::string& prefix)
{
    return TempFile(MakeTempName(directory, prefix));
}

void TempFile::Remove() noexcept
{
    if (!path_.empty())
        std::remove(path_.c_str());
    path_.clear();
}

} // namespace oq
