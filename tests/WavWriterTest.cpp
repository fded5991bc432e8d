#include "decode/WavWriter.h"
#include "engine/Error.h"
#include "engine/JobControl.h"
#include "engine/JobObserver.h"
#include "tests/support/TestAudio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <regex>
#include <thread>

namespace oq::test {
namespace {

std::uint32_t U32At(const Bytes& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes[offset + static_cast<std::size_t>(i)];
    return value;
}

std::uint32_t U16At(const Bytes& bytes, std::size_t offset) { return bytes[offset] | (bytes[offset + 1] << 8); }

std::string TagAt(const Bytes& bytes, std::size_t offset) { return std::string(bytes.begin() + offset, bytes.begin() + offset + 4); }

Bytes SampleBytes(const std::vector<std::int16_t>& samples)
{
    Bytes bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size()); // the test host is little-endian, like WAV
    return bytes;
}

// The header is well formed and its two sizes agree with the file's length.
void ExpectConsistentHeader(const Bytes& wav)
{
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(TagAt(wav, 0), "RIFF");
    EXPECT_EQ(U32At(wav, 4), wav.size() - 8);
    EXPECT_EQ(TagAt(wav, 8), "WAVE");
    EXPECT_EQ(TagAt(wav, 12), "fmt ");
    EXPECT_EQ(U32At(wav, 16), 16u);
    EXPECT_EQ(U16At(wav, 20), 1u);
    EXPECT_EQ(U16At(wav, 34), 16u);
    EXPECT_EQ(TagAt(wav, 36), "data");
    EXPECT_EQ(U32At(wav, 40), wav.size() - 44);
}

Bytes DataOf(const Bytes& wav) { return Bytes(wav.begin() + 44, wav.end()); }

class Recorder : public JobObserver {
public:
    void ProcessText(const std::string& text) override
    {
        std::lock_guard lock(mutex_);
        texts_.push_back(text);
        changed_.notify_all();
        if (onText_)
            onText_(texts_.size());
    }
    std::vector<std::string> Texts()
    {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    void WaitForTexts(std::size_t count)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return texts_.size() >= count; });
    }
    std::function<void(std::size_t)> onText_;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> texts_;
};

class WavWriter : public ::testing::Test {
protected:
    std::string Source(const AudioSpec& spec, const std::string& name = "in.ogg")
    {
        WriteBytes(dir_.Path(name), MakeOggVorbis(spec));
        return dir_.Path(name);
    }
    // Two links of different formats, one after the other. Each link spans
    // several pages: the decoder library passes over a leading link whose
    // audio fits one page.
    std::string ChainedSource()
    {
        Bytes chained = MakeOggVorbis({.channels = 2, .rate = 44100, .seconds = 0.6}, {.serial = 11, .flushEveryPackets = 4});
        const Bytes second = MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 0.9, .signal = Signal::Noise},
                                           {.serial = 12, .flushEveryPackets = 4});
        chained.insert(chained.end(), second.begin(), second.end());
        const std::string path = dir_.Path("chained.ogg");
        WriteBytes(path, chained);
        EXPECT_EQ(DecodeSamples(path).size(), 26460u * 2 + 19845u);
        return path;
    }

    TempDir dir_;
    JobControl control_;
    Recorder recorder_;
    const std::string output_ = dir_.Path("out.wav");
};

TEST_F(WavWriter, HeaderDescribesTheFirstLinkAndTheDataIsTheDecodedSamples)
{
    struct Case {
        AudioSpec spec;
        std::uint32_t byteRate, frameBytes;
    };
    const Case cases[] = {
        {{.channels = 2, .rate = 44100, .seconds = 1.0}, 176400, 4},
        {{.channels = 1, .rate = 22050, .seconds = 1.3, .signal = Signal::Mixed}, 44100, 2},
        {{.channels = 6, .rate = 8000, .seconds = 0.7, .signal = Signal::Noise}, 96000, 12},
    };
    for (const Case& c : cases) {
        const std::string source = Source(c.spec);
        ASSERT_EQ(ConvertToWav(source, output_, control_, recorder_), WavOutcome::Written);
        const Bytes wav = ReadBytes(output_);
        ExpectConsistentHeader(wav);
        EXPECT_EQ(U16At(wav, 22), static_cast<std::uint32_t>(c.spec.channels));
        EXPECT_EQ(U32At(wav, 24), static_cast<std::uint32_t>(c.spec.rate));
        EXPECT_EQ(U32At(wav, 28), c.byteRate);
        EXPECT_EQ(U16At(wav, 32), c.frameBytes);
        EXPECT_EQ(DataOf(wav), SampleBytes(DecodeSamples(source))) << c.spec.channels << " channels";
    }
    // One second of 44.1 kHz stereo: 176,400 bytes of samples.
    const Bytes oneSecond = (ConvertToWav(Source(cases[0].spec), output_, control_, recorder_), ReadBytes(output_));
    EXPECT_EQ(oneSecond.size(), 44u + 176400u);
    EXPECT_EQ(U32At(oneSecond, 4), 176436u);
}

TEST_F(WavWriter, ChainedSourceGetsTheFirstLinksHeaderAndEverySample)
{
    const std::string source = ChainedSource();
    ASSERT_EQ(ConvertToWav(source, output_, control_, recorder_), WavOutcome::Written);
    const Bytes wav = ReadBytes(output_);
    ExpectConsistentHeader(wav);
    EXPECT_EQ(U16At(wav, 22), 2u);
    EXPECT_EQ(U32At(wav, 24), 44100u);
    EXPECT_EQ(DataOf(wav), SampleBytes(DecodeSamples(source)));
}

TEST_F(WavWriter, StatusFollowsTheCompressedBytes)
{
    ConvertToWav(Source({.seconds = 3.0, .signal = Signal::Noise}), output_, control_, recorder_);
    const auto texts = recorder_.Texts();
    ASSERT_GT(texts.size(), 3u);
    const std::regex form(R"(Creating WAV File \((\d+)%\)\.\.\.)");
    int previous = -1;
    for (const std::string& text : texts) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, form)) << text;
        const int percent = std::stoi(match[1]);
        EXPECT_GT(percent, previous) << "a repeated or falling percentage";
        previous = percent;
    }
    EXPECT_EQ(texts.back(), "Creating WAV File (100%)...");
}

TEST_F(WavWriter, ExistingOutputIsReplaced)
{
    WriteBytes(output_, Bytes(3'000'000, 0x77));
    const std::string source = Source({.seconds = 0.5});
    ConvertToWav(source, output_, control_, recorder_);
    const Bytes wav = ReadBytes(output_);
    ExpectConsistentHeader(wav);
    EXPECT_EQ(DataOf(wav), SampleBytes(DecodeSamples(source)));
}

TEST_F(WavWriter, CancelLeavesAValidShorterFile)
{
    const std::string source = Source({.seconds = 2.0});
    recorder_.onText_ = [&](std::size_t) { control_.RequestCancel(); };
    EXPECT_EQ(ConvertToWav(source, output_, control_, recorder_), WavOutcome::Cancelled);
    const Bytes wav = ReadBytes(output_);
    ExpectConsistentHeader(wav);
    const Bytes all = SampleBytes(DecodeSamples(source));
    const Bytes data = DataOf(wav);
    ASSERT_GT(data.size(), 0u);
    ASSERT_LE(data.size(), 8192u) << "one read, then the cancel";
    EXPECT_TRUE(std::equal(data.begin(), data.end(), all.begin()));
}

TEST_F(WavWriter, PauseFromAnotherThreadHoldsTheConversionUntilResumedOrCancelled)
{
    const std::string source = Source({.seconds = 2.0});
    const Bytes all = SampleBytes(DecodeSamples(source));
    for (const bool resume : {true, false}) {
        control_.Reset();
        Recorder recorder;
        control_.SetPaused(true);
        WavOutcome outcome{};
        std::thread worker([&] { outcome = ConvertToWav(source, output_, control_, recorder); });
        recorder.WaitForTexts(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_EQ(recorder.Texts().size(), 1u) << "the status moved while paused";
        if (resume)
            control_.SetPaused(false);
        else
            control_.RequestCancel();
        worker.join();
        const Bytes wav = ReadBytes(output_);
        ExpectConsistentHeader(wav);
        if (resume) {
            EXPECT_EQ(outcome, WavOutcome::Written);
            EXPECT_EQ(DataOf(wav), all);
        } else {
            EXPECT_EQ(outcome, WavOutcome::Cancelled);
            EXPECT_LE(DataOf(wav).size(), 8192u) << "cancelling while paused finishes at once";
        }
    }
}

TEST_F(WavWriter, SourcesThatCannotBeConverted)
{
    WriteBytes(dir_.Path("text.ogg"), Bytes(4000, 'q'));
    EXPECT_EQ(ConvertToWav(dir_.Path("text.ogg"), output_, control_, recorder_), WavOutcome::NotOggVorbis);
    EXPECT_FALSE(std::filesystem::exists(output_)) << "no output for a source that is not Ogg Vorbis";
    EXPECT_THROW(ConvertToWav(dir_.Path("missing.ogg"), output_, control_, recorder_), IoError);
    EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(WavWriter, DataTooLongForTheHeaderIsRefusedBeforeTheOutputIsMade)
{
    // The limit counts every link with its own channel count.
    const std::string source = ChainedSource();
    const std::uint64_t exact = DecodeSamples(source).size() * 2;
    EXPECT_EQ(ConvertToWav(source, output_, control_, recorder_, exact), WavOutcome::Written);
    std::filesystem::remove(output_);
    EXPECT_THROW(ConvertToWav(source, output_, control_, recorder_, exact - 2), RangeError);
    EXPECT_FALSE(std::filesystem::exists(output_));
    EXPECT_EQ(kMaxWavDataBytes + 36, 0xFFFFFFFFull) << "the RIFF size field must still hold data + 36";
}

TEST_F(WavWriter, WriteFailureRaisesIoError)
{
    EXPECT_THROW(ConvertToWav(Source({.seconds = 1.0}), "/dev/full", control_, recorder_), IoError);
}

} // namespace
} // namespace oq::test
