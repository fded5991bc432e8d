#pragma once

#include "tools/AmplitudeProfile.h"
#include "tools/FileIdentity.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace oq {

// Complete amplitude profiles kept on disk between runs, one entry file per
// analysed file, so that a file looked at again is not decoded again.
//
// An entry is named after the file's device and inode and holds the file's
// whole identity (size, modification time, digest of its ends), the format
// version, the block size and a digest of its entries. It is answered only
// when all of them match: an entry that is damaged, cut short, written by
// another format or block size, or made from another state of the file is
// passed over and replaced by the next Store. Entries are written through a
// temporary file and a rename, so a reader never sees half of one. After
// each Store the folder is brought under its bound, oldest entries (by last
// use) first.
//
// The cache only saves work: any failure to read or write it leaves the
// caller to analyse the file itself. A folder that cannot be written is
// reported once, through `warning`, and the cache is then left alone.
//
// One cache may serve several threads, as several processes share its
// folder: entries go through temporary files of their own and a rename.
class ProfileCache {
public:
    // Room for the profiles of thousands of hour-long files (about 80 KiB
    // each at 16-bit stereo, 44.1 kHz).
    static constexpr std::uint64_t kDefaultBoundBytes = 256ULL * 1024 * 1024;
    // Bumped whenever the entries' meaning or the entry layout changes.
    static constexpr std::uint32_t kFormatVersion = 1;

    using Warning = std::function<void(const std::string& message)>;

    ProfileCache(std::filesystem::path folder, Warning warning, std::uint64_t boundBytes = kDefaultBoundBytes);

    // $XDG_CACHE_HOME/oggquorvel, else ~/.cache/oggquorvel (XDG_CACHE_HOME
    // only when absolute); empty when neither variable gives a folder.
    static std::filesystem::path UserFolder();

    struct Lookup {
        std::optional<FileIdentity> Identity; // none: the file cannot be read
        std::optional<AmplitudeProfile> Profile; // the remembered profile, complete
    };
    // The identity of `fileName` now and, when the cache holds a profile of
    // exactly that state of the file, the profile.
    Lookup Find(const std::string& fileName);
    // Keeps `profile`, made from the file as `identity` describes it, unless
    // it is incomplete or the file has changed since (replaced or written
    // during the analysis).
    void Store(const std::string& fileName, const FileIdentity& identity, const AmplitudeProfile& profile);

    const std::filesystem::path& Folder() const noexcept { return folder_; }
    // The entry that a file of this identity is kept in.
    std::filesystem::path EntryPath(const FileIdentity& identity) const;

private:
    void Warn(const std::string& message);
    void KeepUnderBound() const;

    std::filesystem::path folder_;
    Warning warning_;
    std::uint64_t boundBytes_;
    std::atomic<bool> failed_{false}; // the folder could not be written: nothing more is tried
};

} // namespace oq
