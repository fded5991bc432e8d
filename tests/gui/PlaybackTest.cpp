#include "tools/PlayRange.h"
#include "gui/windows/Player.h"
#include "gui/editor/MainWindow.h"
#include "gui/controls/EzRgnButton.h"
#include "tests/gui/Controls.h"
#include "tests/gui/DesktopSandbox.h"
#include "tests/support/TestAudio.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSpinBox>
#include <QtTest>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

// Playback heard for real: the program plays into a private sound server
// whose only output is a null sink, and the test records that sink's monitor.
namespace oq::test {
namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kReadFrames = PcmRangeReader::kReadBytes / (kChannels * 2);
// A recorded sample louder than this is sound; the test material is noise far above it.
constexpr int kSilence = 64;

// A PulseAudio daemon of this test alone: its own runtime folder and home,
// one null sink "test" as the default output. Made before the application,
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
        const int started = std::system(
            "pulseaudio -D -n --exit-idle-time=-1 --disallow-exit --log-target=stderr --log-level=error"
            " --load='module-null-sink sink_name=test' --load='module-native-protocol-unix' 2>/dev/null"
            " && pactl set-default-sink test");
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

// Records the null sink's monitor and notes when each piece arrived.
class Recorder {
public:
    Recorder()
    {
        QObject::connect(&parec_, &QProcess::readyReadStandardOutput, [this] {
            const QByteArray bytes = parec_.readAllStandardOutput();
            pending_.append(bytes);
            const qsizetype whole = pending_.size() / 2 * 2;
            const auto* samples = reinterpret_cast<const std::int16_t*>(pending_.constData());
            samples_.insert(samples_.end(), samples, samples + whole / 2);
            pending_.remove(0, whole);
            arrivals_.push_back({samples_.size() / kChannels, clock_.elapsed()});
        });
        clock_.start();
        parec_.start(QStringLiteral("parec"), {QStringLiteral("-d"), QStringLiteral("test.monitor"),
                                               QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                                               QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=10")});
        // Recording has begun once the monitor's silence flows.
        QTRY_VERIFY_WITH_TIMEOUT(samples_.size() > kRate / 10, 5000);
    }
    ~Recorder()
    {
        parec_.terminate();
        parec_.waitForFinished(2000);
    }
    qint64 Now() const { return clock_.elapsed(); }
    std::int64_t Frames() const { return static_cast<std::int64_t>(samples_.size() / kChannels); }
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
        for (std::int64_t i = from * kChannels; i < static_cast<std::int64_t>(samples_.size()); ++i)
            if (std::abs(samples_[static_cast<std::size_t>(i)]) > kSilence) {
                if (first < 0)
                    first = i / kChannels;
                last = i / kChannels;
            }
        if (first < 0)
            return std::nullopt;
        return std::pair{first, last};
    }

private:
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

    // A shown main window with the test file open, the play length set and
    // marker `marker` (a middle one added when 0) selected.
    std::unique_ptr<MainWindow> OpenWindow(int seconds, int marker)
    {
        auto window = std::make_unique<MainWindow>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()) || !window->OpenOggFile(QString::fromStdString(file_)))
            qFatal("the test file did not open");
        FindControl<QSpinBox>(*window, "PlayTimeSpin")->setValue(seconds);
        if (marker == 0)
            FindControl<EzRgnButton>(*window, "Vis_AddMarker")->Click();
        else
            window->Markers().SelectMarker(marker);
        window->RefreshControls();
        return window;
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
    }

    void playsTheRangeAroundTheMarker_data()
    {
        QTest::addColumn<bool>("upTo");
        QTest::newRow("from the marker") << false;
        QTest::newRow("up to the marker") << true;
    }

    void playsTheRangeAroundTheMarker()
    {
        QFETCH(bool, upTo);
        const auto window = OpenWindow(1, 0);
        const MarkerList& markers = window->Markers();
        const PlayRange range =
            ComputePlayRange(window->OpenFileRecord(), markers.Position(markers.SelectedMarker()), 1, upTo);
        QCOMPARE(range.Length, kRate);
        QVERIFY(range.Start > 0);

        Recorder recorder;
        const std::int64_t before = recorder.Frames();
        const qint64 clicked = recorder.Now();
        FindControl<EzRgnButton>(*window, upTo ? "Vis_PlayTo" : "Vis_PlayFrom")->Click();
        QVERIFY(window->Playback().Playing());
        QTRY_VERIFY_WITH_TIMEOUT(!window->Playback().Playing(), 5000);
        QTest::qWait(300);

        const auto heard = recorder.Heard(before);
        QVERIFY2(heard, "nothing was heard");
        const auto [first, last] = *heard;
        const std::int64_t length = last - first + 1;
        // The last read goes out whole: at most one read more than the range.
        QVERIFY2(length >= range.Length - 64 && length <= range.Length + kReadFrames + 64,
                 qPrintable(QStringLiteral("heard %1 frames").arg(length)));
        constexpr std::int64_t kCompared = kRate / 2;
        const auto [at, correlation] = Align(decoded_, recorder.Samples().data() + first * kChannels, kCompared,
                                             range.Start, kReadFrames);
        qInfo("heard %lld frames from decoded frame %lld (range %lld + %lld), correlation %.5f, start latency %lld ms",
              static_cast<long long>(length), static_cast<long long>(at), static_cast<long long>(range.Start),
              static_cast<long long>(range.Length), correlation,
              static_cast<long long>(recorder.ArrivalOf(first) - clicked));
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
