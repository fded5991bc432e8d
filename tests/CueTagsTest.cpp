#include "codec/CommentHeader.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "model/CueTags.h"
#include "tests/support/CliRunner.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"
#include "tools/SectionLoudness.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <limits>
#include <thread>
#include <ebur128.h>
#include <gtest/gtest.h>
#include <opusfile.h>
#include <vorbis/vorbisfile.h>

namespace oq::test {
namespace {

using Fields = std::vector<std::string>;

constexpr char kVorbisMagic[] = "\x03vorbis";

struct Comments {
    std::string Vendor;
    Fields List;
    std::string Trailer{}; // an Opus header's binary data after the fields
};

Comments VorbisComments(const std::string& path)
{
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0)
        throw std::runtime_error("cannot open " + path);
    const vorbis_comment* comment = ov_comment(&file, -1);
    Comments out{comment->vendor, {}};
    for (int k = 0; k < comment->comments; ++k)
        out.List.emplace_back(comment->user_comments[k], static_cast<std::size_t>(comment->comment_lengths[k]));
    ov_clear(&file);
    return out;
}

Comments OpusComments(const std::string& path)
{
    OggOpusFile* file = op_open_file(path.c_str(), nullptr);
    if (file == nullptr)
        throw std::runtime_error("cannot open " + path);
    const OpusTags* tags = op_tags(file, -1);
    Comments out{tags->vendor, {}};
    for (int k = 0; k < tags->comments; ++k)
        out.List.emplace_back(tags->user_comments[k]);
    int trailerBytes = 0;
    if (const unsigned char* trailer = opus_tags_get_binary_suffix(tags, &trailerBytes))
        out.Trailer.assign(reinterpret_cast<const char*>(trailer), static_cast<std::size_t>(trailerBytes));
    op_free(file);
    return out;
}

// Windows-1252 bytes: "é" is 0xE9, the right single quote 0x92.
const std::string kLegacySheet = "REM GENRE Jazz\r\nREM DATE 1999\r\nREM COMMENT \"live\"\r\n"
                                 "PERFORMER \"Band\"\r\nTITLE \"Caf\xE9 Nights\"\r\nFILE \"song.ogg\" WAVE\r\n"
                                 "  TRACK 01 AUDIO\r\n    TITLE \"Don\x92t/Stop\"\r\n    INDEX 01 00:02:00\r\n"
                                 "  TRACK 02 AUDIO\r\n    TITLE \"Two\"\r\n    PERFORMER \"Guest\"\r\n"
                                 "    ISRC GBAYE0000001\r\n    INDEX 01 00:06:00\r\n";

void Write(const std::string& path, const std::string& text) { WriteBytes(path, Bytes(text.begin(), text.end())); }

TEST(CueTags, LegacyAndMarkedSheetsReadAlike)
{
    const CueTags legacy = ParseCueTags(kLegacySheet);
    ASSERT_EQ(legacy.Tracks.size(), 2u);
    EXPECT_EQ(legacy.Title, "Caf\u00e9 Nights");
    EXPECT_EQ(legacy.Tracks[0].Title, "Don\u2019t/Stop");
    const std::string utf8 = "\xEF\xBB\xBFTITLE \"Caf\u00e9 Nights\"\nTRACK 7 AUDIO\nTITLE \"Don\u2019t/Stop\"\nINDEX 01 00:00:00\n";
    const CueTags marked = ParseCueTags(utf8);
    EXPECT_EQ(marked.Title, legacy.Title);
    ASSERT_EQ(marked.Tracks.size(), 1u);
    EXPECT_EQ(marked.Tracks[0].Title, legacy.Tracks[0].Title);
    EXPECT_EQ(marked.Tracks[0].Number, "7");
}

// Three sections: one before the first track keeps the source's comments;
// the tracks' append their fields after the source's, which keep their
// order; the whole recording's track loudness reaches none of them.
TEST(CueTags, VorbisSectionsCarryTheirTracksComments)
{
    TempDir dir;
    auto packets = EncodePackets({.seconds = 10});
    const CommentHeader::Form form{kVorbisMagic, true};
    CommentHeader source = CommentHeader::Parse(
        std::string_view(reinterpret_cast<const char*>(packets[1].data.data()), packets[1].data.size()), form);
    source.Fields = {"ARTIST=Src", "REPLAYGAIN_TRACK_GAIN=-3.00 dB", "METADATA_BLOCK_PICTURE=AAAA",
                     "replaygain_track_peak=0.9", "REPLAYGAIN_ALBUM_GAIN=-2.00 dB", "TITLE=Whole"};
    const std::string rebuilt = source.Serialize(form);
    packets[1].data.assign(rebuilt.begin(), rebuilt.end());
    const std::string song = dir.Path("song.ogg");
    WriteBytes(song, LayPages(packets));
    Write(dir.Path("song.cue"), kLegacySheet);

    const CliResult result = RunCli({"split", song, "--cue", dir.Path("song.cue"), "--names-from-titles", "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;

    const Fields kept = {"METADATA_BLOCK_PICTURE=AAAA", "REPLAYGAIN_ALBUM_GAIN=-2.00 dB"};
    const Comments before = VorbisComments(dir.Path("Part 01 - song.ogg"));
    EXPECT_EQ(before.Vendor, source.Vendor);
    EXPECT_EQ(before.List, (Fields{"ARTIST=Src", kept[0], kept[1], "TITLE=Whole"}));
    const Fields album = {"ALBUM=Caf\u00e9 Nights", "ALBUMARTIST=Band"};
    EXPECT_EQ(VorbisComments(dir.Path("01 - Don\u2019t_Stop.ogg")).List,
              (Fields{kept[0], kept[1], "TITLE=Don\u2019t/Stop", "ARTIST=Band", album[0], album[1], "TRACKNUMBER=1",
                      "TRACKTOTAL=2", "DATE=1999", "GENRE=Jazz", "COMMENT=live"}));
    EXPECT_EQ(VorbisComments(dir.Path("02 - Two.ogg")).List,
              (Fields{kept[0], kept[1], "TITLE=Two", "ARTIST=Guest", album[0], album[1], "TRACKNUMBER=2",
                      "TRACKTOTAL=2", "DATE=1999", "GENRE=Jazz", "COMMENT=live", "ISRC=GBAYE0000001"}));

    // The new headers leave the audio as exact as an untagged split's.
    std::vector<std::int16_t> joined;
    for (const char* name : {"Part 01 - song.ogg", "01 - Don\u2019t_Stop.ogg", "02 - Two.ogg"}) {
        const auto samples = DecodeSamples(dir.Path(name));
        joined.insert(joined.end(), samples.begin(), samples.end());
    }
    EXPECT_TRUE(joined == DecodeSamples(song));
}

TEST(CueTags, OpusSectionsCarryThemInOpusTags)
{
    TempDir dir;
    const std::string song = dir.Path("song.opus");
    // Binary data after the fields, as some taggers store cover art there,
    // is kept when the fields change.
    const Bytes plain = MakeOggOpus({.seconds = 4});
    const CommentHeader::Form form{"OpusTags", false};
    const PageSpan tagsPage = PageSpans(plain).at(1);
    const std::size_t header = 27 + plain[tagsPage.Offset + 26]; // fixed fields, then one byte per segment
    CommentHeader tags = CommentHeader::Parse(
        std::string_view(reinterpret_cast<const char*>(plain.data()) + tagsPage.Offset + header, tagsPage.Size - header),
        form);
    tags.Trailer = std::string("\x01\x00art\xff", 6);
    const std::string rebuilt = tags.Serialize(form);
    WriteBytes(song, WithPagePacket(plain, 1, Bytes(rebuilt.begin(), rebuilt.end())));
    Write(dir.Path("song.cue"), "PERFORMER \"Band\"\nTRACK 01 AUDIO\nTITLE \"A\"\nINDEX 01 00:00:00\n"
                                "TRACK 02 AUDIO\nTITLE \"B\"\nINDEX 01 00:02:00\n");
    const CliResult result = RunCli({"split", song, "--cue", dir.Path("song.cue"), "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    const Comments source = OpusComments(song);
    const Comments second = OpusComments(dir.Path("Part 02 - song.opus"));
    EXPECT_EQ(second.Vendor, source.Vendor);
    EXPECT_EQ(second.Trailer, tags.Trailer);
    Fields expected = source.List;
    expected.insert(expected.end(), {"TITLE=B", "ARTIST=Band", "TRACKNUMBER=2", "TRACKTOTAL=2"});
    EXPECT_EQ(second.List, expected);
    EXPECT_EQ(DecodeOpusSamples(dir.Path("Part 02 - song.opus")).size(),
              static_cast<std::size_t>(2 * 48000 * 2)); // two seconds, two channels
}

// OpusTags needs neither padding nor a framing bit: here its last field ends
// the packet, and every section still carries it.
TEST(CueTags, OpusTagsEndingWithTheirLastFieldAreKept)
{
    TempDir dir;
    const std::string song = dir.Path("song.opus");
    Bytes tags{'O', 'p', 'u', 's', 'T', 'a', 'g', 's'};
    const auto append = [&tags](const std::string& text) {
        for (int k = 0; k < 4; ++k) // the length, little-endian
            tags.push_back(static_cast<unsigned char>(text.size() >> (8 * k)));
        tags.insert(tags.end(), text.begin(), text.end());
    };
    append("vendor");
    tags.insert(tags.end(), {1, 0, 0, 0}); // one field
    append("ENCODER=x");
    WriteBytes(song, WithPagePacket(MakeOggOpus({.seconds = 2}), 1, tags));
    ASSERT_EQ(OpusComments(song).List, Fields{"ENCODER=x"});

    const CliResult result = RunCli({"split", song, "--count", "2", "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    for (const char* name : {"Part 01 - song.opus", "Part 02 - song.opus"}) {
        const Comments section = OpusComments(dir.Path(name));
        EXPECT_EQ(section.Vendor, "vendor") << name;
        EXPECT_EQ(section.List, Fields{"ENCODER=x"}) << name;
        EXPECT_EQ(section.Trailer, "") << name;
    }
}

std::string Field(const Fields& fields, const std::string& name)
{
    for (const std::string& field : fields)
        if (field.starts_with(name + "="))
            return field.substr(name.size() + 1);
    return {};
}

// The user's tags follow the cue's comments in every section, numbered, and
// replace those of their names; export takes them too, and a key no comment
// may have is refused.
TEST(CueTags, UserTagsFollowTheSheetsInEachSection)
{
    TempDir dir;
    const std::string song = dir.Path("song.ogg");
    WriteBytes(song, LayPages(EncodePackets({.seconds = 4})));
    Write(dir.Path("song.cue"), "TRACK 01 AUDIO\nTITLE \"A\"\nINDEX 01 00:00:00\n"
                                "TRACK 02 AUDIO\nTITLE \"B\"\nINDEX 01 00:02:00\n");
    const CliResult split = RunCli({"split", song, "--cue", dir.Path("song.cue"), "--tag", "PART={n}/{total}",
                                    "--tag=Mix Note=x={n}", "--tag", "tracktotal=9", "--quiet"});
    ASSERT_EQ(split.Status, 0) << split.Err;
    const Fields second = VorbisComments(dir.Path("Part 02 - song.ogg")).List;
    const auto title = std::find(second.begin(), second.end(), "TITLE=B");
    EXPECT_EQ(Fields(title, second.end()),
              (Fields{"TITLE=B", "TRACKNUMBER=2", "PART=2/2", "Mix Note=x=2", "tracktotal=9"}));

    const CliResult exported = RunCli({"export", song, "--count", "3", "--section", "3", "--to", dir.Path("three.ogg"),
                                       "--tag", "PART={n}/{total}", "--quiet"});
    ASSERT_EQ(exported.Status, 0) << exported.Err;
    EXPECT_EQ(VorbisComments(dir.Path("three.ogg")).List.back(), "PART=3/3");
    EXPECT_EQ(RunCli({"split", song, "--count", "2", "--tag", "NO~TILDE=1"}).Status, 2);
    EXPECT_EQ(RunCli({"split", song, "--count", "2", "--tag", "=1"}).Status, 2);
}

// A template names each track's section; the second of two tracks of one
// title takes its number, and what file systems refuse becomes '_'.
TEST(CueTags, NameTemplateKeepsSameTitledTracksApart)
{
    TempDir dir;
    const std::string song = dir.Path("song.ogg");
    WriteBytes(song, LayPages(EncodePackets({.seconds = 4})));
    Write(dir.Path("song.cue"), "PERFORMER \"Band\"\nTITLE \"Live: 1999\"\nTRACK 01 AUDIO\nTITLE \"Same\"\n"
                                "INDEX 01 00:00:00\nTRACK 02 AUDIO\nTITLE \"Same\"\nINDEX 01 00:02:00\n");
    const CliResult result =
        RunCli({"split", song, "--cue", dir.Path("song.cue"), "--name", "{artist} - {album} - {title}", "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    const std::string second = dir.Path("Band - Live_ 1999 - Same (02).ogg");
    EXPECT_EQ(result.Out, dir.Path("Band - Live_ 1999 - Same.ogg") + "\n" + second + "\n");
    EXPECT_EQ(Field(VorbisComments(second).List, "TRACKNUMBER"), "2");
}

// Each section's track gain and peak are those libebur128 finds in the
// section file itself, decoded by the reference decoder; the album's are
// those of all sections together. A clipped full-scale wave peaks at 1.0.
TEST(SectionLoudness, MatchesAnIndependentMeasurementOfEachSection)
{
    TempDir dir;
    const std::string song = dir.Path("song.ogg");
    WriteBytes(song, MakeOggVorbis({.seconds = 9, .signal = Signal::Clipped}));
    const CliResult result = RunCli({"split", song, "--count", "3", "--replaygain", "--quiet"});
    ASSERT_EQ(result.Status, 0) << result.Err;

    std::vector<ebur128_state*> states;
    for (const char* name : {"Part 01 - song.ogg", "Part 02 - song.ogg", "Part 03 - song.ogg"}) {
        const auto samples = DecodeSamples(dir.Path(name));
        ebur128_state* state = ebur128_init(2, 44100, EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK);
        ebur128_add_frames_short(state, samples.data(), samples.size() / 2);
        states.push_back(state);
        double lufs = 0, left = 0, right = 0;
        ebur128_loudness_global(state, &lufs);
        ebur128_sample_peak(state, 0, &left);
        ebur128_sample_peak(state, 1, &right);
        const Fields fields = VorbisComments(dir.Path(name)).List;
        EXPECT_NEAR(std::stod(Field(fields, "REPLAYGAIN_TRACK_GAIN")), -18.0 - lufs, 0.005) << name;
        EXPECT_NEAR(std::stod(Field(fields, "REPLAYGAIN_TRACK_PEAK")), std::max(left, right), 1e-6) << name;
        EXPECT_NEAR(std::max(left, right), 1.0, 1e-3) << name;
    }
    double album = 0;
    ebur128_loudness_global_multiple(states.data(), states.size(), &album);
    for (ebur128_state*& state : states)
        ebur128_destroy(&state);
    const Fields first = VorbisComments(dir.Path("Part 01 - song.ogg")).List;
    EXPECT_NEAR(std::stod(Field(first, "REPLAYGAIN_ALBUM_GAIN")), -18.0 - album, 0.005);
}

// A cancel while the meters run gives no figures and ends the metering
// thread before returning: the process has as many threads as before.
TEST(SectionLoudness, CancelReturnsNothingAndLeavesNoThreadBehind)
{
    struct CancelOnProgress : JobObserver {
        JobControl* control = nullptr;
        int progresses = 0;
        void Progress(std::int64_t, std::int64_t) override
        {
            if (++progresses == 2)
                control->RequestCancel();
        }
    };
    const auto threads = [] {
        const auto tasks = std::filesystem::directory_iterator("/proc/self/task");
        return std::distance(std::filesystem::begin(tasks), std::filesystem::end(tasks));
    };
    TempDir dir;
    const std::string song = dir.Path("song.ogg");
    WriteBytes(song, MakeOggVorbis({.seconds = 6, .signal = Signal::Noise}));
    const auto before = threads();
    JobControl control;
    CancelOnProgress observer;
    observer.control = &control;
    EXPECT_FALSE(MeasureSections(song, {44100, 88200}, control, observer));
    EXPECT_EQ(observer.progresses, 2) << "decoding went on after the cancel";
    // A joined thread can stay listed for the moment its exit takes.
    for (int wait = 0; wait < 1000 && threads() != before; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(threads(), before);

    control.Reset();
    const auto figures = MeasureSections(song, {44100, 88200}, control, observer);
    ASSERT_TRUE(figures);
    EXPECT_EQ(figures->Sections.size(), 3u);
}

// Sections measured in runs on two threads, each run decoded from a page
// close before it, give the figures of one pass to the last bit: Vorbis, and
// Opus whose runs begin on pre-roll; with cuts before the first page a run
// can begin on, sections with no page of their own, an empty section and
// cuts past the end.
TEST(SectionLoudness, RunsOnThreadsGiveTheFiguresOfOnePass)
{
    TempDir dir;
    const std::string vorbis = dir.Path("song.ogg"), opus = dir.Path("song.opus");
    WriteBytes(vorbis, MakeOggVorbis({.seconds = 12, .signal = Signal::Mixed}));
    WriteBytes(opus, MakeOggOpus({.seconds = 12}));
    for (const auto& [path, rate] : {std::pair{vorbis, 44100}, std::pair{opus, 48000}}) {
        const std::vector<std::int64_t> cuts{rate / 10, 3 * rate,      3 * rate,      5 * rate + 17,
                                             6 * rate,  9 * rate - 5, 100 * rate, 101 * rate};
        const auto size = static_cast<std::int64_t>(std::filesystem::file_size(path));
        std::vector<std::int64_t> targets;
        for (int k = 1; k < 8; ++k)
            targets.push_back(size * k / 8);
        JobControl control;
        JobObserver quiet;
        const auto inRuns =
            MeasureSections(path, cuts, control, quiet, {.Threads = 2, .Targets = targets, .OnePassOnMismatch = false});
        // The usual layout: runs begun a little before the cuts.
        const auto atCuts = MeasureSections(path, cuts, control, quiet);
        const auto inOnePass = MeasureSections(path, cuts, control, quiet, {.Targets = std::vector<std::int64_t>{}});
        ASSERT_TRUE(inRuns && atCuts && inOnePass) << path;
        EXPECT_TRUE(std::isfinite(inOnePass->Sections[3].Lufs)) << "a measured section";
        for (const SplitLoudness& parallel : {*inRuns, *atCuts}) {
            ASSERT_EQ(parallel.Sections.size(), cuts.size() + 1);
            for (std::size_t k = 0; k < cuts.size() + 1; ++k) {
                EXPECT_EQ(parallel.Sections[k].Lufs, inOnePass->Sections[k].Lufs) << path << " section " << k + 1;
                EXPECT_EQ(parallel.Sections[k].Peak, inOnePass->Sections[k].Peak) << path << " section " << k + 1;
            }
            EXPECT_EQ(parallel.Album.Lufs, inOnePass->Album.Lufs) << path;
            EXPECT_EQ(parallel.Album.Peak, inOnePass->Album.Peak) << path;
        }
    }
}

// Loudness weights each channel by its loudspeaker: a surround behind counts
// 1.41 times (+1.49 dB) a front channel, the LFE channel not at all. The
// decoders give 5.1 as L C R Ls Rs LFE, not the WAV order the meter's
// library assumes unless told, in one pass and in runs alike.
TEST(SectionLoudness, SurroundChannelsCountByTheirLoudspeaker)
{
    TempDir dir;
    constexpr int kFrontLeft = 0, kRearLeft = 3, kLowFrequency = 5;
    const auto measure = [&](int channel) {
        const std::string path = dir.Path("ch" + std::to_string(channel) + ".ogg");
        // The same 1 kHz sine on whichever channel, so only the weight differs.
        WriteBytes(path, MakeOggVorbis({.channels = 6, .seconds = 4, .signal = Signal::Shaped, .quality = 0.5f,
                                        .shape = [channel](double seconds, int c, float, float) {
                                            return c == channel ? 0.25f * float(std::sin(2 * M_PI * 1000 * seconds))
                                                                : 0.0f;
                                        }}));
        JobControl control;
        JobObserver quiet;
        const std::vector<std::int64_t> cut{2 * 44100};
        const auto inRuns = MeasureSections(path, cut, control, quiet);
        const auto inOnePass = MeasureSections(path, cut, control, quiet, {.Targets = std::vector<std::int64_t>{}});
        if (!inRuns || !inOnePass) {
            ADD_FAILURE() << "channel " << channel << " was not measured";
            return 0.0;
        }
        EXPECT_EQ(inRuns->Album.Lufs, inOnePass->Album.Lufs) << "channel " << channel;
        return inOnePass->Album.Lufs;
    };
    const double front = measure(kFrontLeft);
    ASSERT_TRUE(std::isfinite(front));
    EXPECT_NEAR(measure(kRearLeft) - front, 10 * std::log10(1.41), 0.05);
    EXPECT_EQ(measure(kLowFrequency), -std::numeric_limits<double>::infinity());
}

} // namespace
} // namespace oq::test
