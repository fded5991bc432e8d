#include "tools/ProfileCache.h"

#include "base/Error.h"
#include "base/File.h"
#include "base/TempFile.h"
#include "media/ProfileBlock.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>
#include <vector>

namespace oq {

namespace {

namespace fs = std::filesystem;

constexpr std::array<char, 8> kMagic{'O', 'Q', 'P', 'R', 'O', 'F', '\r', '\n'};
constexpr char kEntryExtension[] = ".profile";

// The fixed part of an entry, after its magic and before its 16-bit
// entries. Every field is in host byte order: a cache folder belongs to one
// machine, and one of another order fails the version check.
struct EntryHeader {
    std::uint32_t Version = 0;
    std::uint32_t BlockBytes = 0;
    FileIdentity Identity;
    std::uint64_t EntryCount = 0;
    std::uint64_t EntriesDigest = 0;
};

// The magic; version and block size; the identity's five fields, the entry
// count and the entries' digest.
constexpr std::size_t kHeaderBytes = sizeof kMagic + 2 * sizeof(std::uint32_t) + 7 * sizeof(std::uint64_t);

class EntryWriter {
public:
    template <typename Value>
    void Put(const Value& value)
    {
        const auto* bytes = reinterpret_cast<const char*>(&value);
        bytes_.insert(bytes_.end(), bytes, bytes + sizeof value);
    }
    void Put(const void* data, std::size_t count)
    {
        const auto* bytes = static_cast<const char*>(data);
        bytes_.insert(bytes_.end(), bytes, bytes + count);
    }
    const std::vector<char>& Bytes() const noexcept { return bytes_; }

private:
    std::vector<char> bytes_;
};

class EntryReader {
public:
    explicit EntryReader(const std::vector<char>& bytes) : bytes_(bytes) {}
    template <typename Value>
    Value Take()
    {
        Value value{};
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    std::size_t At() const noexcept { return at_; }

private:
    const std::vector<char>& bytes_;
    std::size_t at_ = 0;
};

std::vector<char> Encode(const FileIdentity& identity, const AmplitudeProfile& profile)
{
    const std::size_t entryBytes = profile.Entries.size() * sizeof(std::int16_t);
    EntryWriter writer;
    writer.Put(kMagic.data(), kMagic.size());
    writer.Put(ProfileCache::kFormatVersion);
    writer.Put(static_cast<std::uint32_t>(kProfileBlockBytes));
    writer.Put(identity.Device);
    writer.Put(identity.Inode);
    writer.Put(identity.Size);
    writer.Put(identity.ModifiedNs);
    writer.Put(identity.EndsDigest);
    writer.Put(static_cast<std::uint64_t>(profile.Entries.size()));
    writer.Put(DigestBytes(profile.Entries.data(), entryBytes));
    writer.Put(profile.Entries.data(), entryBytes);
    return writer.Bytes();
}

// The profile an entry's bytes hold for `identity`; none for anything but
// a whole, undamaged entry of this format about exactly that file.
std::optional<AmplitudeProfile> Decode(const std::vector<char>& bytes, const FileIdentity& identity)
{
    if (bytes.size() < kHeaderBytes || !std::equal(kMagic.begin(), kMagic.end(), bytes.begin()))
        return std::nullopt;
    EntryReader reader(bytes);
    reader.Take<std::array<char, kMagic.size()>>();
    EntryHeader header;
    header.Version = reader.Take<std::uint32_t>();
    header.BlockBytes = reader.Take<std::uint32_t>();
    header.Identity.Device = reader.Take<std::uint64_t>();
    header.Identity.Inode = reader.Take<std::uint64_t>();
    header.Identity.Size = reader.Take<std::uint64_t>();
    header.Identity.ModifiedNs = reader.Take<std::int64_t>();
    header.Identity.EndsDigest = reader.Take<std::uint64_t>();
    header.EntryCount = reader.Take<std::uint64_t>();
    header.EntriesDigest = reader.Take<std::uint64_t>();
    if (header.Version != ProfileCache::kFormatVersion || header.BlockBytes != kProfileBlockBytes ||
        !(header.Identity == identity) || header.EntryCount == 0 ||
        (bytes.size() - kHeaderBytes) / sizeof(std::int16_t) != header.EntryCount ||
        (bytes.size() - kHeaderBytes) % sizeof(std::int16_t) != 0)
        return std::nullopt;
    AmplitudeProfile profile;
    profile.Entries.resize(static_cast<std::size_t>(header.EntryCount));
    const std::size_t entryBytes = profile.Entries.size() * sizeof(std::int16_t);
    std::memcpy(profile.Entries.data(), bytes.data() + reader.At(), entryBytes);
    if (DigestBytes(profile.Entries.data(), entryBytes) != header.EntriesDigest)
        return std::nullopt;
    profile.Complete = true;
    return profile;
}

std::optional<std::vector<char>> ReadWhole(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

} // namespace

ProfileCache::ProfileCache(fs::path folder, Warning warning, std::uint64_t boundBytes)
    : folder_(std::move(folder)), warning_(std::move(warning)), boundBytes_(boundBytes)
{
}

fs::path ProfileCache::UserFolder()
{
    constexpr char kProgramFolder[] = "oggquorvel";
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    if (cacheHome != nullptr && fs::path(cacheHome).is_absolute())
        return fs::path(cacheHome) / kProgramFolder;
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        return fs::path(home) / ".cache" / kProgramFolder;
    return {};
}

fs::path ProfileCache::EntryPath(const FileIdentity& identity) const
{
    // One entry per file: a file rewritten in place replaces its own entry.
    std::uint64_t key = DigestBytes(&identity.Device, sizeof identity.Device);
    key = DigestBytes(&identity.Inode, sizeof identity.Inode, key);
    std::ostringstream name;
    name << std::hex << std::setw(16) << std::setfill('0') << key << kEntryExtension;
    return folder_ / name.str();
}

ProfileCache::Lookup ProfileCache::Find(const std::string& fileName)
{
    Lookup lookup;
    lookup.Identity = IdentifyFile(fileName);
    if (!lookup.Identity || folder_.empty())
        return lookup;
    const fs::path entry = EntryPath(*lookup.Identity);
    if (const auto bytes = ReadWhole(entry))
        lookup.Profile = Decode(*bytes, *lookup.Identity);
    if (lookup.Profile) {
        // Last used now: the bound evicts the entries used longest ago.
        std::error_code ignored;
        fs::last_write_time(entry, fs::file_time_type::clock::now(), ignored);
    }
    return lookup;
}

void ProfileCache::Store(const std::string& fileName, const FileIdentity& identity, const AmplitudeProfile& profile)
{
    if (failed_ || folder_.empty() || !profile.Complete || profile.Entries.empty())
        return;
    // A file changed while it was analysed gave a profile of neither state.
    if (IdentifyFile(fileName) != identity)
        return;
    try {
        std::error_code error;
        fs::create_directories(folder_, error);
        if (error)
            throw IoError(folder_.string(), "cannot create the folder", error.value());
        TempFile temporary = TempFile::Create(folder_.string(), "profile");
        File out = File::Create(temporary.Path());
        const std::vector<char> bytes = Encode(identity, profile);
        out.Write(bytes.data(), bytes.size());
        out.Close();
        fs::rename(temporary.Path(), EntryPath(identity), error);
        if (error)
            throw IoError(EntryPath(identity).string(), "cannot rename a temporary file to", error.value());
        temporary.Release();
    } catch (const std::exception& failure) {
        Warn(std::string("the amplitude profile is not remembered: ") + failure.what());
        return;
    }
    KeepUnderBound();
}

void ProfileCache::Warn(const std::string& message)
{
    // Told once, by whichever thread failed first.
    if (failed_.exchange(true))
        return;
    if (warning_)
        warning_(message);
}

void ProfileCache::KeepUnderBound() const
{
    struct Kept {
        fs::path Path;
        fs::file_time_type Used;
        std::uint64_t Bytes = 0;
    };
    std::vector<Kept> kept;
    std::uint64_t total = 0;
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (!it->is_regular_file(ignored))
            continue;
        Kept one{it->path(), it->last_write_time(ignored), it->file_size(ignored)};
        if (ignored)
            continue;
        total += one.Bytes;
        kept.push_back(std::move(one));
    }
    if (total <= boundBytes_)
        return;
    std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.Used < b.Used; });
    for (const Kept& one : kept) {
        if (total <= boundBytes_)
            break;
        std::error_code ignored;
        if (fs::remove(one.Path, ignored))
            total -= one.Bytes;
    }
}

} // namespace oq
