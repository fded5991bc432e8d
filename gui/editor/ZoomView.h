#pragma once

#include "gui/editor/MainWindowLayout.h"
#include "gui/editor/WaveformPicture.h"

#include <QRect>
#include <QWidget>

#include <span>

namespace oq {

// The zoom view (ZoomPanel with ZoomImg): 150 columns around the selected
// marker in a white, framed panel. The main window places the nudge buttons
// inside it.
class ZoomView : public QWidget {
    Q_OBJECT

public:
    // In the main window's client area.
    static constexpr QRect kPlace = MainWindowLayout::kZoom;
    // The picture inside the one-pixel frame, in view coordinates.
    static constexpr QRect kPicture{1, 1, 149, 131};

    explicit ZoomView(QWidget* parent);

    // Column i at heights[i]; the centre column carries a line marking the marker.
    void Draw(std::span<const int> heights, int centreColumn);
    // Background only (no marker selected).
    void Clear();

    const WaveformPicture& Picture() const noexcept { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    WaveformPicture picture_;
};

} // namespace oq
