#include "tools/WavWriter.h"
#include "base/Error.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestName.h"

#include <gtest/gtest.h>
#include <optional>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <regex>
#include <thread>

namespace oq::test {
namespace {

std::uint32_t NumberAt(const Bytes& bytes, std::size_t offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytes[offset + static_cast<std::size_t>(i)];
    return value;
}

// The header's fixed fields, its format (channels, rate, byte rate, frame
// size) and its two sizes agreeing with the file's length; returns the data.
Bytes CheckedData(const Bytes& wav, std::uint32_t channels, std::uint32_t rate)
{
    EXPECT_GE(wav.size(), 44u);
    const std::string tags(wav.begin(), wav.begin() + 44);
    EXPECT_EQ(tags.substr(0, 4) + tags.substr(8, 8) + tags.substr(36, 4), "RIFFWAVEfmt data");
    EXPECT_EQ(NumberAt(wav, 4, 4), wav.size() - 8);
    EXPECT_EQ(NumberAt(wav, 40, 4), wav.size() - 44);
    const std::uint32_t format[] = {NumberAt(wav, 16, 4), NumberAt(wav, 20, 2), NumberAt(wav, 22, 2), NumberAt(wav, 24, 4),
                                    NumberAt(wav, 28, 4), NumberAt(wav, 32, 2), NumberAt(wav, 34, 2)};
    EXPECT_EQ(std::vector<std::uint32_t>(std::begin(format), std::end(format)),
              (std::vector<std::uint32_t>{16, 1, channels, rate, channels * rate * 2, channels * 2, 16}));
    return Bytes(wav.begin() + 44, wav.end());
}

Bytes DecodedBytes(const std::string& path)
{
    const auto samples = DecodeSamples(path);
    Bytes bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size()); // the test host is little-endian, like WAV
    return bytes;
}

class Recorder : public JobObserver {
public:
    void ProcessText(const std::string& text) override
    {
        std::lock_guard lock(mutex_);
        texts_.push_back(text);
        if (onText)
            onText();
    }
    std::vector<std::string> Texts()
    {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    std::function<void()> onText;

private:
    std::mutex mutex_;
    std::vector<std::string> texts_;
};

class WavWriter : public ::testing::Test {
protected:
    std::string Source(const Bytes& ogg)
    {
        const std::string path = dir_.Path("in" + std::to_string(++sources_) + ".ogg");
        WriteBytes(path, ogg);
        return path;
    }
    // Two links of one format and of different lengths (a WAV file holds
    // one format), or with `mixed` of two formats. Each spans several
    // pages: the decoder library passes over a leading link whose audio
    // fits one page.
    std::string ChainedSource(bool mixed = false)
    {
        Bytes chained = MakeOggVorbis({.seconds = 0.6}, {.serial = 11, .flushEveryPackets = 4});
        const Bytes second = MakeOggVorbis({.channels = mixed ? 1 : 2, .rate = mixed ? 22050 : 44100, .seconds = 0.9},
                                           {.serial = 12, .flushEveryPackets = 4});
        chained.insert(chained.end(), second.begin(), second.end());
        const std::string path = Source(chained);
        EXPECT_EQ(DecodeSamples(path).size(), 26460u * 2 + (mixed ? 19845u : 39690u * 2));
        return path;
    }

    TempDir dir_;
    int sources_ = 0;
    JobControl control_;
    Recorder recorder_;
    const std::string output_ = dir_.Path("out.wav");
};

struct WavSourceCase {
    const char* label;
    std::optional<AudioSpec> spec; // none: the chained source
    std::uint32_t channels, rate;
};

void PrintTo(const WavSourceCase& c, std::ostream* out) { *out << c.label; }

const WavSourceCase kWavSources[] = {
    {"stereo at 44100 Hz", AudioSpec{.seconds = 1.0}, 2, 44100},
    {"chained links of one format", std::nullopt, 2, 44100},
    {"mono at 22050 Hz", AudioSpec{.channels = 1, .rate = 22050, .seconds = 1.3, .signal = Signal::Mixed}, 1, 22050},
    {"six channels at 8000 Hz", AudioSpec{.channels = 6, .rate = 8000, .seconds = 0.7, .signal = Signal::Noise}, 6, 8000},
};

class WavWriterSource : public WavWriter, public ::testing::WithParamInterface<WavSourceCase> {};

TEST_P(WavWriterSource, HeaderDescribesTheFirstLinkAndTheDataIsEveryDecodedSample)
{
    const WavSourceCase& c = GetParam();
    const std::string source = c.spec ? Source(MakeOggVorbis(*c.spec)) : ChainedSource();
    WriteBytes(output_, Bytes(3'000'000, 0x77)); // an existing output is replaced
    ASSERT_EQ(ConvertToWav(source, output_, control_, recorder_), WavOutcome::Written);
    EXPECT_EQ(CheckedData(ReadBytes(output_), c.channels, c.rate), DecodedBytes(source));
}

INSTANTIATE_TEST_SUITE_P(WavWriter, WavWriterSource, ::testing::ValuesIn(kWavSources),
                         [](const auto& info) { return TestName(info.param.label); });

TEST_F(WavWriter, ASecondOfStereoAt44100HzIsItsByteRate)
{
    ConvertToWav(Source(MakeOggVorbis({.seconds = 1.0})), output_, control_, recorder_);
    EXPECT_EQ(ReadBytes(output_).size(), 44u + 176400u); // frames of 4 bytes
}

TEST_F(WavWriter, StatusFollowsTheCompressedBytesUpToOneHundredPercent)
{
    ConvertToWav(Source(MakeOggVorbis({.seconds = 3.0, .signal = Signal::Noise})), output_, control_, recorder_);
    const auto texts = recorder_.Texts();
    ASSERT_FALSE(texts.empty());
    int previous = -1;
    for (const std::string& text : texts) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, std::regex(R"(Creating WAV File \((\d+)%\)\.\.\.)"))) << text;
        EXPECT_GT(std::stoi(match[1]), previous) << "a repeated or falling percentage";
        previous = std::stoi(match[1]);
    }
    EXPECT_EQ(previous, 100);
}

TEST_F(WavWriter, PauseFromAnotherThreadHoldsTheWorkAndCancelLeavesAValidShorterFile)
{
    const std::string source = Source(MakeOggVorbis({.seconds = 2.0}));
    const Bytes all = DecodedBytes(source);
    for (const bool resume : {true, false}) {
        control_.Reset();
        control_.SetPaused(true);
        Recorder recorder;
        WavOutcome outcome{};
        std::thread worker([&] { outcome = ConvertToWav(source, output_, control_, recorder); });
        while (recorder.Texts().empty())
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_EQ(recorder.Texts().size(), 1u) << "the conversion went on while paused";
        resume ? control_.SetPaused(false) : control_.RequestCancel();
        worker.join();
        const Bytes data = CheckedData(ReadBytes(output_), 2, 44100);
        EXPECT_EQ(outcome, resume ? WavOutcome::Written : WavOutcome::Cancelled);
        if (resume)
            EXPECT_EQ(data, all);
        else
            EXPECT_TRUE(!data.empty() && data.size() <= 8192 && std::equal(data.begin(), data.end(), all.begin()))
                << "one read, then the cancel";
    }
}

TEST_F(WavWriter, PartsWrittenInPlaceGiveTheOnePassBytes)
{
    const std::string sources[] = {
        Source(MakeOggVorbis({.seconds = 2.5, .signal = Signal::Mixed}, {.flushEveryPackets = 3})),
        Source(MakeOggVorbis({.channels = 6, .rate = 8000, .seconds = 1.5, .signal = Signal::Noise}, {.maxSegments = 6})),
    };
    for (const std::string& source : sources) {
        const auto size = static_cast<std::int64_t>(std::filesystem::file_size(source));
        std::vector<std::int64_t> everyOffset(static_cast<std::size_t>(size));
        std::iota(everyOffset.begin(), everyOffset.end(), 1);
        const Bytes expected = DecodedBytes(source);
        const std::uint32_t channels = source == sources[0] ? 2 : 6;
        for (const PartLayout& layout :
             {PartLayout{.Threads = 2, .Targets = everyOffset, .OnePassOnMismatch = false},
              PartLayout{.Threads = 2, .Targets = std::vector<std::int64_t>{size / 2}, .OnePassOnMismatch = false}}) {
            ASSERT_EQ(ConvertToWav(source, output_, control_, recorder_, kMaxWavDataBytes, layout), WavOutcome::Written);
            EXPECT_EQ(CheckedData(ReadBytes(output_), channels, channels == 2 ? 44100 : 8000), expected);
        }
    }
}

TEST_F(WavWriter, CancelWhileInPartsCutsTheFileBackToItsCompleteFront)
{
    const Bytes ogg = MakeOggVorbis({.seconds = 3.0}, {.flushEveryPackets = 3});
    const std::string source = Source(ogg);
    std::vector<std::int64_t> everyOffset(ogg.size());
    std::iota(everyOffset.begin(), everyOffset.end(), 1);
    control_.SetPaused(true); // every thread stops after its first packet
    recorder_.onText = [&] { control_.RequestCancel(); };
    EXPECT_EQ(ConvertToWav(source, output_, control_, recorder_, kMaxWavDataBytes, {.Threads = 2, .Targets = everyOffset, .OnePassOnMismatch = false}),
              WavOutcome::Cancelled);
    const Bytes data = CheckedData(ReadBytes(output_), 2, 44100);
    const Bytes all = DecodedBytes(source);
    EXPECT_LT(data.size(), all.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), all.begin())) << "the file holds more than its front";
}

TEST_F(WavWriter, SourcesThatCannotBeConverted)
{
    EXPECT_THROW(ConvertToWav(Source(Bytes(4000, 'q')), output_, control_, recorder_), NotOggVorbisError);
    EXPECT_THROW(ConvertToWav(dir_.Path("missing.ogg"), output_, control_, recorder_), IoError);
    EXPECT_FALSE(std::filesystem::exists(output_));
    EXPECT_THROW(ConvertToWav(Source(MakeOggVorbis({.seconds = 1.0})), "/dev/full", control_, recorder_), IoError);

    // Links of two formats, which one header cannot describe; too long for
    // the header's size fields: refused before the output is made.
    EXPECT_THROW(ConvertToWav(ChainedSource(true), output_, control_, recorder_), FormatError);
    EXPECT_FALSE(std::filesystem::exists(output_));
    const std::string chained = ChainedSource();
    const std::uint64_t exact = DecodeSamples(chained).size() * 2;
    EXPECT_THROW(ConvertToWav(chained, output_, control_, recorder_, exact - 2), RangeError);
    EXPECT_FALSE(std::filesystem::exists(output_));
    EXPECT_EQ(ConvertToWav(chained, output_, control_, recorder_, exact), WavOutcome::Written);
}

} // namespace
} // namespace oq::test
