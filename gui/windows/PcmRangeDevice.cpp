#include "gui/windows/PcmRangeDevice.h"

#include "tools/PcmReadAhead.h"
#include "tools/PlayRange.h"

#include <cstring>

namespace oq {

namespace {

constexpr qint64 kSampleBytes = 2; // 16-bit PCM

} // namespace

PcmRangeDevice::PcmRangeDevice(std::unique_ptr<PcmRangeReader> reader, qint64 bytesAhead)
    : frameBytes_(reader->Channels() * kSampleBytes),
      readAhead_(std::make_unique<PcmReadAhead>(std::move(reader), static_cast<std::size_t>(bytesAhead)))
{
}

PcmRangeDevice::~PcmRangeDevice() = default;

bool PcmRangeDevice::Primed() const { return readAhead_->Primed(); }

void PcmRangeDevice::WakeSink()
{
    if (starved_ && (readAhead_->Queued() || readAhead_->Exhausted())) {
        starved_ = false;
        emit readyRead();
    }
}

qint64 PcmRangeDevice::readData(char* data, qint64 maxSize)
{
    // Whole frames only, so the channels never slip.
    const qint64 wanted = maxSize / frameBytes_ * frameBytes_;
    qint64 given = 0;
    if (!exhausted_) {
        given = static_cast<qint64>(readAhead_->Take(data, static_cast<std::size_t>(wanted)));
        bytesRead_ += given;
        // Only a take that came short can have met the end, which is there
        // once the worker has ended and every byte it queued is taken.
        exhausted_ = given < wanted && readAhead_->Exhausted();
    }
    if (exhausted_) {
        std::memset(data + given, 0, static_cast<std::size_t>(wanted - given));
        return wanted;
    }
    starved_ = given == 0 && wanted > 0;
    return given;
}

qint64 PcmRangeDevice::writeData(const char*, qint64) { return -1; }

} // namespace oq
