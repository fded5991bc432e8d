#pragma once

#include <QIODevice>

#include <memory>

namespace oq {

class PcmRangeReader;
class PcmReadAhead;

// A range's decoded reads as a device that the audio sink pulls from, in
// whole frames, on the interface thread. The decoding runs ahead on a
// worker (see PcmReadAhead), so a read here only copies what is queued;
// the device is ready to start once Primed(). A read that finds nothing
// queued (the worker fell behind) gives nothing, and the sink then stops
// pulling until readyRead: WakeSink() emits it once there is more.
//
// It never reports its end: after the range's last frame it gives silence
// for as long as it is read. Qt Multimedia 6.4's PulseAudio sink answers an
// underflow on a source at its end by draining the stream with a callback
// that holds the sink, and closing the sink neither cancels nor awaits that
// callback, so a drain completing after the sink was deleted ran on freed
// memory. Nor may it simply run dry: after an underrun (the interface
// thread busy for longer than the sink's queue) the played time reported by
// the sink ran ahead of the sound, and a sink closed by it cut the range's
// last ~70 ms. With silence behind it the range's end plays out like any
// other part; the player watches the played time and closes the sink once
// the end has been heard.
class PcmRangeDevice : public QIODevice {
public:
    // Starts decoding at once, keeping `bytesAhead` decoded ahead of the sink.
    PcmRangeDevice(std::unique_ptr<PcmRangeReader> reader, qint64 bytesAhead);
    // Stops the decoding and waits for at most one decoder read.
    ~PcmRangeDevice() override;
    PcmRangeDevice(const PcmRangeDevice&) = delete;
    PcmRangeDevice& operator=(const PcmRangeDevice&) = delete;

    // Whether the first reads are decoded (or the range is over), so that a
    // sink started now begins on sound rather than on an empty queue.
    bool Primed() const;
    // Emits readyRead when a read found nothing and there is something now.
    void WakeSink();
    // Whether the range's last frame has been handed over.
    bool Exhausted() const noexcept { return exhausted_; }
    // Bytes of the range handed over so far, the silence after it left out.
    qint64 BytesRead() const noexcept { return bytesRead_; }

    bool isSequential() const override { return true; }
    bool atEnd() const override { return false; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    const qint64 frameBytes_;
    std::unique_ptr<PcmReadAhead> readAhead_;
    qint64 bytesRead_ = 0;
    bool exhausted_ = false;
    bool starved_ = false; // the last read gave nothing: the sink waits for readyRead
};

} // namespace oq
