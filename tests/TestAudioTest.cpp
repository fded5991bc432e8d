#include "tests/support/TestAudio.h"

#include <gtest/gtest.h>
#include <ogg/ogg.h>

namespace oq::test {
namespace {

// The generator must give what it promises, or every exactness test built
// on it proves nothing.
TEST(TestAudio, DecodesToTheRequestedLengthForEveryShape)
{
    TempDir dir;
    const AudioSpec spec{.channels = 2, .rate = 22050, .seconds = 1.5, .signal = Signal::Mixed};
    const auto packets = EncodePackets(spec);
    const std::size_t expected = 33075 * 2;
    for (const PageLayout& layout : {PageLayout{}, PageLayout{.flushEveryPackets = 1}, PageLayout{.fillBytes = 60}, PageLayout{.maxSegments = 3},
                                     PageLayout{.skewEveryPages = 2, .skewSamples = 300}}) {
        WriteBytes(dir.Path("a.ogg"), LayPages(packets, layout));
        EXPECT_EQ(DecodeSamples(dir.Path("a.ogg")).size(), expected);
    }
}

TEST(TestAudio, SmallFillMakesPagesWithoutGranule)
{
    const auto bytes = MakeOggVorbis({.seconds = 0.5, .signal = Signal::Noise, .quality = 0.9f}, {.maxSegments = 2});
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), buffer);
    ogg_sync_wrote(&sync, static_cast<long>(bytes.size()));
    ogg_page page;
    int withoutGranule = 0;
    while (ogg_sync_pageout(&sync, &page) == 1)
        withoutGranule += ogg_page_granulepos(&page) == -1;
    ogg_sync_clear(&sync);
    EXPECT_GT(withoutGranule, 3);
}

} // namespace
} // namespace oq::test
