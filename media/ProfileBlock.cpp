#include "media/ProfileBlock.h"

namespace oq {

namespace {

constexpr std::int64_t kBytesPerSample = 2; // decoded samples are 16-bit
// Samples (of any channel) in one block.
constexpr std::int64_t kSamplesPerBlock = kProfileBlockBytes / kBytesPerSample;

} // namespace

std::int32_t SamplesPerBlock(std::int32_t channels)
{
    return static_cast<std::int32_t>(static_cast<double>(kProfileBlockBytes) / (kBytesPerSample * channels));
}

std::int64_t DecodedBlockCount(std::int64_t pcmTotal, std::int32_t channels)
{
    // pcmTotal x channels div 8192, taken apart so that no product outgrows
    // 64 bits: the whole blocks of 8192 frames give `channels` blocks each.
    const std::int64_t wholes = pcmTotal / kSamplesPerBlock;
    const std::int64_t rest = pcmTotal % kSamplesPerBlock;
    return wholes * channels + rest * channels / kSamplesPerBlock;
}

std::int64_t OpeningBlockCount(std::int64_t pcmTotal, std::int32_t channels)
{
    return pcmTotal / SamplesPerBlock(channels);
}

} // namespace oq
