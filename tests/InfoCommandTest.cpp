#include "media/FileLinks.h"
#include "media/OggFileInfo.h"
#include "tests/support/CliRunner.h"
#include "tests/support/OggSurgery.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace oq::test {
namespace {

// Sets LC_ALL for the tool's runs and puts the old value back.
class ToolLocale {
public:
    explicit ToolLocale(const char* name)
    {
        if (const char* old = std::getenv("LC_ALL"))
            previous_ = old;
        setenv("LC_ALL", name, 1);
    }
    ~ToolLocale()
    {
        if (previous_)
            setenv("LC_ALL", previous_->c_str(), 1);
        else
            unsetenv("LC_ALL");
    }
    ToolLocale(const ToolLocale&) = delete;
    ToolLocale& operator=(const ToolLocale&) = delete;

private:
    std::optional<std::string> previous_;
};

bool LocaleInstalled(const char* name)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const bool installed = std::setlocale(LC_NUMERIC, name) != nullptr;
    std::setlocale(LC_NUMERIC, previous.c_str());
    return installed;
}

std::string WithCommas(std::int64_t value)
{
    std::string digits = std::to_string(value);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

class InfoCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        song_ = dir_.Path("song.ogg");
        WriteBytes(song_, MakeOggVorbis({.channels = 2, .rate = 44100, .seconds = 3.0}, {.serial = 0x80000001u}));
        record_ = ReadOggFileInfo(song_);
    }

    TempDir dir_;
    std::string song_;
    MPEGData record_;
};

TEST_F(InfoCommand, PrintsTheRecordThenTheInformationText)
{
    ToolLocale locale("C");
    const CliResult result = RunCli({"info", song_});
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Err, "");
    const std::string size = std::to_string(std::filesystem::file_size(song_));
    EXPECT_EQ(result.Out, "FileName: " + song_ + "\n"
                          "FileSize: " + size + "\n"
                          "BitRate: " + record_.BitRate + "\n"
                          "PlayLength: 00:00:03\n"
                          "TimeTotal: 3.000000\n"
                          "Streams: 1\n"
                          "SerialNumber: -2147483647\n"
                          "Version: 0\n"
                          "Rate: 44100\n"
                          "Channels: 2\n"
                          "PcmTotal: 132300\n"
                          "BlockCount: 32\n"
                          "ProfileComplete: no\n"
                          "\n"
                          "Play Length:\t00:00:03\n"
                          "Bit Rate:\t\t" + record_.BitRate + " kbps\n"
                          "Sampling Rate:\t44100\n"
                          "Channel Mode:\tStereo\n"
                          "\n"
                          "File Size:\t\t" + size + " bytes\n"
                          "PCM Samples:\t132300\n"
                          "\n"
                          "Chained Streams:\t1\n"
                          "Serial Number:\t-2147483647\n"
                          "\n"
                          "Codec:\t\tVorbis\n"
                          "Vendor:\t\t" + ReadFileLinks(song_).front().Headers.Vendor + "\n"
                          "Comments:\t\t1\n"
                          "\tTITLE=test audio\n");
}

// A chain is told link by link; an Opus stream's output gain is read from
// its header, not assumed. A chain of a Vorbis and an Opus link, which no
// one decoder plays, is refused naming both.
TEST_F(InfoCommand, TellsEachLinkOfAChainAndTheOpusDecoderSettings)
{
    ToolLocale locale("C");
    constexpr int kGain = -896; // -3.5 dB in 1/256 dB
    constexpr std::size_t kGainOffset = 16; // in OpusHead, little-endian
    constexpr std::size_t kPreSkipOffset = 10;
    const auto opusWithGain = [&](std::uint32_t serial, std::string& preSkip) {
        const Bytes opus = MakeOggOpus({.channels = 1, .seconds = 1.0, .serial = serial});
        const PageSpan head = PageSpans(opus).front();
        const std::size_t bodyStart = head.Offset + 27 + opus[head.Offset + 26];
        Bytes packet(opus.begin() + static_cast<std::ptrdiff_t>(bodyStart),
                     opus.begin() + static_cast<std::ptrdiff_t>(head.Offset + head.Size));
        packet[kGainOffset] = static_cast<std::uint8_t>(kGain & 0xff);
        packet[kGainOffset + 1] = static_cast<std::uint8_t>((kGain >> 8) & 0xff);
        preSkip = std::to_string(packet[kPreSkipOffset] | packet[kPreSkipOffset + 1] << 8);
        return WithFirstPacket(opus, packet);
    };
    std::string preSkip;
    const Bytes opus = opusWithGain(2, preSkip);
    const std::string single = dir_.Path("gain.opus");
    WriteBytes(single, opus);
    const std::string vorbisChain = dir_.Path("chain.ogg");
    WriteBytes(vorbisChain, Joined({MakeOggVorbis({.seconds = 2.0, .title = "First\nPart"}, {.serial = 1}),
                                    MakeOggVorbis({.channels = 1, .rate = 22050, .seconds = 1.0}, {.serial = 3})}));
    const std::string opusChain = dir_.Path("chain.opus");
    WriteBytes(opusChain, Joined({opus, opusWithGain(4, preSkip)}));
    const std::string mixed = dir_.Path("mixed.ogg");
    WriteBytes(mixed, Joined({MakeOggVorbis({.seconds = 1.0}, {.serial = 1}), opus}));

    const CliResult result = RunCli({"info", single, vorbisChain, opusChain, mixed});
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Err, "oggquorvel-cli info: \"" + mixed +
                              "\": chains Vorbis and Opus links, and a chain is decoded with one codec's library\n"
                              "oggquorvel-cli info: 3 of 4 files done; not done: \"" +
                              mixed + "\"\n");
    const std::string singleText = "Serial Number:\t2\n"
                               "\n"
                               "Codec:\t\tOpus\n"
                               "Pre-Skip:\t\t" + preSkip + " samples\n"
                               "Output Gain:\t-3.50 dB\n"
                               "Vendor:\t\t";
    EXPECT_NE(result.Out.find(singleText), std::string::npos) << result.Out;
    const std::string vorbisLinks = "Serial Number:\t1\n"
                                    "\n"
                                    "Link 1:\t\tVorbis, 44100 Hz, 2 channels, 00:00:02 (88200 samples)\n"
                                    "\tTitle:\t\tFirst\\nPart\n"
                                    "Link 2:\t\tVorbis, 22050 Hz, 1 channel, 00:00:01 (22050 samples)\n"
                                    "\tTitle:\t\ttest audio\n"
                                    "\n";
    EXPECT_NE(result.Out.find(vorbisLinks), std::string::npos) << result.Out;
    const std::string opusLink = "Link 2:\t\tOpus, 48000 Hz, 1 channel, 00:00:01 (48000 samples)\n"
                                 "\tPre-Skip:\t\t" + preSkip + " samples\n"
                                 "\tOutput Gain:\t-3.50 dB\n";
    EXPECT_TRUE(result.Out.ends_with(opusLink)) << result.Out;
}

TEST_F(InfoCommand, GroupsTheFileSizeTheUserWay)
{
    if (!LocaleInstalled("en_US.UTF-8"))
        GTEST_SKIP() << "en_US.UTF-8 is not installed (localedef -i en_US -f UTF-8 en_US.UTF-8)";
    // A file past 1000 bytes, so that the size has a separator to show.
    ASSERT_GE(record_.FileSize, 1000);
    ToolLocale locale("en_US.UTF-8");
    const CliResult result = RunCli({"info", song_});
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_NE(result.Out.find("\nFile Size:\t\t" + WithCommas(record_.FileSize) + " bytes\n"), std::string::npos) << result.Out;
    EXPECT_NE(result.Out.find("\nFileSize: " + std::to_string(record_.FileSize) + "\n"), std::string::npos) << result.Out;
}

TEST_F(InfoCommand, ReportsBadFilesAndGoesOn)
{
    ToolLocale locale("C");
    const std::string second = dir_.Path("second.ogg");
    WriteBytes(second, MakeOggVorbis({.channels = 1, .rate = 8000, .seconds = 1.0}));
    WriteBytes(dir_.Path("text.ogg"), Bytes{'h', 'e', 'l', 'l', 'o'});
    WriteBytes(dir_.Path("empty.ogg"), {});
    std::filesystem::create_directory(dir_.Path("folder.ogg"));

    const CliResult result = RunCli({"info", song_, dir_.Path("missing.ogg"), dir_.Path("folder.ogg"),
                                     dir_.Path("text.ogg"), dir_.Path("empty.ogg"), second});
    EXPECT_EQ(result.Status, 1);
    const std::string prefix = "oggquorvel-cli info: ";
    EXPECT_EQ(result.Err, prefix + "cannot open \"" + dir_.Path("missing.ogg") + "\": No such file or directory\n" +
                          prefix + "cannot read \"" + dir_.Path("folder.ogg") + "\": Is a directory\n" +
                          prefix + "\"" + dir_.Path("text.ogg") + "\": is not an Ogg Vorbis or Opus file\n" +
                          prefix + "\"" + dir_.Path("empty.ogg") + "\": is empty\n" + prefix +
                          "2 of 6 files done; not done: \"" + dir_.Path("missing.ogg") + "\" \"" +
                          dir_.Path("folder.ogg") + "\" \"" + dir_.Path("text.ogg") + "\" \"" +
                          dir_.Path("empty.ogg") + "\"\n");
    // Both good files are described, one block each, a blank line between.
    EXPECT_EQ(result.Out.rfind("FileName: " + song_ + "\n", 0), 0u) << result.Out;
    EXPECT_NE(result.Out.find("\tTITLE=test audio\n\nFileName: " + second + "\n"), std::string::npos) << result.Out;
    EXPECT_NE(result.Out.find("Channel Mode:\tMono\n"), std::string::npos);
}

TEST_F(InfoCommand, CommandLineMistakes)
{
    const CliResult none = RunCli({"info"});
    EXPECT_EQ(none.Status, 2);
    EXPECT_NE(none.Err.find("no file given"), std::string::npos) << none.Err;

    const CliResult unknown = RunCli({"info", "--bogus", song_});
    EXPECT_EQ(unknown.Status, 2);
    EXPECT_EQ(unknown.Out, "");

    const CliResult help = RunCli({"info", "--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_EQ(help.Out.rfind("Usage: oggquorvel-cli info", 0), 0u) << help.Out;

    // After "--" a name that starts with a dash is a file.
    const CliResult dashed = RunCli({"info", "--", "-not-there.ogg"});
    EXPECT_EQ(dashed.Status, 1);
    EXPECT_EQ(dashed.Err, "oggquorvel-cli info: cannot open \"-not-there.ogg\": No such file or directory\n");
}

} // namespace
} // namespace oq::test
