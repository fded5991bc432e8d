#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

class QAudioSink;

namespace oq {

class ChannelLayout;
class PcmRangeDevice;

// Plays ranges of Ogg Vorbis and Opus files on the default audio output and holds
// the program's output volume.
//
// A playback opens the device for itself and closes it when it ends. The
// range is decoded on a worker thread (see PcmRangeDevice), so starting and
// stopping a play never wait on the decoder: a play opens the file's headers
// and returns, and a short timer opens the device once the first reads are
// decoded (after the seek and the pre-roll). The device pulls the decoded
// audio on the interface thread as its queue empties, a period at a time;
// the timer also watches for the end, which the device has heard when its
// played time passes it (the device plays silence after the range until
// then). The device's queue holds at most kMaxQueuedBuffers reads, and the
// worker keeps twice that decoded ahead of it: sound starts as soon as the
// first reads are in, and a stop silences it at once.
class Player : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxQueuedBuffers = 16;
    static constexpr int kTickMs = 5;
    static constexpr std::uint16_t kFullVolume = 65535;

    explicit Player(QObject* parent = nullptr);
    ~Player() override;

    // Starts playing `length` frames from frame `start` of `fileName` and
    // returns at once, without decoding; `finished` follows when the range
    // has been heard or the playback was stopped (or the device failed to
    // open). Returns false, and plays nothing, when the file cannot be
    // decoded, there is no output device for its format, or one is playing.
    bool PlaySamples(const std::string& fileName, std::int64_t start, std::int64_t length);
    // The device format for 16-bit frames of `layout` at `rate` Hz: placed
    // channels carry their loudspeaker positions, so that the sound server
    // sends each to its speaker.
    static QAudioFormat DeviceFormat(const ChannelLayout& layout, long rate);
    // Silences the device, releases it and the decoder (waiting for at most
    // one decoder read); `finished` follows when a playback was running.
    // Harmless when idle.
    void Stop();
    // True from PlaySamples until `finished`, while the first reads decode too.
    bool Playing() const noexcept { return source_ != nullptr; }
    // Set by Stop, cleared when the next playback starts.
    bool StopRequested() const noexcept { return stopRequested_; }

    // The program's output volume, left channel in the low 16 bits and right
    // in the high 16 bits (0..65535 each). The device plays one level for
    // both, the louder of the two. Always available, whether or not a device
    // is playing or present; they return whether the volume was read or set.
    bool GetWaveVolume(std::uint16_t& left, std::uint16_t& right) const;
    bool SetWaveVolume(std::uint32_t volume);

signals:
    void finished();

private:
    void Tick();
    // Opens the device on the primed source; false when it did not open.
    bool OpenSink();
    bool Drained() const;
    void ApplyVolume();
    // Silences and releases the device, and releases the decoder after
    // stopping its worker.
    void Close();

    // The sink reads the source: it goes first and the source after it. The
    // sink is opened once the source is primed.
    std::unique_ptr<PcmRangeDevice> source_;
    std::unique_ptr<QAudioSink> sink_;
    QAudioDevice device_;
    QAudioFormat format_;
    qint64 bytesPerSecond_ = 0;
    bool draining_ = false; // the range has been handed over; silence follows it
    QElapsedTimer drainClock_;
    qint64 rangeUs_ = 0;         // the range's play time, known once its last frame went to the device
    qint64 playedAtDrainUs_ = 0; // the device's played time then
    bool stopRequested_ = false;
    QTimer tick_;
    std::uint16_t left_ = kFullVolume;
    std::uint16_t right_ = kFullVolume;
};

} // namespace oq
