#include "jobs/SplitRecipe.h"
#include "media/OggFileInfo.h"
#include "base/Error.h"
#include "base/JobControl.h"
#include "tests/support/JobTestSupport.h"
#include "tests/support/TestAudio.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace oq::test {
namespace {

// The save wizard makes the recipe on the window's thread and plans on the
// run's. A cue sheet that cannot be read must fail the making, where the
// window tells it and stays open, not the run; a measurement cancelled on
// the run's thread must leave no plan, and no temporary file, behind.
TEST(SplitRecipe, FailsOnItsCueSheetWhenMadeAndPlansNothingAfterACancel)
{
    TempDir dir;
    WriteBytes(dir.Path("song.ogg"), MakeOggVorbis({.seconds = 2.0}));
    SplitRequest request{.File = ReadOggFileInfo(dir.Path("song.ogg")),
                         .Cuts = {.Markers = {0, 10}, .CueSheet = dir.Path("gone.cue")},
                         .MeasureLoudness = true};
    request.Naming.OutputFolder = dir.Root();
    EXPECT_THROW(SplitRecipe{request}, IoError);

    request.Cuts.CueSheet.clear();
    const SplitRecipe recipe(request);
    JobControl control;
    control.RequestCancel();
    RecordingObserver observer;
    EXPECT_FALSE(recipe.Plan(control, observer));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Root()), std::filesystem::directory_iterator()), 1);
}

} // namespace
} // namespace oq::test
