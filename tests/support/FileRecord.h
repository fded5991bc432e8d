#pragma once

#include "media/MPEGData.h"

#include <cstdint>

namespace oq::test {

// The record of an open file as the editor's models see it, for 44.1 kHz
// audio of the given length, without any file behind it.
inline MPEGData FileRecord(std::int32_t blocks, double seconds, std::int64_t bytes)
{
    constexpr double kRate = 44100;
    MPEGData file;
    file.FileName = "take.ogg";
    file.Rate = static_cast<std::int32_t>(kRate);
    file.BlockCount = blocks;
    file.TimeTotal = seconds;
    file.PcmTotal = static_cast<std::int64_t>(seconds * kRate);
    file.FileSize = bytes;
    return file;
}

} // namespace oq::test
