#include "media/OggInformationText.h"

#include "media/OggFileInfo.h"
#include "codec/ChannelLayout.h"
#include "base/TimeCode.h"

namespace oq {

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

} // namespace oq
