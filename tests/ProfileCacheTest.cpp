#include "tools/ProfileCache.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TestAudio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace oq::test {
namespace {

namespace fs = std::filesystem;

class ProfileCacheTest : public ::testing::Test {
protected:
    ProfileCacheTest()
    {
        WriteBytes(song_, MakeOggVorbis({.seconds = 4.0, .signal = Signal::Mixed}));
        const std::atomic<bool> notCancelled{false};
        fresh_ = ComputeAmplitudeProfile(song_, notCancelled);
    }

    ProfileCache Cache(std::uint64_t bound = ProfileCache::kDefaultBoundBytes)
    {
        return ProfileCache(dir_.Path("cache"), [this](const std::string& message) { warnings_.push_back(message); },
                            bound);
    }
    // Analysed and kept, as a first look does.
    void Remember(ProfileCache& cache, const std::string& file)
    {
        const ProfileCache::Lookup lookup = cache.Find(file);
        ASSERT_TRUE(lookup.Identity);
        ASSERT_FALSE(lookup.Profile);
        const std::atomic<bool> notCancelled{false};
        cache.Store(file, *lookup.Identity, ComputeAmplitudeProfile(file, notCancelled));
    }

    TempDir dir_;
    std::string song_ = dir_.Path("song.ogg");
    AmplitudeProfile fresh_;
    std::vector<std::string> warnings_;
};

TEST_F(ProfileCacheTest, SecondLookGivesTheIdenticalProfile)
{
    ASSERT_TRUE(fresh_.Complete);
    ProfileCache cache = Cache();
    Remember(cache, song_);
    const auto remembered = Cache().Find(song_).Profile;
    ASSERT_TRUE(remembered);
    EXPECT_TRUE(remembered->Complete);
    EXPECT_EQ(remembered->Entries, fresh_.Entries);
    EXPECT_TRUE(warnings_.empty());
}

TEST_F(ProfileCacheTest, ChangedFileIsAnalysedAfresh)
{
    ProfileCache cache = Cache();
    Remember(cache, song_);
    const Bytes original = ReadBytes(song_);

    // Touched: same bytes, new time.
    fs::last_write_time(song_, fs::last_write_time(song_) + std::chrono::seconds(1));
    EXPECT_FALSE(cache.Find(song_).Profile) << "touched";

    // Rewritten in place with the same size, the old time put back: only the
    // digest of the ends tells.
    Remember(cache, song_);
    const auto time = fs::last_write_time(song_);
    Bytes changed = original;
    changed[changed.size() - 100] ^= 0x55;
    WriteBytes(song_, changed);
    fs::last_write_time(song_, time);
    EXPECT_FALSE(cache.Find(song_).Profile) << "same size and time, other bytes";

    // Replaced by another file of the same size and time through a rename.
    WriteBytes(song_, original);
    Remember(cache, song_);
    const std::string other = dir_.Path("other.ogg");
    WriteBytes(other, original);
    fs::last_write_time(other, fs::last_write_time(song_));
    fs::rename(other, song_);
    EXPECT_FALSE(cache.Find(song_).Profile) << "replaced";
}

TEST_F(ProfileCacheTest, FileChangedDuringTheAnalysisIsNotKept)
{
    ProfileCache cache = Cache();
    const ProfileCache::Lookup before = cache.Find(song_);
    ASSERT_TRUE(before.Identity);
    WriteBytes(song_, MakeOggVorbis({.seconds = 2.0}));
    cache.Store(song_, *before.Identity, fresh_);
    EXPECT_FALSE(cache.Find(song_).Profile);
    EXPECT_FALSE(fs::exists(cache.EntryPath(*before.Identity)));
}

TEST_F(ProfileCacheTest, DamagedOrForeignEntryIsIgnoredAndReplaced)
{
    const std::string other = dir_.Path("other.ogg");
    WriteBytes(other, MakeOggVorbis({.seconds = 2.0, .signal = Signal::Noise}));
    ProfileCache cache = Cache();
    Remember(cache, song_);
    Remember(cache, other);
    const fs::path entry = cache.EntryPath(*cache.Find(song_).Identity);
    const Bytes good = ReadBytes(entry.string());
    const Bytes foreign = ReadBytes(cache.EntryPath(*cache.Find(other).Identity).string());

    Bytes wrongVersion = good;
    wrongVersion[8] ^= 1; // the format version follows the 8-byte magic
    Bytes flippedEntry = good;
    flippedEntry.back() ^= 1;
    const struct {
        const char* what;
        Bytes bytes;
    } damages[] = {
        {"garbage", Bytes(good.size(), 0x5a)},
        {"cut short", Bytes(good.begin(), good.end() - 1)},
        {"header only", Bytes(good.begin(), good.begin() + 64)},
        {"empty", {}},
        {"another file's profile", foreign},
        {"another format version", wrongVersion},
        {"an entry damaged", flippedEntry},
    };
    for (const auto& damage : damages) {
        WriteBytes(entry.string(), damage.bytes);
        const ProfileCache::Lookup lookup = cache.Find(song_);
        EXPECT_FALSE(lookup.Profile) << damage.what;
        cache.Store(song_, *lookup.Identity, fresh_);
        EXPECT_EQ(ReadBytes(entry.string()), good) << damage.what << " is replaced";
    }
    EXPECT_TRUE(warnings_.empty());
}

TEST_F(ProfileCacheTest, UnwritableFolderWarnsOnceAndWorkGoesOn)
{
    // A folder that cannot be made (its parent is a file) fails for root too.
    WriteBytes(dir_.Path("cache"), {1});
    ProfileCache cache = Cache();
    for (int look = 0; look < 3; ++look) {
        const ProfileCache::Lookup lookup = cache.Find(song_);
        EXPECT_FALSE(lookup.Profile);
        ASSERT_TRUE(lookup.Identity);
        cache.Store(song_, *lookup.Identity, fresh_);
    }
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_NE(warnings_[0].find(dir_.Path("cache")), std::string::npos) << warnings_[0];

    // The command line says so once and prints what it always prints.
    const CliResult plain = RunCli({"profile", song_, "--quiet", "--no-cache"});
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    const std::string saved = cacheHome != nullptr ? cacheHome : "";
    setenv("XDG_CACHE_HOME", dir_.Path("cache").c_str(), 1);
    const CliResult warned = RunCli({"profile", song_, "--quiet"});
    setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    EXPECT_EQ(warned.Status, 0) << warned.Err;
    EXPECT_EQ(warned.Out, plain.Out);
    EXPECT_NE(warned.Err.find("warning"), std::string::npos) << warned.Err;
    EXPECT_EQ(warned.Err.find("warning"), warned.Err.rfind("warning")) << warned.Err;
}

TEST_F(ProfileCacheTest, BoundEvictsTheLongestUnusedFirst)
{
    std::vector<std::string> files;
    for (int k = 0; k < 3; ++k) {
        files.push_back(dir_.Path("copy" + std::to_string(k) + ".ogg"));
        WriteBytes(files.back(), ReadBytes(song_));
    }
    ProfileCache unbounded = Cache();
    Remember(unbounded, files[0]);
    Remember(unbounded, files[1]);
    const fs::path first = unbounded.EntryPath(*unbounded.Find(files[0]).Identity);
    const fs::path second = unbounded.EntryPath(*unbounded.Find(files[1]).Identity);
    // The first was used last; the second longest ago.
    const auto now = fs::file_time_type::clock::now();
    fs::last_write_time(first, now - std::chrono::hours(1));
    fs::last_write_time(second, now - std::chrono::hours(2));

    // Room for two entries: the third pushes out the second.
    ProfileCache bounded = Cache(2 * fs::file_size(first) + 1);
    Remember(bounded, files[2]);
    EXPECT_TRUE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_TRUE(bounded.Find(files[2]).Profile);
}

TEST_F(ProfileCacheTest, CommandLineAnswersFromTheCacheUnlessTold)
{
    const fs::path cacheFolder = fs::path(std::getenv("XDG_CACHE_HOME")) / "oggquorvel";
    const auto entries = [&] {
        std::size_t count = 0;
        for (std::error_code ignored; const auto& item : fs::directory_iterator(cacheFolder, ignored))
            count += item.path().extension() == ".profile";
        return count;
    };
    const std::size_t before = entries();
    const std::vector<std::string> markers{"markers", song_, "--silence", "-40:0.2", "--quiet"};
    std::vector<std::string> forgoing = markers;
    forgoing.push_back("--no-cache");
    const CliResult plain = RunCli(forgoing);
    ASSERT_EQ(plain.Status, 0) << plain.Err;
    EXPECT_EQ(entries(), before) << "--no-cache keeps nothing";
    EXPECT_EQ(RunCli(markers).Out, plain.Out) << "first look";
    EXPECT_EQ(entries(), before + 1);
    EXPECT_EQ(RunCli(markers).Out, plain.Out) << "second look";

    // A profile only the cache can give shows that the answer came from it.
    ProfileCache cache(cacheFolder, {});
    const ProfileCache::Lookup lookup = cache.Find(song_);
    ASSERT_TRUE(lookup.Profile);
    AmplitudeProfile planted = *lookup.Profile;
    std::fill(planted.Entries.begin(), planted.Entries.end(), std::int16_t{12345});
    cache.Store(song_, *lookup.Identity, planted);
    std::string plantedLines;
    for (std::size_t k = 0; k < planted.Entries.size(); ++k)
        plantedLines += "12345\n";
    EXPECT_EQ(RunCli({"profile", song_, "--quiet"}).Out, plantedLines);
    std::string freshLines;
    for (std::int16_t entry : fresh_.Entries)
        freshLines += std::to_string(entry) + "\n";
    EXPECT_EQ(RunCli({"profile", "--no-cache", song_, "--quiet"}).Out, freshLines);
}

} // namespace
} // namespace oq::test
