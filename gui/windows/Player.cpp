#include "gui/windows/Player.h"

#include "gui/windows/PcmRangeDevice.h"
#include "tools/PlayRange.h"
#include "gui/controls/QuietFailure.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>

namespace oq {

namespace {

// A device whose played time stops short of what it was given (it may not
// count a last partial period) is closed this long after the sound should
// have ended.
constexpr qint64 kDrainGraceUs = 500'000;

} // namespace

Player::Player(QObject* parent)
    : QObject(parent)
{
    tick_.setInterval(kTickMs);
    connect(&tick_, &QTimer::timeout, this, &Player::Tick);
}

Player::~Player()
{
    Close(true);
}

bool Player::PlaySamples(const std::string& fileName, std::int64_t start, std::int64_t length)
{
    if (Playing())
        return false;
    std::unique_ptr<PcmRangeReader> reader;
    try {
        reader = PcmRangeReader::Open(fileName, start, length);
    } catch (const std::exception& failure) {
        // The play button stays as it was; a file that went since it was
        // opened has no message of its own.
        NoteQuietFailure("Playing", failure);
        return false;
    }
    if (!reader)
        return false;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(reader->Rate()));
    format.setChannelCount(reader->Channels());
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return false;

    auto source = std::make_unique<PcmRangeDevice>(std::move(reader));
    source->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    auto sink = std::make_unique<QAudioSink>(device, format);
    bytesPerSecond_ = static_cast<qint64>(format.bytesForDuration(1'000'000));
    sink->setBufferSize(kMaxQueuedBuffers * PcmRangeReader::kReadBytes);
    // The sink pulls from the source rather than taking writes: see
    // PcmRangeDevice for why it must never meet the source's end.
    sink->start(source.get());
    if (sink->state() == QAudio::StoppedState || sink->error() != QAudio::NoError)
        return false;
    source_ = std::move(source);
    sink_ = std::move(sink);
    draining_ = false;
    drainClock_.invalidate();
    stopRequested_ = false;
    ApplyVolume();
    tick_.start();
    return true;
}

void Player::Stop()
{
    stopRequested_ = true;
    if (!Playing())
        return;
    Close(true);
    emit finished();
}

void Player::Close(bool silenceNow)
{
    tick_.stop();
    if (sink_) {
        // reset drops what is queued, so the sound ends now rather than after the queue.
        if (silenceNow)
            sink_->reset();
        sink_->stop();
        sink_.reset();
    }
    source_.reset();
}

void Player::Tick()
{
    if (!sink_)
        return;
    if (sink_->error() == QAudio::OpenError || sink_->error() == QAudio::FatalError) {
        Stop();
        return;
    }
    if (!draining_ && source_->Exhausted()) {
        draining_ = true;
        playedAtDrainUs_ = sink_->processedUSecs();
        drainClock_.start();
    }
    if (draining_ && Drained()) {
        Close(false);
        emit finished();
    }
}

bool Player::Drained() const
{
    const qint64 writtenUs = bytesPerSecond_ > 0 ? source_->BytesRead() * 1'000'000 / bytesPerSecond_ : 0;
    if (sink_->processedUSecs() >= writtenUs)
        return true;
    return drainClock_.isValid() && drainClock_.nsecsElapsed() / 1000 >= writtenUs - playedAtDrainUs_ + kDrainGraceUs;
}

bool Player::GetWaveVolume(std::uint16_t& left, std::uint16_t& right) const
{
    left = left_;
    right = right_;
    return true;
}

bool Player::SetWaveVolume(std::uint32_t volume)
{
    left_ = static_cast<std::uint16_t>(volume & 0xFFFF);
    right_ = static_cast<std::uint16_t>(volume >> 16);
    ApplyVolume();
    return true;
}

void Player::ApplyVolume()
{
    if (sink_)
        sink_->setVolume(static_cast<qreal>(std::max(left_, right_)) / kFullVolume);
}

} // namespace oq
