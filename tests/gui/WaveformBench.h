#pragma once

#include "gui/editor/MainWindowLayout.h"
#include "gui/editor/MainWindowSkin.h"
#include "gui/editor/OverviewView.h"
#include "gui/editor/WaveformDisplay.h"
#include "media/OggFileInfo.h"
#include "model/MarkerList.h"
#include "tools/AmplitudeProfile.h"
#include "tests/support/TestAudio.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <atomic>
#include <string>
#include <utility>

// The waveform display on a stand-in for the main window, for its tests and
// its screenshots.
namespace oq::test {

// The main window's client area with its skin; the display's widgets stand on it.
class Host : public QWidget {
public:
    Host() { resize(MainWindowLayout::kClientSize); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (skin_.devicePixelRatio() != devicePixelRatioF() || skin_.isNull())
            skin_ = MainWindowBackground(devicePixelRatioF());
        QPainter(this).drawPixmap(0, 0, skin_);
    }

private:
    QPixmap skin_;
};

// A display on its host with the model it shows.
struct WaveformBench {
    MarkerList markers;
    Host host;
    WaveformDisplay display{markers, &host};

    // Opens `record` as the main window does once the analysis has ended.
    void Open(MPEGData record, const AmplitudeProfile& profile, bool complete)
    {
        display.SetFile(record);
        if (complete) {
            record.BlockCount = profile.LastIndex();
            record.ProfileComplete = true;
        }
        display.SetProfile(profile, complete);
        markers.OpenFile(record);
        display.RefreshMarkers();
    }

    bool Show()
    {
        host.show();
        return QTest::qWaitForWindowExposed(&host);
    }

    // A press on the middle of the image of a marker standing at `pixel`.
    static QPoint MarkerPoint(int pixel) { return OverviewView::MarkerRect(pixel).center(); }
    static QPoint PicturePoint(int x) { return OverviewView::kPicture.topLeft() + QPoint(x, 60); }

    // A move with the left button held, as the view gets it while it holds the mouse.
    void DragTo(int pictureX)
    {
        const QPointF at(OverviewView::kPicture.x() + pictureX, OverviewView::kMarkerTop + 5);
        QMouseEvent move(QEvent::MouseMove, at, display.Overview()->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(display.Overview(), &move);
    }

    // The region of the host that holds both views and the zoom level text.
    QPixmap Screenshot() { return host.grab(QRect(50, 110, 505, 345)); }
};

// A chained recording of two minutes and ten seconds, loud and quiet
// passages in turn (more blocks than the overview has columns), written to
// `path` with its record and profile. False when the profile is not
// complete; a file that cannot be read back raises the reader's error.
inline bool MakeChainedTake(const std::string& path, MPEGData& record, AmplitudeProfile& profile)
{
    const std::pair<Signal, double> parts[] = {
        {Signal::Tone, 40}, {Signal::Mixed, 24}, {Signal::Noise, 14}, {Signal::Silence, 6}, {Signal::Tone, 46},
    };
    Bytes recording;
    for (std::uint32_t k = 0; k < std::size(parts); ++k) {
        AudioSpec spec;
        spec.signal = parts[k].first;
        spec.seconds = parts[k].second;
        spec.seed = k + 1;
        PageLayout layout;
        layout.serial = 0x5157 + k;
        const Bytes link = MakeOggVorbis(spec, layout);
        recording.insert(recording.end(), link.begin(), link.end());
    }
    WriteBytes(path, recording);
    record = ReadOggFileInfo(path);
    std::atomic<bool> cancelled{false};
    profile = ComputeAmplitudeProfile(path, cancelled);
    return profile.Complete;
}

} // namespace oq::test
