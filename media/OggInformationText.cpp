#include "media/OggInformationText.h"

#include "media/OggFileInfo.h"
#include "codec/ChannelLayout.h"
#include "base/TimeCode.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

namespace oq {

namespace {

// The first value of comment `name`, given in capitals and matched without
// regard to case (as comment names are), or an empty text.
std::string CommentValue(const LinkHeaders& headers, std::string_view name)
{
    for (const auto& [field, value] : headers.Comments)
        if (std::ranges::equal(field, name, [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; }))
            return value;
    return {};
}

// A comment on one line: the line breaks a value may hold are shown as \n
// and \r, so that every line printed is one comment.
std::string OneLine(std::string_view text)
{
    std::string line;
    for (const char c : text) {
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else
            line += c;
    }
    return line;
}

// Decibels of a gain in 1/256 dB, two decimals and a sign: "-3.50 dB".
std::string GainText(int gain)
{
    constexpr double kStepsPerDecibel = 256.0;
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f dB", gain / kStepsPerDecibel);
    return text;
}

std::string LengthText(const FileLink& link)
{
    const std::int64_t samples = link.EndSample - link.FirstSample;
    const double seconds = link.Headers.Rate > 0 ? static_cast<double>(samples) / link.Headers.Rate : 0.0;
    return PlayLengthText(RoundedHundredths(seconds)) + " (" + GroupedNumber(samples) + " samples)";
}

// The pre-skip and output gain of a codec whose headers hold them.
void AddDecoderSettings(const LinkHeaders& headers, const std::string& indent, std::vector<std::string>& lines)
{
    if (headers.Codec->MostPreSkip > 0)
        lines.push_back(indent + "Pre-Skip:\t\t" + std::to_string(headers.PreSkip) + " samples");
    if (headers.Codec->HasOutputGain)
        lines.push_back(indent + "Output Gain:\t" + GainText(headers.OutputGain));
}

} // namespace

OggInformationText ComposeOggInformation(const MPEGData& record)
{
    OggInformationText text;
    if (record.FileSize < 1) {
        text.Lines = {"No Ogg Information"};
        return text;
    }
    text.Lines = {
        "Play Length:\t" + record.PlayLength,
        "Bit Rate:\t\t" + record.BitRate + " kbps",
        "Sampling Rate:\t" + std::to_string(record.Rate),
        "Channel Mode:\t" + ChannelLayout(record.Channels, record.PlacedChannels).Name(),
        "",
        "File Size:\t\t" + GroupedNumber(record.FileSize) + " bytes",
        "PCM Samples:\t" + std::to_string(record.PcmTotal),
        "",
        "Chained Streams:\t" + std::to_string(record.Streams),
        "Serial Number:\t" + std::to_string(record.SerialNumber),
    };
    // Quarter marks of the rounded play time; the three-quarter mark is
    // truncated from a floating-point product like every other conversion.
    const std::int64_t total = RoundedHundredths(record.TimeTotal);
    text.TimeLabels = {PlayLengthText(total / 4), PlayLengthText(total / 2),
                       PlayLengthText(static_cast<std::int64_t>(total * 0.75))};
    text.ChangesTimeLabels = true;
    return text;
}

std::vector<std::string> ComposeStreamInformation(const std::vector<FileLink>& links)
{
    std::vector<std::string> lines;
    if (links.size() == 1) {
        const LinkHeaders& headers = links.front().Headers;
        lines.push_back("Codec:\t\t" + std::string(headers.Codec->Name));
        AddDecoderSettings(headers, "", lines);
        lines.push_back("Vendor:\t\t" + OneLine(headers.Vendor));
        lines.push_back("Comments:\t\t" + std::to_string(headers.Comments.size()));
        for (const auto& [name, value] : headers.Comments)
            lines.push_back("\t" + OneLine(name) + "=" + OneLine(value));
        return lines;
    }
    for (std::size_t k = 0; k < links.size(); ++k) {
        const LinkHeaders& headers = links[k].Headers;
        const int channels = headers.Channels;
        lines.push_back("Link " + std::to_string(k + 1) + ":\t\t" + std::string(headers.Codec->Name) + ", " +
                        std::to_string(headers.Rate) + " Hz, " + std::to_string(channels) +
                        (channels == 1 ? " channel, " : " channels, ") + LengthText(links[k]));
        if (const std::string title = CommentValue(headers, "TITLE"); !title.empty())
            lines.push_back("\tTitle:\t\t" + OneLine(title));
        AddDecoderSettings(headers, "\t", lines);
    }
    return lines;
}

} // namespace oq
