#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace oq {

// What tells one state of a file from another without reading it whole:
// where it lives (device and inode), its size, its modification time and a
// digest of its first and last bytes. An Ogg page is at most 65,307 bytes,
// so the digested ends hold the file's first and last pages whole: a file
// rewritten, replaced or touched gets another identity, and so does one
// whose ends changed under a restored modification time.
struct FileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::uint64_t Size = 0;
    std::int64_t ModifiedNs = 0; // since the epoch
    std::uint64_t EndsDigest = 0;

    bool operator==(const FileIdentity&) const = default;
};

// Bytes digested at each end of a file (the whole of a file of up to twice as many).
inline constexpr std::uint64_t kIdentityEndBytes = 64 * 1024;

// The identity of the regular file `path` names (following links), taken
// from one open of it; none when it cannot be read or is no regular file.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

// 64-bit FNV-1a of `count` bytes, going on from `digest`: any change of one
// byte changes it, and unrelated contents collide once in 2^64.
inline constexpr std::uint64_t kDigestStart = 14695981039346656037ULL;
std::uint64_t DigestBytes(const void* data, std::size_t count, std::uint64_t digest = kDigestStart) noexcept;

} // namespace oq
