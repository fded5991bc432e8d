// Every command-line tool this test program starts keeps its remembered
// profiles in a folder of the run's own: a run neither reads nor fills the
// user's cache, and meets nothing an earlier run left.

#include "tests/support/TestAudio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace oq::test {
namespace {

class CacheSandbox : public ::testing::Environment {
public:
    void SetUp() override
    {
        folder_ = std::make_unique<TempDir>();
        setenv("XDG_CACHE_HOME", folder_->Root().c_str(), 1);
    }
    void TearDown() override { folder_.reset(); }

private:
    std::unique_ptr<TempDir> folder_;
};

[[maybe_unused]] ::testing::Environment* const kCacheSandbox = ::testing::AddGlobalTestEnvironment(new CacheSandbox);

} // namespace
} // namespace oq::test
