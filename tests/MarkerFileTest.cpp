#include "base/Error.h"
#include "media/MPEGData.h"
#include "model/CueSheet.h"
#include "model/CueSheetWriter.h"
#include "model/LabelFile.h"
#include "model/MarkerTime.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace oq::test {
namespace {

// A file as DescribeSourceFile gives it: whole blocks of decoded 16-bit
// audio, the sample count chosen so that a block is no whole number of
// samples' worth of the file and the last block is partial.
MPEGData LongFile(std::int32_t channels, std::int32_t rate, std::int64_t samples)
{
    MPEGData file;
    file.FileName = "/music/side A.ogg";
    file.Channels = channels;
    file.Rate = rate;
    file.PcmTotal = samples;
    file.TimeTotal = static_cast<double>(samples) / rate;
    file.BlockCount = static_cast<std::int32_t>(samples * channels * 2 / 16384);
    return file;
}

struct Format {
    std::int32_t Channels;
    std::int32_t Rate;
    std::int64_t Samples;
};

void PrintTo(const Format& c, std::ostream* out)
{
    *out << c.Channels << " channels at " << c.Rate << " Hz, " << c.Samples << " samples";
}

class MarkerFileRoundTrip : public ::testing::TestWithParam<Format> {};

// Every block of a long recording and markers at awkward samples, written
// as labels and read back, return to their own samples with their titles;
// every block's cut, written to a cue sheet and read back to the nearest
// frame, returns to its own block, and a cut on a frame to its own sample.
TEST_P(MarkerFileRoundTrip, EveryMarkerReturnsToItsSample)
{
    const MPEGData file = LongFile(GetParam().Channels, GetParam().Rate, GetParam().Samples);
    const MarkerTime time(file);
    std::vector<MarkerPlace> every;
    for (std::int32_t p = 0; p <= file.BlockCount; ++p)
        every.push_back({.Position = p});
    for (const std::int64_t sample : {std::int64_t{1}, file.PcmTotal / 3 + 1, file.PcmTotal - 1})
        every.push_back(time.ExactPlace(sample, "at " + std::to_string(sample) + "\tsamples"));
    const LaidMarkers labels = LabelFile::Parse(LabelFile::Format(every, time), "labels", time);
    ASSERT_EQ(labels.Markers.size(), every.size());
    for (std::size_t k = 0; k < every.size(); ++k) {
        const MarkerPlace& back = labels.Markers[k];
        ASSERT_EQ(back.Sample, time.CutSample(every[k])) << k;
        ASSERT_EQ(back.Position, time.PositionAtSample(*back.Sample)) << k;
        // A tab in a title would end its label: it comes back a blank.
        std::string title = every[k].Title.empty() ? "Marker " + std::to_string(k + 1) : every[k].Title;
        std::ranges::replace(title, '\t', ' ');
        ASSERT_EQ(back.Title, title) << k;
    }
    EXPECT_TRUE(labels.Notes.empty());

    std::vector<CueSheetWriter::Track> tracks;
    for (std::int32_t p = 0; p < file.BlockCount; ++p)
        tracks.push_back({time.Sample(p), {}});
    const std::string sheet = CueSheetWriter::Format(file.FileName, tracks, ChainTimeline(file));
    EXPECT_TRUE(sheet.starts_with("FILE \"side A.ogg\" WAVE\n")) << sheet.substr(0, 40);
    const CueTrackList starts = ParseCueSheet(sheet);
    const std::vector<std::string> titles = ParseCueTitles(sheet);
    ASSERT_EQ(starts.size(), tracks.size());
    ASSERT_EQ(titles.size(), tracks.size());
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const auto sample = CueStartSample(starts[k], ChainTimeline(file));
        ASSERT_TRUE(sample) << starts[k];
        ASSERT_EQ(time.PositionAtSample(*sample), static_cast<std::int32_t>(k)) << starts[k];
        ASSERT_EQ(titles[k], "Section " + std::to_string(k + 1));
        ASSERT_EQ(CueStartSample(CueSheetWriter::TimeText(*sample, ChainTimeline(file)), ChainTimeline(file)), sample) << starts[k];
    }
}

INSTANTIATE_TEST_SUITE_P(MarkerFile, MarkerFileRoundTrip,
                         ::testing::Values(Format{2, 44100, 3 * 3600 * 44100LL + 4095},  // 3 hours
                                           Format{1, 22050, 26 * 3600 * 22050LL + 8191}, // 26 hours
                                           Format{6, 48000, 40 * 60 * 48000LL + 1365}),
                         [](const auto& info) {
                             return std::to_string(info.param.Channels) + "ch" + std::to_string(info.param.Rate);
                         });

// The sheet as the format has it: each track starts at INDEX 01, its time in
// minutes, seconds and frames of 1/75 s rounded to the nearest frame. 1024
// blocks of 4411 samples at 44.1 kHz (a frame is 588 samples): block 1
// starts 7.502 frames in, block 1000 at 100 s and 1.70 frames.
TEST(MarkerFile, CueSheetTracksStartAtIndexOneOnTheNearestFrame)
{
    MPEGData file;
    file.FileName = "/music/side A.ogg";
    file.Channels = 2;
    file.Rate = 44100;
    file.BlockCount = 1024;
    file.PcmTotal = 1024 * 4411;
    file.TimeTotal = static_cast<double>(file.PcmTotal) / file.Rate;
    const MarkerTime time(file);
    EXPECT_EQ(CueSheetWriter::Format(file.FileName, {{0, {}}, {time.Sample(1), {}}, {time.Sample(1000), {}}}, ChainTimeline(file)),
              "FILE \"side A.ogg\" WAVE\n"
              "  TRACK 01 AUDIO\n"
              "    TITLE \"Section 1\"\n"
              "    INDEX 01 00:00:00\n"
              "  TRACK 02 AUDIO\n"
              "    TITLE \"Section 2\"\n"
              "    INDEX 01 00:00:08\n"
              "  TRACK 03 AUDIO\n"
              "    TITLE \"Section 3\"\n"
              "    INDEX 01 01:40:02\n");
}

// Labels from another program: regions give their starts, blank lines and
// CR LF pass, a label after the end is reported, texts become titles, times
// become their nearest samples; a line that is no label stops the reading
// with its number.
TEST(MarkerFile, LabelsAreReadStrictlyLineByLine)
{
    const MPEGData file = LongFile(2, 44100, 60 * 44100);
    const MarkerTime time(file);
    const LaidMarkers labels = LabelFile::Parse(
        "10.5\t10.5\tIntro\r\n\n20.0000114\t25.25\tSide B\r\n61\t61\tafter the end\n", "a.txt", time);
    EXPECT_EQ(labels.Markers, (std::vector<MarkerPlace>{time.ExactPlace(463050, "Intro"),
                                                        time.ExactPlace(882001, "Side B")}));
    ASSERT_EQ(labels.Notes.size(), 1u);
    EXPECT_NE(labels.Notes[0].find("line 4"), std::string::npos) << labels.Notes[0];

    for (const std::string bad : {"1.0 1.0 text\n", "2\t1\tends before it starts\n", "1,5\t1,5\tx\n", "-1\t0\tx\n"}) {
        try {
            LabelFile::Parse("0\t0\tfine\n\n" + bad, "a.txt", time);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const FormatError& error) {
            EXPECT_NE(std::string(error.what()).find("line 3"), std::string::npos) << error.what();
        }
    }
}

} // namespace
} // namespace oq::test
