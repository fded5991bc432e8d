#include "tools/FileIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace oq {

namespace {

// An open file descriptor, closed when it goes.
class ReadDescriptor {
public:
    explicit ReadDescriptor(const std::string& path) : descriptor_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ReadDescriptor(const ReadDescriptor&) = delete;
    ReadDescriptor& operator=(const ReadDescriptor&) = delete;
    ~ReadDescriptor()
    {
        if (descriptor_ >= 0)
            close(descriptor_);
    }
    int Get() const noexcept { return descriptor_; }

private:
    int descriptor_;
};

// Reads `count` bytes at `offset`, short only at the end of the file.
bool ReadFully(int descriptor, std::uint64_t offset, unsigned char* buffer, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = pread(descriptor, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0)
            return false;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done == count;
}

} // namespace

std::uint64_t DigestBytes(const void* data, std::size_t count, std::uint64_t digest) noexcept
{
    constexpr std::uint64_t kPrime = 1099511628211ULL;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < count; ++i)
        digest = (digest ^ bytes[i]) * kPrime;
    return digest;
}

std::optional<FileIdentity> IdentifyFile(const std::string& path)
{
    const ReadDescriptor file(path);
    struct stat status {};
    if (file.Get() < 0 || fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    FileIdentity identity;
    identity.Device = static_cast<std::uint64_t>(status.st_dev);
    identity.Inode = static_cast<std::uint64_t>(status.st_ino);
    identity.Size = static_cast<std::uint64_t>(status.st_size);
    constexpr std::int64_t kNsPerSecond = 1'000'000'000;
    identity.ModifiedNs = static_cast<std::int64_t>(status.st_mtim.tv_sec) * kNsPerSecond + status.st_mtim.tv_nsec;

    // The head, and the tail where it does not overlap the head.
    const std::uint64_t head = std::min(identity.Size, kIdentityEndBytes);
    const std::uint64_t tailStart = std::max(head, identity.Size - std::min(identity.Size, kIdentityEndBytes));
    std::vector<unsigned char> buffer(static_cast<std::size_t>(kIdentityEndBytes));
    std::uint64_t digest = kDigestStart;
    for (const auto& [offset, count] : {std::pair{std::uint64_t{0}, head}, std::pair{tailStart, identity.Size - tailStart}}) {
        if (!ReadFully(file.Get(), offset, buffer.data(), static_cast<std::size_t>(count)))
            return std::nullopt;
        digest = DigestBytes(buffer.data(), static_cast<std::size_t>(count), digest);
    }
    identity.EndsDigest = digest;
    return identity;
}

} // namespace oq
