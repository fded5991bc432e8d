#include "decode/ProfileAccumulator.h"

#include <algorithm>
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
        for (; i + 1 < take; i += 2)
            CountSample(SampleOf(data[i], data[i + 1]));
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
