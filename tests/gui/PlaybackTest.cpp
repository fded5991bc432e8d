#include "tools/PlayRange.h"
#include "gui/windows/Player.h"
#include "gui/editor/MainWindow.h"
#include "gui/controls/EzRgnButton.h"
#include "tests/gui/Controls.h"
#include "tests/gui/DesktopSandbox.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSpinBox>
#include <QtTest>

#include <complex>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

// Playback heard for real: the program plays into a private sound server
// whose only output is a null sink, and the test records that sink's monitor.
namespace oq::test {
namespace {

constexpr int kRate = 44100;
constexpr int kOpusRate = 48000;
constexpr int kChannels = 2;
constexpr int kReadFrames = PcmRangeReader::kReadBytes / (kChannels * 2);
// A recorded sample louder than this is sound; the test material is far above it.
constexpr int kSilence = 64;
// The sink of six loudspeakers, in the order its monitor records them.
const char* const kSurroundMap = "front-left,front-right,front-center,lfe,rear-left,rear-right";
constexpr int kSurroundChannels = 6;

// A PulseAudio daemon of this test alone: its own runtime folder and home,
// a stereo null sink "test" as the default output and one of six
// loudspeakers, "six", that a stream is moved to. Made before the application,
// so that the program's first look for an audio device finds it.
class SoundServer {
public:
    SoundServer()
    {
        if (std::system("command -v pulseaudio >/dev/null && command -v parec >/dev/null") != 0) {
            why_ = "pulseaudio and parec are not installed (scripts/setup --test installs them)";
            return;
        }
        char folder[] = "/tmp/oq-pulse-XXXXXX";
        if (!mkdtemp(folder)) {
            why_ = "no temporary folder for the sound server";
            return;
        }
        folder_ = folder;
        setenv("XDG_RUNTIME_DIR", folder, 1);
        setenv("HOME", folder, 1);
        unsetenv("PULSE_SERVER");
        const int started = std::system((
            "pulseaudio -D -n --exit-idle-time=-1 --disallow-exit --log-target=stderr --log-level=error"
            " --load='module-null-sink sink_name=test'"
            " --load='module-null-sink sink_name=six channels=6 channel_map=" + std::string(kSurroundMap) + "'"
            " --load='module-native-protocol-unix' 2>/dev/null"
            " && pactl set-default-sink test").c_str());
        std::ifstream pidFile(folder_ + "/pulse/pid");
        pidFile >> pid_;
        if (started != 0 || pid_ <= 0)
            why_ = "the private pulseaudio daemon did not start";
    }
    ~SoundServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            // The daemon is not our child (it detached): wait for it to go.
            for (int i = 0; i < 100 && kill(pid_, 0) == 0; ++i)
                usleep(20'000);
        }
        if (!folder_.empty())
            std::system(("rm -rf '" + folder_ + "'").c_str());
    }
    bool Running() const noexcept { return why_.empty(); }
    const std::string& Why() const noexcept { return why_; }

private:
    std::string folder_;
    std::string why_;
    pid_t pid_ = 0;
};

SoundServer* server = nullptr;

// Records a null sink's monitor, `channels` at `rate`, and notes when each piece arrived.
class Recorder {
public:
    explicit Recorder(const char* sink = "test", int channels = kChannels, int rate = kRate, const char* map = nullptr)
        : channels_(channels)
    {
        QObject::connect(&parec_, &QProcess::readyReadStandardOutput, [this] {
            const QByteArray bytes = parec_.readAllStandardOutput();
            pending_.append(bytes);
            const qsizetype whole = pending_.size() / 2 * 2;
            const auto* samples = reinterpret_cast<const std::int16_t*>(pending_.constData());
            samples_.insert(samples_.end(), samples, samples + whole / 2);
            pending_.remove(0, whole);
            arrivals_.push_back({samples_.size() / static_cast<std::size_t>(channels_), clock_.elapsed()});
        });
        clock_.start();
        QStringList arguments = {QStringLiteral("-d"), QStringLiteral("%1.monitor").arg(sink), QStringLiteral("--format=s16le"),
                                 QStringLiteral("--rate=%1").arg(rate), QStringLiteral("--channels=%1").arg(channels),
                                 QStringLiteral("--latency-msec=10")};
        if (map)
            arguments << QStringLiteral("--channel-map=%1").arg(map);
        parec_.start(QStringLiteral("parec"), arguments);
        // Recording has begun once the monitor's silence flows.
        QTRY_VERIFY_WITH_TIMEOUT(samples_.size() > static_cast<std::size_t>(rate * channels / 20), 5000);
    }
    ~Recorder()
    {
        parec_.terminate();
        parec_.waitForFinished(2000);
    }
    qint64 Now() const { return clock_.elapsed(); }
    std::int64_t Frames() const { return static_cast<std::int64_t>(samples_.size()) / channels_; }
    const std::vector<std::int16_t>& Samples() const { return samples_; }
    // When frame `frame` had arrived, in ms of the recorder's clock.
    qint64 ArrivalOf(std::int64_t frame) const
    {
        for (const auto& [frames, ms] : arrivals_)
            if (static_cast<std::int64_t>(frames) > frame)
                return ms;
        return clock_.elapsed();
    }
    // The first and last frame of sound from frame `from` on.
    std::optional<std::pair<std::int64_t, std::int64_t>> Heard(std::int64_t from = 0) const
    {
        std::int64_t first = -1;
        std::int64_t last = -1;
        for (std::int64_t i = from * channels_; i < static_cast<std::int64_t>(samples_.size()); ++i)
            if (std::abs(samples_[static_cast<std::size_t>(i)]) > kSilence) {
                if (first < 0)
                    first = i / channels_;
                last = i / channels_;
            }
        if (first < 0)
            return std::nullopt;
        return std::pair{first, last};
    }

private:
    int channels_;
    QProcess parec_;
    QElapsedTimer clock_;
    QByteArray pending_;
    std::vector<std::int16_t> samples_;
    std::vector<std::pair<std::size_t, qint64>> arrivals_;
};

// The decoded frame where `heard` (frames) matches best, searched within
// `radius` frames of `expected`, with its normalised correlation.
std::pair<std::int64_t, double> Align(const std::vector<std::int16_t>& decoded, const std::int16_t* heard,
                                      std::int64_t frames, std::int64_t expected, std::int64_t radius)
{
    std::pair<std::int64_t, double> best{-1, -1.0};
    const std::int64_t count = frames * kChannels;
    double heardEnergy = 0;
    for (std::int64_t i = 0; i < count; ++i)
        heardEnergy += double(heard[i]) * heard[i];
    for (std::int64_t at = std::max<std::int64_t>(0, expected - radius); at <= expected + radius; ++at) {
        if ((at + frames) * kChannels > static_cast<std::int64_t>(decoded.size()))
            break;
        const std::int16_t* source = decoded.data() + at * kChannels;
        double cross = 0;
        double energy = 0;
        for (std::int64_t i = 0; i < count; ++i) {
            cross += double(heard[i]) * source[i];
            energy += double(source[i]) * source[i];
        }
        const double correlation = cross / std::sqrt(heardEnergy * energy + 1e-9);
        if (correlation > best.second)
            best = {at, correlation};
    }
    return best;
}

} // namespace

class PlaybackTest : public QObject {
    Q_OBJECT

private:
    DesktopSandbox sandbox_{false};
    std::unique_ptr<TempDir> audio_;
    std::string file_;
    std::vector<std::int16_t> decoded_;
    std::string opusFile_;
    std::vector<std::int16_t> opusDecoded_;

    // A shown main window with `file` (the Vorbis test file by default) open,
    // the play length set and marker `marker` (a middle one added when 0) selected.
    std::unique_ptr<MainWindow> OpenWindow(int seconds, int marker, const std::string& file = {})
    {
        auto window = std::make_unique<MainWindow>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()) ||
            !window->OpenOggFile(QString::fromStdString(file.empty() ? file_ : file)))
            qFatal("the test file did not open");
        FindControl<QSpinBox>(*window, "PlayTimeSpin")->setValue(seconds);
        if (marker == 0)
            FindControl<EzRgnButton>(*window, "Vis_AddMarker")->Click();
        else
            window->Markers().SelectMarker(marker);
        window->RefreshControls();
        return window;
    }

    // Moves the streams playing on the server to `sink` and returns their
    // channel maps. (Qt Multimedia keeps the default output it first found, so
    // the stream is moved rather than the default changed.)
    static QString MoveStreamsTo(const char* sink)
    {
        QProcess pactl;
        pactl.start(QStringLiteral("sh"), {QStringLiteral("-c"),
                                           QStringLiteral("for id in $(pactl list short sink-inputs | cut -f1); do"
                                                          " pactl move-sink-input $id %1 || exit 1; done;"
                                                          " pactl list sink-inputs | grep 'Channel Map'").arg(sink)});
        pactl.waitForFinished(5000);
        return pactl.exitCode() == 0 ? QString::fromUtf8(pactl.readAllStandardOutput()).trimmed() : QString();
    }

private slots:
    void initTestCase()
    {
        if (!server->Running())
            QSKIP(server->Why().c_str());
        QVERIFY(sandbox_.Ready());
        audio_ = std::make_unique<TempDir>();
        file_ = audio_->Path("noise.ogg");
        WriteBytes(file_, MakeOggVorbis({.channels = kChannels, .rate = kRate, .seconds = 4.0, .signal = Signal::Noise}));
        decoded_ = DecodeSamples(file_);
        opusFile_ = audio_->Path("music.opus");
        WriteBytes(opusFile_, MakeOggOpus({.channels = kChannels, .seconds = 4.0}));
        opusDecoded_ = DecodeOpusSamples(opusFile_);
    }

    void playsTheRangeAroundTheMarker_data()
    {
        QTest::addColumn<bool>("upTo");
        QTest::addColumn<bool>("opus");
        QTest::addColumn<bool>("stoppedBefore");
        QTest::newRow("from the marker") << false << false << false;
        QTest::newRow("up to the marker") << true << false << false;
        QTest::newRow("Opus from the marker, after plays stopped at every stage") << false << true << true;
    }

    void playsTheRangeAroundTheMarker()
    {
        QFETCH(bool, upTo);
        QFETCH(bool, opus);
        QFETCH(bool, stoppedBefore);
        const int rate = opus ? kOpusRate : kRate;
        const std::vector<std::int16_t>& decoded = opus ? opusDecoded_ : decoded_;
        const auto window = OpenWindow(1, 0, opus ? opusFile_ : file_);
        EzRgnButton* const play = FindControl<EzRgnButton>(*window, upTo ? "Vis_PlayTo" : "Vis_PlayFrom");
        // Stopped in the pre-roll, as the first reads come in, and after the
        // sound began: nothing of those plays may reach the one after them.
        if (stoppedBefore)
            for (const int playedMs : {0, 1, 3, 10, 30, 100}) {
                play->Click();
                QTest::qWait(playedMs);
                play->Click();
                QVERIFY(!window->Playback().Playing());
            }
        const MarkerList& markers = window->Markers();
        const PlayRange range =
            ComputePlayRange(window->OpenFileRecord(), markers.Position(markers.SelectedMarker()), 1, upTo);
        QCOMPARE(range.Length, rate);
        QVERIFY(range.Start > 0);

        Recorder recorder("test", kChannels, rate);
        const std::int64_t before = recorder.Frames();
        const qint64 clicked = recorder.Now();
        QElapsedTimer pressed;
        pressed.start();
        play->Click();
        // What the press costs the interface thread: it returns before anything is decoded.
        const double pressMs = static_cast<double>(pressed.nsecsElapsed()) / 1e6;
        QVERIFY(window->Playback().Playing());
        QTRY_VERIFY_WITH_TIMEOUT(!window->Playback().Playing(), 5000);
        QTest::qWait(300);

        const auto heard = recorder.Heard(before);
        QVERIFY2(heard, "nothing was heard");
        const auto [first, last] = *heard;
        const std::int64_t length = last - first + 1;
        const std::int64_t compared = rate / 2;
        const auto [at, correlation] = Align(decoded, recorder.Samples().data() + first * kChannels, compared,
                                             range.Start, kReadFrames);
        qInfo("heard %lld frames from decoded frame %lld: %lld missing at the start, %lld at the end of range %lld + %lld;"
              " correlation %.5f, start latency %lld ms, the press took %.1f ms",
              static_cast<long long>(length), static_cast<long long>(at), static_cast<long long>(at - range.Start),
              static_cast<long long>(range.Start + range.Length - (at + length)), static_cast<long long>(range.Start),
              static_cast<long long>(range.Length), correlation,
              static_cast<long long>(recorder.ArrivalOf(first) - clicked), pressMs);
        // The range's end is heard whole and nothing after it. Its start is
        // checked loosely: a null sink's monitor misses the first few hundred
        // frames of any new stream (a plain client's as well).
        const std::int64_t missingAtEnd = range.Start + range.Length - (at + length);
        QVERIFY2(std::abs(missingAtEnd) <= 64, qPrintable(QStringLiteral("%1 frames missing at the end").arg(missingAtEnd)));
        QVERIFY2(correlation > 0.99, qPrintable(QString::number(correlation)));
        QVERIFY(std::abs(at - range.Start) <= kReadFrames);
        QVERIFY(recorder.ArrivalOf(first) - clicked < 500);
    }

    void aSecondClickOrClosingStopsTheSound()
    {
        const auto window = OpenWindow(3, 1);
        Recorder recorder;
        const std::int64_t before = recorder.Frames();
        const qint64 clicked = recorder.Now();
        FindControl<EzRgnButton>(*window, "Vis_PlayFrom")->Click();
        QTest::qWait(700);
        // Either button stops; the window stays usable meanwhile.
        QVERIFY(FindControl<EzRgnButton>(*window, "Vis_PlayTo")->Enabled());
        const qint64 stopped = recorder.Now();
        FindControl<EzRgnButton>(*window, "Vis_PlayTo")->Click();
        QVERIFY(!window->Playback().Playing());
        QTest::qWait(400);
        const auto heard = recorder.Heard(before);
        QVERIFY(heard);
        // The sound server renders ahead of time, so the sound heard after the
        // stop is what the recording holds beyond the time it was let play.
        const qint64 startLatency = recorder.ArrivalOf(heard->first) - clicked;
        const qint64 heardMs = (heard->second - heard->first + 1) * 1000 / kRate;
        const qint64 stopLatency = startLatency + heardMs - (stopped - clicked);
        qInfo("start latency %lld ms, %lld ms of sound for %lld ms of playing: stop latency %lld ms",
              static_cast<long long>(startLatency), static_cast<long long>(heardMs),
              static_cast<long long>(stopped - clicked), static_cast<long long>(stopLatency));
        QVERIFY(stopLatency < 250);

        // A click after a stop plays again; closing the window ends it.
        const std::int64_t again = recorder.Frames();
        FindControl<EzRgnButton>(*window, "Vis_PlayFrom")->Click();
        QVERIFY(window->Playback().Playing());
        QTest::qWait(500);
        const qint64 closed = recorder.Now();
        window->close();
        QVERIFY(!window->Playback().Playing());
        QTest::qWait(400);
        const auto second = recorder.Heard(again);
        QVERIFY(second);
        QVERIFY(recorder.ArrivalOf(second->second) - closed < 250);
    }

    // A close, or the window going, while the pre-roll decodes: the
    // decoding stops with the play, and no sound stream opens afterwards.
    void closingInThePreRollOpensNoSound()
    {
        auto window = OpenWindow(1, 0, opusFile_);
        EzRgnButton* const play = FindControl<EzRgnButton>(*window, "Vis_PlayFrom");
        play->Click();
        window->close();
        QVERIFY(!window->Playback().Playing());
        play->Click();
        QVERIFY(window->Playback().Playing());
        window.reset();
        // Long enough for the range's first reads to decode.
        QTest::qWait(300);
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")});
        QVERIFY(pactl.waitForFinished(5000));
        QCOMPARE(pactl.readAllStandardOutput(), QByteArray());
    }

    // The interface thread, which feeds the device, blocked for longer than
    // the device's queue: the sound breaks off and goes on, and still ends
    // with the range's last frame.
    void theEndIsHeardAfterTheInterfaceWasBusy()
    {
        Recorder recorder;
        const std::int64_t before = recorder.Frames();
        Player player;
        constexpr std::int64_t kStart = kRate;
        constexpr std::int64_t kLength = kRate;
        QVERIFY(player.PlaySamples(file_, kStart, kLength));
        QTest::qWait(600);
        usleep(700'000);
        QTRY_VERIFY_WITH_TIMEOUT(!player.Playing(), 5000);
        QTest::qWait(300);

        const auto heard = recorder.Heard(before);
        QVERIFY(heard);
        constexpr std::int64_t kCompared = kRate / 20;
        const auto [at, correlation] = Align(decoded_, recorder.Samples().data() + (heard->second + 1 - kCompared) * kChannels,
                                             kCompared, kStart + kLength - kCompared, kRate / 4);
        const std::int64_t missing = kStart + kLength - (at + kCompared);
        qInfo("the sound ended %lld frames before the range's end, correlation %.5f", static_cast<long long>(missing), correlation);
        QVERIFY2(correlation > 0.99, qPrintable(QString::number(correlation)));
        QVERIFY(std::abs(missing) <= 64);
    }

    void nothingIsHeardFromTheEndMarker()
    {
        const auto window = OpenWindow(2, 2); // marker 2 stands at the end
        QCOMPARE(window->Markers().Position(2), window->OpenFileRecord().BlockCount);
        Recorder recorder;
        const std::int64_t before = recorder.Frames();
        FindControl<EzRgnButton>(*window, "Vis_PlayFrom")->Click();
        QVERIFY(!window->Playback().Playing());
        QTest::qWait(400);
        QVERIFY(!recorder.Heard(before));
    }

    void playsEachChannelOnItsLoudspeaker_data()
    {
        QTest::addColumn<bool>("opus");
        QTest::addColumn<int>("channels");
        QTest::newRow("Opus 5.1") << true << 6;
        QTest::newRow("Vorbis 3.0") << false << 3;
    }

    // A tone per decoded channel, played on a sink of six loudspeakers whose
    // monitor records each on its own channel.
    void playsEachChannelOnItsLoudspeaker()
    {
        QFETCH(bool, opus);
        QFETCH(int, channels);
        // In the decoder's order (front left, centre, front right, rear left,
        // rear right, LFE for 5.1); the LFE's tone is low, as encoders low-pass it.
        const std::vector<double> allTones = {440, 550, 660, 770, 880, 70};
        const std::vector<double> tones(allTones.begin(), allTones.begin() + channels);
        // For each of the sink's loudspeakers, the decoded channel it must carry (-1: none).
        const std::vector<int> carried = channels == 6 ? std::vector<int>{0, 2, 1, 5, 3, 4} : std::vector<int>{0, 2, 1, -1, -1, -1};
        const QAudioFormat::AudioChannelPosition positions[kSurroundChannels] = {
            QAudioFormat::FrontLeft, QAudioFormat::FrontRight, QAudioFormat::FrontCenter,
            QAudioFormat::LFE,       QAudioFormat::BackLeft,   QAudioFormat::BackRight};
        const int rate = opus ? kOpusRate : kRate;
        const std::string path = audio_->Path(opus ? "surround.opus" : "three.ogg");
        const auto tone = [&](double seconds, int channel, float, float) {
            return static_cast<float>(0.4 * std::sin(2 * std::numbers::pi * tones.at(static_cast<std::size_t>(channel)) * seconds));
        };
        WriteBytes(path, opus ? MakeOggOpus({.channels = channels, .seconds = 2.0, .bitrate = 256000, .pitches = tones})
                              : MakeOggVorbis({.channels = channels, .seconds = 2.0, .signal = Signal::Shaped, .quality = 0.4f, .shape = tone}));

        // The device is told where each channel the reader hands over belongs.
        const QAudioFormat format = Player::DeviceFormat(PcmRangeReader::Open(path, 0, 1)->Layout(), rate);
        QCOMPARE(format.channelCount(), channels);
        int offset = 0;
        for (int k = 0; k < kSurroundChannels; ++k)
            if (carried[static_cast<std::size_t>(k)] >= 0)
                QCOMPARE(format.channelOffset(positions[k]), offset++);

        Recorder recorder("six", kSurroundChannels, rate, kSurroundMap);
        const std::int64_t before = recorder.Frames();
        Player player;
        // Two seconds: the stream is moved to the six loudspeakers while it
        // plays, once the device has opened on the first decoded reads.
        QVERIFY(player.PlaySamples(path, 0, 2 * rate));
        QString map;
        QTRY_VERIFY2_WITH_TIMEOUT(!(map = MoveStreamsTo("six")).isEmpty(), "the stream was not moved to the six loudspeakers", 1000);
        qInfo("the stream's %s", qPrintable(map));
        QTRY_VERIFY_WITH_TIMEOUT(!player.Playing(), 5000);
        QTest::qWait(300);

        // Judged by each tone's energy over the whole recording, not by timing.
        const std::vector<std::int16_t>& samples = recorder.Samples();
        const std::size_t frames = samples.size() / kSurroundChannels;
        for (int k = 0; k < kSurroundChannels; ++k) {
            const int expected = carried[static_cast<std::size_t>(k)];
            if (expected < 0)
                continue;
            std::vector<double> powers;
            for (const double hz : tones) {
                std::complex<double> sum;
                for (std::size_t n = static_cast<std::size_t>(before); n < frames; ++n)
                    sum += double(samples[n * kSurroundChannels + static_cast<std::size_t>(k)]) *
                           std::polar(1.0, 2 * std::numbers::pi * hz * static_cast<double>(n) / rate);
                powers.push_back(std::norm(sum));
            }
            const auto loudest = std::max_element(powers.begin(), powers.end());
            QVERIFY2(loudest - powers.begin() == expected, qPrintable(QStringLiteral("loudspeaker %1 carries decoded channel %2")
                                                                      .arg(k).arg(loudest - powers.begin())));
            std::sort(powers.begin(), powers.end());
            QVERIFY2(powers.back() > 100 * powers[powers.size() - 2], qPrintable(QStringLiteral("loudspeaker %1 carries two tones").arg(k)));
        }
    }

    void aMissingFilePlaysNothing()
    {
        Player player;
        QSignalSpy finished(&player, &Player::finished);
        QVERIFY(!player.PlaySamples(audio_->Path("missing.ogg"), 0, kRate));
        QVERIFY(!player.Playing());
        QCOMPARE(finished.count(), 0);
    }
};

} // namespace oq::test

int main(int argc, char** argv)
{
    // Qt Multimedia's audio engines are made on first use and stay connected
    // to the server until the process exits; a server stopped under one
    // wakes its thread, which then posts to objects being destroyed. A static
    // made before the engine that plays is destroyed after it (the device
    // list's engine, a static of the library itself, still goes last).
    static oq::test::SoundServer sound;
    oq::test::server = &sound;
    QApplication app(argc, argv);
    oq::test::PlaybackTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PlaybackTest.moc"
