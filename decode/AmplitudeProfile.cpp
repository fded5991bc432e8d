#include "decode/AmplitudeProfile.h"

#include "decode/ProfileAccumulator.h"
#include "decode/VorbisFile.h"
#include "engine/Error.h"

#include <array>

namespace oq {

namespace {

// ov_read's output format: little-endian, 16-bit words, signed.
constexpr int kLittleEndian = 0;
constexpr int kWordBytes = 2;
constexpr int kSigned = 1;

// Vorbis allows up to 255 channels of 16-bit samples per frame.
constexpr std::size_t kLargestFrameBytes = 255 * kWordBytes;

// What to ask of the decoder: the rest of the block, so that each block is
// stored, and the cancel looked at, before the next is decoded. The decoder
// gives whole frames only and refuses a length below one frame, which the
// rest of a block can be when the frame size does not divide the block size
// (3, 5, 6 or 7 channels); the length is then rounded up to whole frames and
// the few bytes past the block's end go to the next block.
int ReadLength(VorbisFile& decoder, const ProfileAccumulator& accumulator)
{
    const vorbis_info* link = ov_info(decoder.Handle(), -1);
    const std::size_t frameBytes = link && link->channels > 0 ? static_cast<std::size_t>(link->channels) * kWordBytes : 1;
    const std::size_t frames = (accumulator.BytesToBlockEnd() + frameBytes - 1) / frameBytes;
    return static_cast<int>(frames * frameBytes);
}

std::unique_ptr<VorbisFile> TryOpen(const std::string& fileName)
{
    try {
        return OpenVorbisFile(fileName);
    } catch (const IoError&) {
        return nullptr;
    }
}

} // namespace

AmplitudeProfile ComputeAmplitudeProfile(const std::string& fileName, const std::atomic<bool>& cancelled,
                                         const ProfileProgress& progress)
{
    AmplitudeProfile profile;
    const auto decoder = TryOpen(fileName);
    if (!decoder)
        return profile;

    ProfileAccumulator accumulator;
    std::array<unsigned char, ProfileAccumulator::kBlockBytes + kLargestFrameBytes> buffer;
    while (!profile.Complete) {
        const long got = ov_read(decoder->Handle(), reinterpret_cast<char*>(buffer.data()),
                                 ReadLength(*decoder, accumulator), kLittleEndian, kWordBytes, kSigned, nullptr);
        std::size_t stored = 0;
        if (got == 0) {
            accumulator.Finish();
            profile.Complete = true;
            stored = 1;
        } else if (got > 0) {
            stored = accumulator.Add(buffer.data(), static_cast<std::size_t>(got));
        }
        if (stored == 0)
            continue;
        const auto count = static_cast<std::int32_t>(accumulator.Entries().size());
        if (progress)
            for (auto index = count - static_cast<std::int32_t>(stored); index < count; ++index)
                progress(index);
        if (cancelled.load())
            break;
    }
    profile.Entries = accumulator.TakeEntries();
    return profile;
}

} // namespace oq
