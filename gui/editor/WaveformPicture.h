#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

#include <optional>
#include <span>
#include <vector>

namespace oq {

// One picture of the display: columns of a profile drawn as an outline,
// filled below and background above, on which ranges of columns can be
// inverted. Coordinates are logical pixels; the picture is kept at the
// screen's device pixel ratio, each logical pixel a whole block of device
// pixels, so that it is pixel-exact at ratio 1 and equally sharp at 2.
//
// The outline joins the columns' points with one-pixel lines: between two
// neighbouring columns, the left column carries the first half of the
// vertical run and the right column the rest, so the line is unbroken
// (diagonally connected) and everything under it is enclosed.
class WaveformPicture {
public:
    static inline const QColor kBackground{255, 255, 255};
    static inline const QColor kFill{252, 130, 4};
    static inline const QColor kOutline{0, 0, 0};

    // How the outline ends on the right.
    enum class Ending {
        DropToBottom, // a last line down to the bottom edge, one column past the last
        Open,         // the outline just stops
    };

    explicit WaveformPicture(QSize logicalSize);

    QSize LogicalSize() const noexcept { return size_; }
    qreal DevicePixelRatio() const noexcept { return image_.devicePixelRatio(); }

    // Background only, nothing inverted.
    void Clear(qreal devicePixelRatio);
    // Column d's point at heights[d] pixels above the bottom edge (row
    // height - heights[d]), the area under the outline in the fill colour,
    // the rest background. Nothing inverted.
    void DrawOutline(std::span<const int> heights, Ending ending, qreal devicePixelRatio);
    // A one-pixel vertical line in the outline colour over the full height,
    // part of the picture until the next Clear or DrawOutline.
    void DrawColumnLine(int x);
    // Inverts the colours of columns x0 <= x < x1 over all rows; inverting
    // the same range twice restores the picture.
    void InvertColumns(int x0, int x1);
    // The same picture at another ratio: drawn again, inversions kept.
    void ChangeDevicePixelRatio(qreal devicePixelRatio);

    const QImage& Image() const noexcept { return image_; }

private:
    // The rows top..bottom (inclusive, possibly outside the picture) that
    // the outline covers in one column.
    struct Span {
        int top;
        int bottom;
    };

    void Redraw();
    void PaintColumn(int x, const Span& span);
    void InvertDevice(int x0, int x1);
    std::pair<int, int> DeviceColumns(int x0, int x1) const;

    QSize size_;
    QImage image_;
    std::vector<Span> spans_;
    std::optional<int> columnLine_;
    std::vector<bool> inverted_; // per logical column
};

} // namespace oq
