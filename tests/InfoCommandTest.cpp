#include "media/OggFileInfo.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TestAudio.h"

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
                          "Serial Number:\t-2147483647\n");
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
    EXPECT_NE(result.Out.find("Serial Number:\t-2147483647\n\nFileName: " + second + "\n"), std::string::npos) << result.Out;
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
