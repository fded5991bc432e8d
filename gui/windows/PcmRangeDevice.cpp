#include "gui/windows/PcmRangeDevice.h"

#include "tools/PlayRange.h"

#include <algorithm>
#include <cstring>

namespace oq {

namespace {

constexpr qint64 kSampleBytes = 2; // 16-bit PCM

} // namespace

PcmRangeDevice::PcmRangeDevice(std::unique_ptr<PcmRangeReader> reader)
    : reader_(std::move(reader))
{
}

PcmRangeDevice::~PcmRangeDevice() = default;

qint64 PcmRangeDevice::readData(char* data, qint64 maxSize)
{
    // Whole frames only, so the channels never slip.
    const qint64 frameBytes = reader_->Channels() * kSampleBytes;
    const qint64 wanted = maxSize / frameBytes * frameBytes;
    qint64 given = 0;
    while (given < wanted && !exhausted_) {
        if (pending_.isEmpty()) {
            const std::vector<char> read = reader_->Next();
            if (read.empty()) {
                exhausted_ = true;
                break;
            }
            pending_ = QByteArray(read.data(), static_cast<qsizetype>(read.size()));
        }
        const qint64 take = std::min<qint64>(wanted - given, pending_.size());
        std::memcpy(data + given, pending_.constData(), static_cast<std::size_t>(take));
        pending_.remove(0, static_cast<qsizetype>(take));
        given += take;
    }
    bytesRead_ += given;
    if (exhausted_) {
        std::memset(data + given, 0, static_cast<std::size_t>(wanted - given));
        return wanted;
    }
    return given;
}

qint64 PcmRangeDevice::writeData(const char*, qint64) { return -1; }

} // namespace oq
