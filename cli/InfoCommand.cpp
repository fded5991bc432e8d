#include "cli/InfoCommand.h"

#include "cli/Batch.h"
#include "media/FileLinks.h"
#include "media/OggFileInfo.h"
#include "media/OggInformationText.h"

#include <iomanip>
#include <iostream>
#include <sstream>

namespace oq::cli {

namespace {

constexpr int kTimeDecimals = 6; // microseconds: finer than one sample at any usual rate

std::vector<std::string> FileArguments(const std::vector<std::string>& arguments, bool& json)
{
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const auto& argument : arguments) {
        if (!optionsEnded && argument == "--")
            optionsEnded = true;
        else if (!optionsEnded && argument == "--json")
            json = true;
        else if (!optionsEnded && argument.size() > 1 && argument[0] == '-')
            throw UsageError("unknown option '" + argument + "'");
        else
            files.push_back(argument);
    }
    if (files.empty())
        throw UsageError("no file given");
    return files;
}

void PrintRecord(const MPEGData& record)
{
    std::ostringstream time;
    time << std::fixed << std::setprecision(kTimeDecimals) << record.TimeTotal;
    std::cout << "FileName: " << record.FileName << "\n"
              << "FileSize: " << record.FileSize << "\n"
              << "BitRate: " << record.BitRate << "\n"
              << "PlayLength: " << record.PlayLength << "\n"
              << "TimeTotal: " << time.str() << "\n"
              << "Streams: " << record.Streams << "\n"
              << "SerialNumber: " << record.SerialNumber << "\n"
              << "Version: " << record.Version << "\n"
              << "Rate: " << record.Rate << "\n"
              << "Channels: " << record.Channels << "\n"
              << "PcmTotal: " << record.PcmTotal << "\n"
              << "BlockCount: " << record.BlockCount << "\n"
              << "ProfileComplete: " << (record.ProfileComplete ? "yes" : "no") << "\n";
}

} // namespace

std::string InfoCommand::Summary() const
{
    return "describe Ogg Vorbis and Opus files";
}

std::string InfoCommand::Usage() const
{
    return "Usage: oggquorvel-cli info [--json] [--] FILE...\n\n"
           "Prints the file record of each Ogg Vorbis or Opus FILE (one \"Name: value\"\n"
           "line per field), a blank line, its information text, a blank line, and what\n"
           "its streams hold: the codec, Opus's pre-skip and output gain, the vendor and\n"
           "every comment (NAME=value); for a chained file one line per link with its\n"
           "codec, rate, channels, length and title instead. Files are separated by a\n"
           "blank line. A file that is missing, empty, a folder or neither Ogg Vorbis\n"
           "nor Opus is reported and skipped; the exit status is then 1.\n\n"
           "With --json it prints one JSON document instead: an array with an object\n"
           "for each FILE, {\"source\", \"size\" (bytes), \"codec\", \"version\", \"rate\",\n"
           "\"channels\", \"samples\" (per channel, all links), \"seconds\", \"play_length\",\n"
           "\"bitrate_kibit\", \"serial\", \"links\": [...]}, each link {\"codec\",\n"
           "\"serial\", \"rate\", \"channels\", \"pre_skip\", \"vendor\", \"comments\":\n"
           "[{\"name\", \"value\"}] in the header's order, \"first_byte\", \"end_byte\",\n"
           "\"first_sample\", \"end_sample\", \"samples\", \"seconds\"} (bytes and samples\n"
           "of the link in the whole file); or {\"source\", \"error\"} for a FILE not\n"
           "described. Errors still go to standard error.\n";
}

int InfoCommand::Run(const std::vector<std::string>& arguments)
{
    bool json = false;
    const std::vector<std::string> sources = FileArguments(arguments, json);
    BatchReport report(Name(), sources.size(), json);
    bool first = true;
    ForEachSource(sources, report, [&](std::size_t index, const std::string& path) {
        const MPEGData record = ReadOggFileInfo(path);
        if (json) {
            report.Done(index, FileFactsJson(record));
            return;
        }
        if (!first)
            std::cout << "\n";
        first = false;
        PrintRecord(record);
        std::cout << "\n";
        for (const auto& line : ComposeOggInformation(record).Lines)
            std::cout << line << "\n";
        std::cout << "\n";
        for (const auto& line : ComposeStreamInformation(ReadLinksToDescribe(path, record)))
            std::cout << line << "\n";
    });
    return report.Finish();
}

} // namespace oq::cli
