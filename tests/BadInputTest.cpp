// Files from everywhere: empty, not Ogg, cut short at every kind of place,
// bit-flipped, with bad checksums, other codecs first or beside the audio,
// chained links of different formats, unusual page shapes, damaged headers
// and granule positions. Every path that reads a file must answer each one
// with a valid result or a clear error, finish, leave the source's bytes as
// they were and leave no temporary file behind.

#include "tools/AmplitudeProfile.h"
#include "media/OggFileInfo.h"
#include "model/MarkerTime.h"
#include "tools/CatalogTemplate.h"
#include "base/Error.h"
#include "base/JobControl.h"
#include "jobs/JobPlanner.h"
#include "jobs/JobRunner.h"
#include "tests/support/CliRunner.h"
#include "tests/support/JobTestSupport.h"
#include "tests/support/OggCheck.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/OutputCheck.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"
#include "model/CueSheet.h"

#include <condition_variable>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace oq::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Ends the test program, naming the step, when the step does not finish in
// time: a loop that never ends on some input must fail the run, not stall
// it. The limit leaves room for the slowest sanitizer build.
class Watchdog {
public:
    explicit Watchdog(std::string step) : step_(std::move(step)), thread_([this] { Watch(); }) {}
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    ~Watchdog()
    {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        finished_.notify_one();
        thread_.join();
    }

private:
    static constexpr auto kLimit = 120s;

    void Watch()
    {
        std::unique_lock lock(mutex_);
        if (!finished_.wait_for(lock, kLimit, [this] { return done_; })) {
            std::fprintf(stderr, "HANG: \"%s\" did not finish within %lld s\n", step_.c_str(),
                         static_cast<long long>(kLimit.count()));
            std::_Exit(124);
        }
    }

    std::string step_;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread thread_;
};

constexpr std::uint32_t kSerial = 0x5157; // the generator's default
constexpr int kChannels = 2;

// Generated once: the encodings the bad inputs are made of.
struct Material {
    std::vector<EncodedPacket> packets; // stereo 22.05 kHz, 1.5 s
    Bytes base;                         // those packets, a page every 8 packets
    Bytes mono;                         // mono 11.025 kHz, 1 s, another serial number
    Bytes opus;                         // Opus stereo, 1.5 s
    Bytes opusMono;                     // Opus mono, 1 s (48000 samples), another serial number

    static const Material& Get()
    {
        static const Material material = [] {
            Material m;
            m.packets = EncodePackets({.channels = kChannels, .rate = 22050, .seconds = 1.5, .signal = Signal::Mixed});
            m.base = LayPages(m.packets, {.flushEveryPackets = 8});
            m.mono = MakeOggVorbis({.channels = 1, .rate = 11025, .seconds = 1.0}, {.serial = 0x77});
            m.opus = MakeOggOpus({.channels = kChannels, .seconds = 1.5, .bitrate = 32000});
            m.opusMono = MakeOggOpus({.channels = 1, .seconds = 1.0, .bitrate = 16000, .serial = 0x78});
            return m;
        }();
        return material;
    }
};

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Truncated(const Bytes& file, std::size_t size) { return Bytes(file.begin(), file.begin() + static_cast<long>(size)); }

// The page of the file with that index, counted from the end when negative.
PageSpan Page(const Bytes& file, int index)
{
    const auto pages = PageSpans(file);
    return pages.at(index >= 0 ? static_cast<std::size_t>(index) : pages.size() - static_cast<std::size_t>(-index));
}

Bytes Flipped(Bytes file, int flips, unsigned seed, std::size_t from = 0)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> at(from, file.size() - 1);
    for (int i = 0; i < flips; ++i)
        file[at(random)] ^= static_cast<unsigned char>(1u << (random() % 8));
    return file;
}

Bytes BadChecksums(Bytes file, int firstPage, int lastPage)
{
    const auto pages = PageSpans(file);
    for (int k = firstPage; k <= lastPage && k < static_cast<int>(pages.size()); ++k)
        file[pages[static_cast<std::size_t>(k)].Offset + 22] ^= 0xFF; // the checksum's first byte
    return file;
}

// Every audio page's granule position replaced by `granule`(page index).
Bytes WithGranules(Bytes file, const std::function<std::int64_t(std::size_t)>& granule)
{
    const auto pages = PageSpans(file);
    constexpr std::size_t kHeaderPages = 2;
    for (std::size_t k = kHeaderPages; k < pages.size(); ++k)
        SetGranule(file, pages[k], granule(k));
    return file;
}

// OpusHead's fields (little-endian) after the 8-byte magic.
constexpr std::size_t kOpusVersionAt = 8, kOpusChannelsAt = 9, kOpusPreSkipAt = 10;

// The file's OpusHead changed by `change`.
Bytes WithOpusHead(const Bytes& file, const std::function<void(Bytes&)>& change)
{
    const PageSpan first = PageSpans(file).at(0);
    constexpr std::size_t kSingleSegmentHeader = 28;
    Bytes head(file.begin() + static_cast<long>(first.Offset + kSingleSegmentHeader), file.begin() + static_cast<long>(first.Size));
    change(head);
    return WithFirstPacket(file, head);
}

// The file with the page's granule position set to `granule`.
Bytes WithGranuleOf(Bytes file, const PageSpan& page, std::int64_t granule)
{
    SetGranule(file, page, granule);
    return file;
}

std::size_t Middle(const PageSpan& page) { return page.Offset + page.Size / 2; }
std::size_t End(const PageSpan& page) { return page.Offset + page.Size; }

struct BadInput {
    const char* Name;
    std::function<Bytes(const Material&)> Make;
};

void PrintTo(const BadInput& input, std::ostream* out) { *out << input.Name; }

const std::vector<BadInput>& BadInputs()
{
    static const std::vector<BadInput> inputs = {
        {"Empty", [](const Material&) { return Bytes{}; }},
        {"PlainText", [](const Material&) { return Text(std::string(200, 'a') + "\nnot an Ogg file\n"); }},
        {"RandomBytes", [](const Material&) { return Flipped(Bytes(9000, 0), 20000, 1); }},
        {"CapturePatternsWithoutPages", [](const Material&) { return Joined({Text("OggS"), Bytes(30, 0xFF), Text("OggSOggS\x01")}); }},
        {"CutInTheFirstPage", [](const Material& m) { return Truncated(m.base, 20); }},
        {"CutAfterTheFirstPage", [](const Material& m) { return Truncated(m.base, End(Page(m.base, 0))); }},
        {"CutInTheSetupHeader", [](const Material& m) { return Truncated(m.base, Middle(Page(m.base, 1))); }},
        {"HeadersOnly", [](const Material& m) { return Truncated(m.base, End(Page(m.base, 1))); }},
        {"CutInAnAudioPage", [](const Material& m) { return Truncated(m.base, Middle(Page(m.base, 4))); }},
        {"CutBetweenAudioPages", [](const Material& m) { return Truncated(m.base, End(Page(m.base, 4))); }},
        {"LastByteMissing", [](const Material& m) { return Truncated(m.base, m.base.size() - 1); }},
        {"FewBitFlipsInTheAudio", [](const Material& m) { return Flipped(m.base, 4, 2, End(Page(m.base, 1))); }},
        {"ManyBitFlipsInTheAudio", [](const Material& m) { return Flipped(m.base, 80, 3, End(Page(m.base, 1))); }},
        {"BitFlipInTheSetupHeader", [](const Material& m) { return Flipped(m.base, 1, 4, Middle(Page(m.base, 1))); }},
        {"BitFlipsAnywhere", [](const Material& m) { return Flipped(m.base, 40, 5); }},
        {"BadChecksumOnTheFirstPage", [](const Material& m) { return BadChecksums(m.base, 0, 0); }},
        {"BadChecksumOnTheSetupPage", [](const Material& m) { return BadChecksums(m.base, 1, 1); }},
        {"BadChecksumOnOneAudioPage", [](const Material& m) { return BadChecksums(m.base, 3, 3); }},
        {"BadChecksumsOnEveryAudioPage", [](const Material& m) { return BadChecksums(m.base, 2, 1000); }},
        {"OpusOnly", [](const Material&) { return Joined(ForeignStreamPages("OpusHead", 5, 3)); }},
        {"FlacOnly", [](const Material&) { return Joined(ForeignStreamPages("\x7F" "FLAC", 5, 3)); }},
        {"TheoraFirstThenVorbis",
         [](const Material& m) { return Multiplexed(m.base, ForeignStreamPages("\x80theora", 9, 6), true); }},
        {"VorbisBesideAnotherStream",
         [](const Material& m) { return Multiplexed(m.base, ForeignStreamPages("\x80theora", 9, 6), false); }},
        {"ChainedLinksOfOtherRatesAndChannels", [](const Material& m) { return Joined({m.base, m.mono, m.base}); }},
        {"ChainedAndCutInTheSecondLink",
         [](const Material& m) { return Truncated(Joined({m.base, m.mono}), m.base.size() + m.mono.size() / 2); }},
        {"SameSerialTwice", [](const Material& m) { return Joined({m.base, m.base}); }},
        {"PacketsSpanningSeveralPages", [](const Material& m) { return LayPages(m.packets, {.maxSegments = 1}); }},
        {"PagesWithoutGranule", [](const Material& m) { return LayPages(m.packets, {.maxSegments = 3}); }},
        {"GranulesGoingBackwards",
         [](const Material& m) { return LayPages(m.packets, {.flushEveryPackets = 4, .skewEveryPages = 1, .skewSamples = 9000}); }},
        {"EveryGranuleMinusOne", [](const Material& m) { return WithGranules(m.base, [](std::size_t) { return -1; }); }},
        {"NoEndOfStreamPage", [](const Material& m) { return LayPages(m.packets, {.flushEveryPackets = 8, .endOfStream = false}); }},
        {"StartsAtALaterGranule", [](const Material& m) { return LayPages(m.packets, {.granuleOffset = 1'000'000}); }},
        {"DropsItsFirstSamples", [](const Material& m) { return LayPages(m.packets, {.granuleOffset = -700}); }},
        {"LastGranuleClaimsYears",
         [](const Material& m) {
             Bytes file = m.base;
             SetGranule(file, Page(file, -1), std::int64_t{1} << 43);
             return file;
         }},
        {"LastGranuleNegative",
         [](const Material& m) {
             Bytes file = m.base;
             SetGranule(file, Page(file, -1), -5);
             return file;
         }},
        {"GranulesNearTheLimit",
         [](const Material& m) {
             return WithGranules(m.base, [](std::size_t k) {
                 return std::numeric_limits<std::int64_t>::max() - 1000 + static_cast<std::int64_t>(k);
             });
         }},
        {"SetupHeaderTheDecoderCannotUse", [](const Material& m) { return WithUndecodableSetup(m.base); }},
        {"OpusHeadCutShort", [](const Material& m) { return WithOpusHead(m.opus, [](Bytes& head) { head.resize(12); }); }},
        {"OpusHeadOversized", [](const Material& m) { return WithOpusHead(m.opus, [](Bytes& head) { head.resize(600, 0xA5); }); }},
        {"OpusUnknownMajorVersion",
         [](const Material& m) { return WithOpusHead(m.opus, [](Bytes& head) { head[kOpusVersionAt] = 0x10; }); }},
        {"OpusZeroChannels", [](const Material& m) { return WithOpusHead(m.opus, [](Bytes& head) { head[kOpusChannelsAt] = 0; }); }},
        {"OpusPreSkipLongerThanTheStream",
         [](const Material& m) {
             return WithOpusHead(m.opusMono, [](Bytes& head) { head[kOpusPreSkipAt] = head[kOpusPreSkipAt + 1] = 0xFF; });
         }},
        {"OpusFirstGranuleSmallerThanItsSamples", [](const Material& m) { return WithGranuleOf(m.opus, Page(m.opus, 2), 100); }},
        {"OpusEndTrimLongerThanTheLastPacket",
         [](const Material& m) {
             const Bytes& file = m.opus;
             return WithGranuleOf(file, Page(file, -1), GranuleOf(file, Page(file, -2)) - 100);
         }},
        {"OpusChainedLinksOfOtherChannelCounts", [](const Material& m) { return Joined({m.opus, m.opusMono, m.opus}); }},
    };
    return inputs;
}

// A folder holding the bad file beside a good one, and an empty folder for
// what the tools write.
// How a join differs from its inputs' bytes one after another, or an empty
// string: only the serial numbers and checksums of whole pages may differ
// (a link whose number an earlier link took is renumbered), and no two
// links of the join may begin with one number.
std::string DifferenceFromJoined(const Bytes& joined, const Bytes& inputs)
{
    constexpr std::size_t kSerialAt = 14, kChecksumAt = 22, kFieldSize = 4;
    if (joined.size() != inputs.size())
        return "the join has " + std::to_string(joined.size()) + " bytes, its inputs " + std::to_string(inputs.size());
    std::vector<bool> renumberable(joined.size(), false);
    std::set<std::uint32_t> serials;
    for (const PageSpan& page : PageSpans(joined)) {
        for (const std::size_t field : {kSerialAt, kChecksumAt})
            for (std::size_t i = 0; i < kFieldSize; ++i)
                renumberable[page.Offset + field + i] = true;
        const std::uint32_t serial = joined[page.Offset + kSerialAt] | joined[page.Offset + kSerialAt + 1] << 8 |
                                     joined[page.Offset + kSerialAt + 2] << 16 |
                                     static_cast<std::uint32_t>(joined[page.Offset + kSerialAt + 3]) << 24;
        constexpr std::size_t kFlagsAt = 5;
        constexpr unsigned char kBeginsStream = 0x02;
        if ((joined[page.Offset + kFlagsAt] & kBeginsStream) != 0 && !serials.insert(serial).second)
            return "two links begin with serial number " + std::to_string(serial);
    }
    for (std::size_t i = 0; i < joined.size(); ++i)
        if (joined[i] != inputs[i] && !renumberable[i])
            return "byte " + std::to_string(i) + " differs";
    return "";
}

class BadInputTest : public ::testing::TestWithParam<BadInput> {
protected:
    void SetUp() override
    {
        fs::create_directories(In());
        fs::create_directories(Out());
        bytes_ = GetParam().Make(Material::Get());
        WriteBytes(Source(), bytes_);
        WriteBytes(Good(), Material::Get().mono);
    }
    void TearDown() override
    {
        EXPECT_TRUE(ReadBytes(Source()) == bytes_) << "the source was changed";
        EXPECT_EQ(FolderEntries(In()), (std::set<std::string>{"bad.ogg", "good.ogg"})) << "left in the source folder";
    }

    std::string In() const { return dir_.Path("in"); }
    std::string Out() const { return dir_.Path("out"); }
    std::string Source() const { return dir_.Path("in/bad.ogg"); }
    std::string Good() const { return dir_.Path("in/good.ogg"); }
    void EmptyOut() const
    {
        fs::remove_all(Out());
        fs::create_directories(Out());
    }

    // Runs one reader, which checks its own result: it must finish, and
    // either succeed or fail with the program's own error naming the file.
    void Expect(const std::string& step, const std::function<void()>& run)
    {
        SCOPED_TRACE(step);
        const Watchdog watchdog(std::string(GetParam().Name) + ": " + step);
        try {
            run();
        } catch (const Error& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("bad.ogg"), std::string::npos) << "the message does not name the file: " << message;
        } catch (const std::exception& error) {
            ADD_FAILURE() << "failed with an error that is not the program's own: " << error.what();
        }
    }

    // Whether the source's first page begins an Opus stream.
    bool IsOpus() const
    {
        constexpr std::size_t kFirstBodyAt = 28;
        const std::string magic = "OpusHead";
        return bytes_.size() >= kFirstBodyAt + magic.size() &&
               std::equal(magic.begin(), magic.end(), bytes_.begin() + kFirstBodyAt);
    }

    // The file record the planners are given: the reader's own description,
    // or a made-up one for a file it refuses (a plan may outlive a file that
    // was good when it was planned).
    MPEGData Record() const
    {
        MPEGData record;
        try {
            record = ReadOggFileInfo(Source());
        } catch (const NotOggAudioError&) {
        }
        if (record.PcmTotal < 3) {
            record.FileName = Source();
            record.FileSize = static_cast<std::int64_t>(bytes_.size());
            record.SerialNumber = static_cast<std::int32_t>(kSerial);
            record.PcmTotal = 30000;
        }
        return record;
    }
    SectionSource Sections() const
    {
        const MPEGData record = Record();
        return {.FileName = Source(), .SerialNumber = record.SerialNumber, .PcmTotal = record.PcmTotal,
                .CutPoints = {record.PcmTotal / 3, record.PcmTotal * 2 / 3}};
    }

    TempDir dir_;
    Bytes bytes_;
    JobControl control_;
    RecordingObserver observer_;
};

// A written section is a whole stream of the planned serial number whose
// samples the reference decoder reads; an Opus section opens in the Opus
// file library, which checks its headers and timestamps.
void ExpectSection(const std::string& path, std::uint32_t serial, bool opus)
{
    EXPECT_EQ(ProblemWithStream(path, serial), "") << path;
    EXPECT_NO_THROW(opus ? DecodeOpusSamples(path) : DecodeSamples(path)) << path;
}

TEST_P(BadInputTest, EveryReaderAnswersAndLeavesTheSourceAlone)
{
    Expect("information", [&] {
        const MPEGData record = ReadOggFileInfo(Source());
        // Up to the last whole, valid page: a damaged or cut tail is no part of it.
        EXPECT_GT(record.FileSize, 0);
        EXPECT_LE(record.FileSize, static_cast<std::int64_t>(bytes_.size()));
        EXPECT_GE(record.Channels, 1);
        EXPECT_GE(record.Rate, 1);
        EXPECT_GE(record.PcmTotal, 0);
        EXPECT_GE(record.BlockCount, 0);
        EXPECT_EQ(record.PlayLength.size(), 8u) << record.PlayLength;
    });
    Expect("analysis", [&] {
        const std::atomic<bool> notCancelled{false};
        const AmplitudeProfile profile = ComputeAmplitudeProfile(Source(), notCancelled);
        for (const std::int16_t entry : profile.Entries)
            ASSERT_GE(entry, 0);
        EXPECT_TRUE(profile.Complete || profile.Entries.empty());
    });

    const auto runSplit = [&](JobList jobs) {
        EXPECT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
    };
    Expect("split", [&] {
        EmptyOut();
        const SplitOptions split{.Source = Sections(), .OutputFolder = Out(), .PreText = "Part ", .PostText = "", .Zeros = true};
        runSplit(PlanJobs(split, observer_));
        for (std::uint32_t k = 1; k <= 3; ++k)
            ExpectSection(Out() + "/Part 0" + std::to_string(k) + ".ogg", static_cast<std::uint32_t>(Sections().SerialNumber) + k - 1,
                          IsOpus());
    });
    EXPECT_EQ(ProblemWithOutputs(Out()), "");
    Expect("export", [&] {
        EmptyOut();
        runSplit(PlanJobs(ExportOptions{.Source = Sections(), .FileName = Out() + "/second.ogg", .Section = 2}, observer_));
        ExpectSection(Out() + "/second.ogg", static_cast<std::uint32_t>(Sections().SerialNumber) + 1, IsOpus());
    });
    EXPECT_EQ(ProblemWithOutputs(Out()), "");
    Expect("join", [&] {
        EmptyOut();
        MPEGData good, bad;
        good.FileName = Good();
        good.FileSize = static_cast<std::int64_t>(Material::Get().mono.size());
        bad.FileName = Source();
        bad.FileSize = static_cast<std::int64_t>(bytes_.size());
        JobList jobs = PlanJobs(JoinOptions{.Files = {good, bad}, .OutputFile = Out() + "/joined.ogg"}, observer_);
        EXPECT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
        EXPECT_EQ(DifferenceFromJoined(ReadBytes(Out() + "/joined.ogg"), Joined({Material::Get().mono, bytes_})), "");
    });
    EXPECT_EQ(FolderEntries(Out()), std::set<std::string>{"joined.ogg"}); // nothing else
    Expect("WAV", [&] {
        EmptyOut();
        JobList jobs = PlanJobs(WavOptions{.Files = {Source()}, .OneDirectory = true, .OutputFolder = Out()}, observer_);
        EXPECT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
        EXPECT_EQ(ProblemWithWav(Out() + "/bad.wav"), "");
    });
    EXPECT_EQ(ProblemWithOutputs(Out()), "");
    Expect("catalog", [&] {
        EmptyOut();
        const std::string text = "head\n<QRVLOOP>\n<QRV001>;<QRV009>;<QRV004>;<QRV008>\n<QRVEND>\ntail\n";
        WriteBytes(Out() + "/t.qrv", Text(text));
        const CatalogOptions options{.Mode = CatalogMode::Custom, .CustomTemplate = Out() + "/t.qrv", .Directory = In(),
                                     .OutputFile = Out() + "/list.txt", .Filter = "*.ogg", .IncludeSubFolders = false};
        JobList jobs = PlanJobs(options, control_, observer_);
        EXPECT_EQ(RunJobs(jobs, control_, observer_), RunResult::Finished);
        const Bytes list = ReadBytes(Out() + "/list.txt");
        const std::string written(list.begin(), list.end());
        EXPECT_TRUE(written.starts_with("head\n") && written.ends_with("tail\n")) << written;
        EXPECT_NE(written.find("good.ogg;11025;1;00:00:01\n"), std::string::npos) << written;
    });
    EXPECT_EQ(ProblemWithOutputs(Out()), "");
    Expect("cue reading", [&] {
        const CueTrackList tracks = ReadCueSheet(Source());
        MPEGData record;
        record.FileName = "ten.ogg";
        record.Rate = 44100;
        record.BlockCount = 100;
        record.TimeTotal = 10.0;
        record.PcmTotal = 441000;
        record.FileSize = 100000;
        const CuePlacement placement = PlanCueMarkers(tracks, ParseCueTitles(ReadCueSheetBytes(Source())), MarkerTime(record));
        for (const MarkerPlace& marker : placement.Laid.Markers) {
            EXPECT_GE(marker.Position, 0);
            EXPECT_LE(marker.Position, 100);
            EXPECT_GE(marker.Sample.value_or(-1), 0);
            EXPECT_LE(marker.Sample.value_or(-1), 441000);
        }
    });
    Expect("template expansion", [&] {
        const CatalogTemplate loaded = CatalogTemplate::Load(Source());
        loaded.ExpandBody(Record());
    });
}

// The command-line tool over the same inputs: a status of 0 with valid
// files, or a failure status with a message naming the file; never a crash.
TEST_P(BadInputTest, TheCommandLineToolAnswersEveryInputClearly)
{
    const std::vector<std::vector<std::string>> commands = {
        {"info", Source()},
        {"profile", Source(), "--quiet"},
        {"split", Source(), "--count", "3", "--out", Out(), "--quiet"},
        {"wav", Source(), "--dir", Out(), "--quiet"},
        {"markers", Source(), "--count", "2"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0]);
        EmptyOut();
        const Watchdog watchdog(std::string(GetParam().Name) + ": oggquorvel-cli " + command[0]);
        const CliResult result = RunCli(command);
        EXPECT_TRUE(result.Status == 0 || result.Status == 1) << "status " << result.Status << "\n" << result.Err;
        if (result.Status != 0) {
            EXPECT_NE(result.Err.find("bad.ogg"), std::string::npos) << result.Err;
            // Not a verdict alone: what is wrong with the file follows its name.
            if (command[0] == "wav") {
                EXPECT_NE(result.Err.find("bad.ogg\": "), std::string::npos) << result.Err;
            }
        }
        EXPECT_EQ(ProblemWithOutputs(Out()), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Files, BadInputTest, ::testing::ValuesIn(BadInputs()),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace oq::test
