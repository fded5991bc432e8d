#include "model/PauseFinder.h"
#include "media/OggFileInfo.h"
#include "tests/support/PausedRecording.h"
#include "tools/AmplitudeProfile.h"

#include <atomic>
#include <gtest/gtest.h>

namespace oq::test {
namespace {

struct Format {
    int Channels;
    long Rate;
};

void PrintTo(const Format& c, std::ostream* out) { *out << c.Channels << " channels at " << c.Rate << " Hz"; }

class PauseFinding : public ::testing::TestWithParam<Format> {};

// Digital silence, hiss below the threshold and a fade each give one cut
// near the pause's middle; the rests inside the music, and the quiet before
// the first piece and after the last, give none.
TEST_P(PauseFinding, CutsEveryPauseInItsMiddleAndNothingElse)
{
    TempDir dir;
    const std::string path = dir.Path("paused.ogg");
    WriteBytes(path, MakeOggVorbis(PausedRecording(GetParam().Channels, GetParam().Rate)));
    const std::atomic<bool> cancelled{false};
    const AmplitudeProfile profile = ComputeAmplitudeProfile(path, cancelled);
    ASSERT_TRUE(profile.Complete);
    MPEGData file = ReadOggFileInfo(path);
    file.BlockCount = profile.LastIndex();

    const PauseFinder finder(profile.Entries, file);
    const std::vector<std::int32_t> markers = finder.Markers();
    const std::vector<ExpectedCut> cuts = PausedRecordingCuts();
    const double blockSeconds = file.TimeTotal / file.BlockCount;
    ASSERT_EQ(markers.size(), cuts.size() + 2) << ::testing::PrintToString(finder.Pauses().size());
    EXPECT_EQ(markers.front(), 0);
    EXPECT_EQ(markers.back(), file.BlockCount);
    for (std::size_t k = 0; k < cuts.size(); ++k)
        EXPECT_NEAR(markers[k + 1] * blockSeconds, cuts[k].Middle, cuts[k].Tolerance + blockSeconds)
            << "pause " << k + 1;

    // A marker in reach of a pause moves into its middle, one out of reach
    // stays, and the file's ends never move.
    const std::int32_t nearFirst = markers[1] + static_cast<std::int32_t>(1.5 / blockSeconds);
    const std::int32_t farFromAll = static_cast<std::int32_t>(10.5 / blockSeconds);
    EXPECT_EQ(finder.Snap({0, nearFirst, farFromAll, file.BlockCount}, 2.0),
              (std::vector<std::int32_t>{0, markers[1], farFromAll, file.BlockCount}));
    EXPECT_EQ(finder.Snap({nearFirst}, 1.0), std::vector<std::int32_t>{nearFirst});

    // A pause must last: at 2.5 s none of them does.
    EXPECT_TRUE(PauseFinder(profile.Entries, file, {.MinimumSeconds = 2.5}).Pauses().empty());
}

INSTANTIATE_TEST_SUITE_P(PauseFinder, PauseFinding,
                         ::testing::Values(Format{2, 44100}, Format{1, 22050}, Format{6, 48000}),
                         [](const auto& info) {
                             return std::to_string(info.param.Channels) + "ch" + std::to_string(info.param.Rate);
                         });

} // namespace
} // namespace oq::test
