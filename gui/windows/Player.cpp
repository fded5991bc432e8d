#include "gui/windows/Player.h"

#include "gui/windows/PcmRangeDevice.h"
#include "codec/ChannelLayout.h"
#include "tools/PlayRange.h"
#include "gui/controls/QuietFailure.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>
#include <iterator>

namespace oq {

namespace {

// The device is closed once its played time is this far past the range's
// end, in the silence that follows it: a margin for the sound server's
// played time, which is interpolated between its reports.
constexpr qint64 kTailGuardUs = 100'000;
// A device whose played time stops short (one that stalled) is closed this
// long after the range should have been heard.
constexpr qint64 kDrainGraceUs = 500'000;
// The device's queue in bytes, and what the decoding keeps ahead of it:
// twice as much, so that the device fills its queue at the start from what
// is decoded and the worker is still a whole queue ahead afterwards.
constexpr qint64 kDeviceQueueBytes = qint64{Player::kMaxQueuedBuffers} * PcmRangeReader::kReadBytes;
constexpr qint64 kDecodedAheadBytes = 2 * kDeviceQueueBytes;

// Qt's position of each mask bit. Qt orders a frame's channels by position
// as the mask does by bit, so frames in the mask's order need no other
// reordering; the assertion below keeps the two orders alike.
struct SpeakerPosition {
    ChannelLayout::Speaker Speaker;
    QAudioFormat::AudioChannelPosition Position;
};

constexpr SpeakerPosition kSpeakerPositions[] = {
    {ChannelLayout::FrontLeft, QAudioFormat::FrontLeft},       {ChannelLayout::FrontRight, QAudioFormat::FrontRight},
    {ChannelLayout::FrontCentre, QAudioFormat::FrontCenter},   {ChannelLayout::LowFrequency, QAudioFormat::LFE},
    {ChannelLayout::BackLeft, QAudioFormat::BackLeft},         {ChannelLayout::BackRight, QAudioFormat::BackRight},
    {ChannelLayout::BackCentre, QAudioFormat::BackCenter},     {ChannelLayout::SideLeft, QAudioFormat::SideLeft},
    {ChannelLayout::SideRight, QAudioFormat::SideRight},
};

constexpr bool InBothOrders()
{
    for (std::size_t k = 1; k < std::size(kSpeakerPositions); ++k)
        if (kSpeakerPositions[k].Speaker <= kSpeakerPositions[k - 1].Speaker ||
            kSpeakerPositions[k].Position <= kSpeakerPositions[k - 1].Position)
            return false;
    return true;
}
static_assert(InBothOrders(), "a frame's channels must run in the same order for the mask and for Qt");

} // namespace

Player::Player(QObject* parent)
    : QObject(parent)
{
    tick_.setInterval(kTickMs);
    connect(&tick_, &QTimer::timeout, this, &Player::Tick);
}

Player::~Player()
{
    Close();
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
    const QAudioFormat format = DeviceFormat(reader->Layout(), reader->Rate());
    if (!device.isFormatSupported(format))
        return false;

    source_ = std::make_unique<PcmRangeDevice>(std::move(reader), kDecodedAheadBytes);
    device_ = device;
    format_ = format;
    bytesPerSecond_ = static_cast<qint64>(format.bytesForDuration(1'000'000));
    draining_ = false;
    drainClock_.invalidate();
    stopRequested_ = false;
    tick_.start();
    return true;
}

bool Player::OpenSink()
{
    auto sink = std::make_unique<QAudioSink>(device_, format_);
    sink->setBufferSize(kDeviceQueueBytes);
    // The sink pulls from the source rather than taking writes: see
    // PcmRangeDevice for why it must never meet the source's end.
    source_->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    sink->start(source_.get());
    if (sink->state() == QAudio::StoppedState || sink->error() != QAudio::NoError)
        return false;
    sink_ = std::move(sink);
    ApplyVolume();
    return true;
}

QAudioFormat Player::DeviceFormat(const ChannelLayout& layout, long rate)
{
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(rate));
    // Channels without positions get the device's default for their count.
    format.setChannelCount(layout.Channels());
    format.setSampleFormat(QAudioFormat::Int16);
    if (layout.Placed()) {
        quint32 config = 0;
        for (const auto& [speaker, position] : kSpeakerPositions)
            if (layout.WavMask() & speaker)
                config |= 1u << position;
        // Sets the channel count from the positions too: the mask has one per channel.
        format.setChannelConfig(QAudioFormat::ChannelConfig(config));
    }
    return format;
}

void Player::Stop()
{
    stopRequested_ = true;
    if (!Playing())
        return;
    Close();
    emit finished();
}

void Player::Close()
{
    tick_.stop();
    if (sink_) {
        // reset drops what is queued, so the sound ends now rather than after the queue.
        sink_->reset();
        sink_->stop();
        sink_.reset();
    }
    source_.reset();
}

void Player::Tick()
{
    if (!source_)
        return;
    if (!sink_) {
        if (source_->Primed() && !OpenSink()) {
            Close();
            emit finished();
        }
        return;
    }
    if (sink_->error() == QAudio::OpenError || sink_->error() == QAudio::FatalError) {
        Stop();
        return;
    }
    source_->WakeSink();
    if (!draining_ && source_->Exhausted()) {
        draining_ = true;
        rangeUs_ = bytesPerSecond_ > 0 ? source_->BytesRead() * 1'000'000 / bytesPerSecond_ : 0;
        playedAtDrainUs_ = sink_->processedUSecs();
        drainClock_.start();
    }
    if (draining_ && Drained()) {
        Close();
        emit finished();
    }
}

bool Player::Drained() const
{
    const qint64 heardUs = rangeUs_ + kTailGuardUs;
    if (sink_->processedUSecs() >= heardUs)
        return true;
    return drainClock_.nsecsElapsed() / 1000 >= heardUs - playedAtDrainUs_ + kDrainGraceUs;
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
