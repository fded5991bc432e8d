// Reads whatever bytes arrive as an Ogg Vorbis file through every decoding
// path: the file information and its text, the amplitude profile, and the
// WAV conversion. Refusals are fine answers; crashes, leaks, undefined
// behaviour, other exceptions and hangs are not.

#include "tools/AmplitudeProfile.h"
#include "media/OggFileInfo.h"
#include "media/OggInformationText.h"
#include "tools/WavWriter.h"
#include "base/Error.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "fuzz/FuzzInput.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The last byte tells whether the pages keep the checksums they came
    // with; the rest is the file.
    std::vector<std::uint8_t> bytes(data, data + size);
    if (!bytes.empty()) {
        const bool keepChecksums = bytes.back() & 1;
        bytes.pop_back();
        if (!keepChecksums)
            oq::fuzz::RepairPageChecksums(bytes);
    }
    size = bytes.size();
    const std::string path = oq::fuzz::WriteScratchFile("file.ogg", bytes.data(), size);
    try {
        const oq::MPEGData record = oq::ReadOggFileInfo(path);
        // A described file always has a format and a length, and its
        // recorded size ends at or before its last byte.
        if (record.Channels < 1 || record.Rate < 1 || record.PcmTotal < 0 || record.BlockCount < 0 ||
            record.TimeTotal < 0 || record.FileSize < 1 || record.FileSize > static_cast<std::int64_t>(size)) {
            std::fprintf(stderr, "described as %d channels, %d Hz, %lld samples, %d blocks, %f s, %lld bytes\n",
                         record.Channels, record.Rate, static_cast<long long>(record.PcmTotal), record.BlockCount,
                         record.TimeTotal, static_cast<long long>(record.FileSize));
            std::abort();
        }
        oq::ComposeOggInformation(record);
    } catch (const oq::Error&) {
    }

    const std::atomic<bool> notCancelled{false};
    const oq::AmplitudeProfile profile = oq::ComputeAmplitudeProfile(path, notCancelled);
    for (const std::int16_t entry : profile.Entries)
        if (entry < 0)
            std::abort();

    const oq::JobControl control;
    oq::JobObserver quiet;
    try {
        oq::ConvertToWav(path, oq::fuzz::ScratchFolder() + "/file.wav", control, quiet);
    } catch (const oq::Error&) {
    }
    return 0;
}
