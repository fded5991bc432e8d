#include "media/OggFileInfo.h"

#include "media/CodecChoice.h"
#include "media/ProfileBlock.h"
#include "ogg/OggDataEnd.h"
#include "base/TimeCode.h"
#include "base/Error.h"
#include "base/FileSystem.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace oq {

namespace {

constexpr double kBitRateUnit = 1024; // the bit rate is shown in units of 1024 bit/s
constexpr std::int64_t kHundredthsPerSecond = 100;
constexpr std::int64_t kHundredthsPerHour = 360000;
// Block positions and times in hundredths of a second are 32-bit numbers
// throughout the editor (the latter reach about 248 days).
constexpr std::int64_t kMostBlocks = std::numeric_limits<std::int32_t>::max();
constexpr double kMostSeconds = std::numeric_limits<std::int32_t>::max() / 100.0;
constexpr long kMostRate = std::numeric_limits<std::int32_t>::max(); // the header allows 32 unsigned bits

// The library answers a query it cannot serve with a negative error code.
template <typename Number>
Number Checked(Number value, const std::string& path, const char* what)
{
    if (value < 0)
        throw NotOggAudioError(path, std::string("cannot determine the ") + what);
    return value;
}

// The first link's bit rate in units of 1024 bit/s: its audio bytes (those
// after its headers) over its play time, in whole bit/s, then rounded to
// the unit. The decoder library's own figure ends the last link at the start
// of its final page and so leaves that page out (a file whose audio fits one
// page gets 0); the link's end is therefore taken from the next link's start
// or, for the only link, from the file's size.
std::string BitRateText(FileDecoder& decoder, std::int64_t fileSize)
{
    const double seconds = decoder.Seconds(0);
    if (seconds <= 0)
        return "0"; // a link without samples has no bit rate
    const std::int64_t linkEnd = decoder.Links() > 1 ? decoder.LinkStart(1) : fileSize;
    const std::int64_t bitsPerSecond = RoundHalfEven(static_cast<double>(linkEnd - decoder.AudioStart(0)) * 8 / seconds);
    return std::to_string(RoundHalfEven(bitsPerSecond / kBitRateUnit));
}

} // namespace

std::int64_t RoundHalfEven(double value)
{
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0))
        whole += 1;
    return static_cast<std::int64_t>(whole);
}

std::int64_t RoundedHundredths(double seconds)
{
    return RoundHalfEven(seconds) * kHundredthsPerSecond;
}

std::string PlayLengthText(std::int64_t hundredths)
{
    // The time code covers minutes and seconds of the last hour; the hours
    // are written here so that they may outgrow two digits.
    const std::int64_t hours = hundredths / kHundredthsPerHour;
    const auto withinHour = static_cast<std::int32_t>(hundredths % kHundredthsPerHour);
    const std::string hourText = hours < 10 ? "0" + std::to_string(hours) : std::to_string(hours);
    return hourText + ShortTime(FormatTimeCode(withinHour)).substr(2);
}

MPEGData ReadOggFileInfo(const std::string& fileName)
{
    const std::int64_t fileSize = RegularFileSize(fileName);
    if (fileSize == 0)
        throw NotOggAudioError(fileName, "is empty");
    const auto decoder = OpenFileDecoder(fileName);

    const double timeTotal = Checked(decoder->Seconds(-1), fileName, "play time");
    const std::int64_t pcmTotal = Checked(decoder->Frames(-1), fileName, "sample count");
    const StreamFormat format = *decoder->Format(0);
    // A file that claims more than the editor can count (a damaged header or
    // last granule position, as a rule) is refused rather than described
    // with numbers that wrap. The opening block count is never below the
    // one the analysis puts in its place, so it is the one held to 32 bits.
    const std::int64_t openingBlocks = OpeningBlockCount(pcmTotal, format.Channels);
    if (timeTotal > kMostSeconds || openingBlocks > kMostBlocks || format.Rate > kMostRate)
        throw NotOggAudioError(fileName, "claims a length or rate past what the editor can count");

    MPEGData info;
    info.FileName = fileName;
    // Up to the end of the last page: the decoder library's count stops at
    // its start, and bytes after it are no part of the stream.
    info.FileSize = OggDataEnd(fileName, fileSize, decoder->LastPageStart());
    info.BitRate = BitRateText(*decoder, info.FileSize);
    info.TimeTotal = timeTotal;
    info.PlayLength = PlayLengthText(RoundedHundredths(info.TimeTotal));
    info.Streams = static_cast<std::int32_t>(decoder->Links());
    // Serial numbers are unsigned on the page; the record shows the same
    // 32 bits as a signed number.
    info.SerialNumber = static_cast<std::int32_t>(decoder->Serial());
    info.Codec = format.Codec;
    info.Version = format.Version;
    info.Rate = static_cast<std::int32_t>(format.Rate);
    info.Channels = format.Channels;
    info.PlacedChannels = format.PlacedChannels;
    info.PcmTotal = pcmTotal;
    info.BlockCount = static_cast<std::int32_t>(openingBlocks);
    info.ProfileComplete = false;
    std::int64_t linkStart = 0;
    for (int link = 0; link + 1 < info.Streams; ++link) {
        linkStart += std::max<std::int64_t>(decoder->Frames(link), 0);
        if (linkStart >= pcmTotal)
            break;
        const std::optional<StreamFormat> next = decoder->Format(link + 1);
        const auto rate = static_cast<std::int32_t>(std::min(next ? next->Rate : format.Rate, kMostRate));
        // Links without audio give no boundary of their own: the audio from
        // the boundary on is that of the next link that has some.
        if (linkStart > (info.LinkStarts.empty() ? 0 : info.LinkStarts.back())) {
            info.LinkStarts.push_back(linkStart);
            info.LinkRates.push_back(rate);
        } else if (!info.LinkRates.empty()) {
            info.LinkRates.back() = rate;
        }
    }
    return info;
}

} // namespace oq
