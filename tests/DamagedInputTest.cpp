// Faults that damaged files and extreme lengths brought out (most of them
// found by the fuzz targets), each pinned down where it was mended.

#include "decode/AmplitudeProfile.h"
#include "decode/OggFileInfo.h"
#include "decode/VorbisFile.h"
#include "decode/WavWriter.h"
#include "editor/PositionConverter.h"
#include "engine/Error.h"
#include "engine/JobControl.h"
#include "engine/JobObserver.h"
#include "engine/SectionEngine.h"
#include "engine/SourceReader.h"
#include "tests/support/OggCheck.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/TestAudio.h"
#include "wizards/split/CueSheet.h"

#include <gtest/gtest.h>
#include <limits>

namespace oq::test {
namespace {

constexpr std::int32_t kMostBlocks = std::numeric_limits<std::int32_t>::max();

// A setup header whose codebook the library parses but cannot build used to
// make the second read of the file divide by zero inside the decoder (the
// first read fails, the second decodes with the half-built codebook): the
// analysis and the WAV conversion crashed. Such a file is now refused by
// every reader before anything is decoded.
TEST(DamagedInput, ASetupHeaderTheDecoderCannotUseIsRefusedBeforeDecoding)
{
    TempDir dir;
    const std::string path = dir.Path("setup.ogg");
    WriteBytes(path, WithUndecodableSetup(MakeOggVorbis({.seconds = 1.0})));
    MPEGData record;
    EXPECT_EQ(ReadOggFileInfo(path, record), kOggInfoRefused);
    EXPECT_EQ(OpenVorbisFile(path), nullptr);
    const std::atomic<bool> notCancelled{false};
    EXPECT_TRUE(ComputeAmplitudeProfile(path, notCancelled).Entries.empty());
    const JobControl control;
    JobObserver quiet;
    EXPECT_EQ(ConvertToWav(path, dir.Path("setup.wav"), control, quiet), WavOutcome::NotOggVorbis);
    SourceReader reader(path);
    try {
        reader.CaptureHeaders();
        ADD_FAILURE() << "the headers were taken";
    } catch (const FormatError& error) {
        EXPECT_NE(std::string(error.what()).find("setup header that cannot be decoded"), std::string::npos) << error.what();
    }
}

} // namespace
} // namespace oq::test
