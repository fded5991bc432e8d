// Times what a user of the desktop program waits for, inside the program's
// own windows (on Qt's offscreen platform unless told otherwise):
//
//   oq_gui_bench open FILE REPORT
//       from the call that opens FILE to the main window drawn with its
//       waveform: reading the file's record, the analysis behind the progress
//       window, laying out the markers and painting every view;
//   oq_gui_bench reopen FILE REPORT
//       the same for FILE opened a second time, after an opening not timed:
//       its profile is the one the first opening remembered;
//   oq_gui_bench markers FILE REPORT
//       with 1000 markers laid on FILE: one mouse move while a marker is
//       dragged, one nudge, and a full repaint of the overview and the zoom
//       view for reference.
//
// Each writes "name value" lines to REPORT (seconds), which oq_bench reads:
// the figures must not include starting Qt and building the windows, so the
// child's own wall time cannot stand for them.

#include "model/MarkerList.h"
#include "gui/editor/MainWindow.h"
#include "gui/editor/OverviewView.h"
#include "gui/editor/WaveformDisplay.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace oq::bench {

namespace {

// Enough events that the clock's resolution and one stray slow event do not
// matter, few enough to stay well under a second each.
constexpr int kEvents = 300;
constexpr int kFullRepaints = 50;
// A drag sweeps back and forth over this many pixels around its marker.
constexpr int kDragSweepPixels = 120;

// Processor time of the whole process (every thread), in seconds.
double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class Report {
public:
    explicit Report(const std::string& path) : out_(path) {}
    void Add(const char* name, double seconds) { out_ << name << ' ' << seconds << '\n'; }
    bool Ok() const { return static_cast<bool>(out_); }

private:
    std::ofstream out_;
};

// The main window shown and settled, with settings and remembered profiles
// kept out of the user's.
class Desktop {
public:
    Desktop()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
        window_.show();
        Settle();
    }

    MainWindow& Window() { return window_; }

    static void Settle()
    {
        for (int k = 0; k < 3; ++k)
            QCoreApplication::processEvents();
    }

private:
    QTemporaryDir settings_;
    // Profiles remembered in a fresh folder, set before the window looks for
    // it: every opening timed is a first look, which analyses the file.
    bool cacheKeptAside_ = qputenv("XDG_CACHE_HOME", QFile::encodeName(settings_.path() + QStringLiteral("/cache")));
    MainWindow window_;
};

// With `again`, FILE is opened once before the opening that is timed.
int TimeOpening(const QString& file, Report& report, bool again)
{
    Desktop desktop;
    MainWindow& window = desktop.Window();
    if (again && !window.OpenOggFile(file)) {
        std::cerr << "oq_gui_bench: the program did not open " << file.toStdString() << "\n";
        return 1;
    }
    QElapsedTimer clock;
    const double cpuBefore = ProcessCpuSeconds();
    clock.start();
    if (!window.OpenOggFile(file)) {
        std::cerr << "oq_gui_bench: the program did not open " << file.toStdString() << "\n";
        return 1;
    }
    // Paints now rather than when the event loop next gets to it.
    window.repaint();
    const double seconds = clock.nsecsElapsed() / 1e9;
    report.Add("opened", seconds);
    report.Add("opened_cpu", ProcessCpuSeconds() - cpuBefore);
    if (!window.OpenFileRecord().ProfileComplete) {
        std::cerr << "oq_gui_bench: the analysis did not complete\n";
        return 1;
    }
    return 0;
}

// Mean seconds per call of `event`, each followed by the paint it asked for.
double PerEvent(int count, const std::function<void(int)>& event)
{
    QElapsedTimer clock;
    clock.start();
    for (int k = 0; k < count; ++k) {
        event(k);
        QCoreApplication::processEvents();
    }
    return clock.nsecsElapsed() / 1e9 / count;
}

int TimeMarkerEditing(const QString& file, Report& report)
{
    Desktop desktop;
    MainWindow& window = desktop.Window();
    if (!window.OpenOggFile(file)) {
        std::cerr << "oq_gui_bench: the program did not open " << file.toStdString() << "\n";
        return 1;
    }
    MarkerList& markers = window.Markers();
    WaveformDisplay& display = window.Display();
    const std::int32_t blocks = display.Blocks();
    std::vector<std::int32_t> positions;
    for (int k = 0; k < MarkerList::kMaxMarkers; ++k)
        positions.push_back(static_cast<std::int32_t>(static_cast<long long>(k) * blocks / (MarkerList::kMaxMarkers - 1)));
    markers.ReplaceMarkers(positions);
    display.RefreshMarkers();
    window.RefreshControls();
    Desktop::Settle();

    OverviewView* overview = display.Overview();
    const int start = display.Pixels().ImagePixel(MarkerList::kMaxMarkers / 2);
    const QPointF pressAt = OverviewView::MarkerRect(start).center();
    const auto mouse = [&](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, overview->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(overview, &event);
    };
    mouse(QEvent::MouseButtonPress, pressAt, Qt::LeftButton, Qt::LeftButton);
    if (!markers.Dragging()) {
        std::cerr << "oq_gui_bench: the press did not pick up a marker\n";
        return 1;
    }
    Desktop::Settle();
    const double move = PerEvent(kEvents, [&](int k) {
        const int x = start + k % kDragSweepPixels - kDragSweepPixels / 2;
        mouse(QEvent::MouseMove, QPointF(OverviewView::kPicture.x() + x, OverviewView::kMarkerTop + 5), Qt::NoButton,
              Qt::LeftButton);
    });
    mouse(QEvent::MouseButtonRelease, pressAt, Qt::LeftButton, Qt::NoButton);
    Desktop::Settle();

    const double nudge = PerEvent(kEvents, [&](int k) { k % 2 ? display.NudgeBack() : display.NudgeForward(); });
    const double full = PerEvent(kFullRepaints, [&](int) {
        display.Overview()->repaint();
        display.ZoomPanel()->repaint();
    });
    report.Add("drag_move", move);
    report.Add("nudge", nudge);
    report.Add("full_repaint", full);
    return 0;
}

} // namespace

} // namespace oq::bench

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4 ||
        (arguments[1] != "open" && arguments[1] != "reopen" && arguments[1] != "markers")) {
        std::cerr << "usage: oq_gui_bench open|reopen|markers FILE REPORT\n";
        return 2;
    }
    oq::bench::Report report(arguments[3].toStdString());
    if (!report.Ok()) {
        std::cerr << "oq_gui_bench: cannot write " << arguments[3].toStdString() << "\n";
        return 1;
    }
    if (arguments[1] == "markers")
        return oq::bench::TimeMarkerEditing(arguments[2], report);
    return oq::bench::TimeOpening(arguments[2], report, arguments[1] == "reopen");
}
