#include "tools/ProfileAccumulator.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace oq {

namespace {

constexpr std::int64_t kLargestEntry = 32767; // an entry is a signed 16-bit value

std::int16_t SampleOf(unsigned char low, unsigned char high) noexcept
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
}

} // namespace

std::int16_t ProfileAccumulator::BlockEntry(std::int64_t magnitudeSum, std::int64_t nonZeroCount) noexcept
{
    if (magnitudeSum <= 0 || nonZeroCount <= 0)
        return 0;
    return static_cast<std::int16_t>(std::min(magnitudeSum / nonZeroCount, kLargestEntry));
}

void ProfileAccumulator::CountSample(std::int16_t sample) noexcept
{
    if (sample != 0) {
        sum_ += sample < 0 ? -static_cast<std::int64_t>(sample) : sample;
        ++count_;
    }
}

void ProfileAccumulator::CloseBlock()
{
    entries_.push_back(BlockEntry(sum_, count_));
    filled_ = 0;
    sum_ = 0;
    count_ = 0;
}

// The hot loop of the analysis: kept free of branches so that the compiler
// can count many samples at once. Within one block the magnitudes (at most
// 8192 of 32768) fit 32 bits.
void ProfileAccumulator::CountWholeSamples(const unsigned char* data, std::size_t samples) noexcept
{
    std::uint32_t sum = 0;
    std::uint32_t count = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (std::size_t i = 0; i < samples; ++i) {
            std::int16_t sample;
            std::memcpy(&sample, data + 2 * i, sizeof sample);
            const std::int32_t value = sample;
            sum += static_cast<std::uint32_t>(value < 0 ? -value : value);
            count += value != 0 ? 1u : 0u;
        }
    } else {
        for (std::size_t i = 0; i < samples; ++i) {
            const std::int32_t value = SampleOf(data[2 * i], data[2 * i + 1]);
            sum += static_cast<std::uint32_t>(value < 0 ? -value : value);
            count += value != 0 ? 1u : 0u;
        }
    }
    sum_ += sum;
    count_ += count;
}

std::size_t ProfileAccumulator::Add(const unsigned char* data, std::size_t count)
{
    const std::size_t before = entries_.size();
    while (count > 0) {
        // Blocks hold an even number of bytes, so a sample never straddles two.
        const std::size_t take = std::min(count, BytesToBlockEnd());
        std::size_t i = 0;
        if (holdingLowByte_) {
            CountSample(SampleOf(lowByte_, data[0]));
            holdingLowByte_ = false;
            i = 1;
        }
        const std::size_t whole = (take - i) / 2;
        CountWholeSamples(data + i, whole);
        i += 2 * whole;
        if (i < take) {
            lowByte_ = data[i];
            holdingLowByte_ = true;
        }
        filled_ += take;
        data += take;
        count -= take;
        if (filled_ == kBlockBytes)
            CloseBlock();
    }
    return entries_.size() - before;
}

void ProfileAccumulator::Finish()
{
    // A lone trailing byte is half a sample and counts as nothing.
    holdingLowByte_ = false;
    CloseBlock();
}

std::vector<std::int16_t> ProfileAccumulator::TakeEntries() noexcept
{
    return std::exchange(entries_, {});
}

} // namespace oq
