#include "gui/editor/WaveformPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace oq {

namespace {

constexpr QRgb kColourBits = 0x00ffffff;

// The row of each column's point; the drop to the bottom is one more point.
std::vector<int> Rows(std::span<const int> heights, int bottom, WaveformPicture::Ending ending)
{
    std::vector<int> rows;
    rows.reserve(heights.size() + 1);
    for (const int height : heights)
        rows.push_back(bottom - height);
    if (ending == WaveformPicture::Ending::DropToBottom && !rows.empty())
        rows.push_back(bottom);
    return rows;
}

} // namespace

WaveformPicture::WaveformPicture(QSize logicalSize)
    : size_(logicalSize), inverted_(static_cast<std::size_t>(logicalSize.width()))
{
    Clear(1.0);
}

void WaveformPicture::Clear(qreal devicePixelRatio)
{
    spans_.clear();
    columnLine_.reset();
    std::fill(inverted_.begin(), inverted_.end(), false);
    image_.setDevicePixelRatio(devicePixelRatio);
    Redraw();
}

void WaveformPicture::DrawOutline(std::span<const int> heights, Ending ending, qreal devicePixelRatio)
{
    const std::vector<int> rows = Rows(heights, size_.height(), ending);
    spans_.clear();
    spans_.reserve(rows.size());
    // Column i holds its own point, the later half of the run from the point
    // before (rounded down) and the earlier half of the run to the next point
    // less the pixel next to that point's half, so that each run is covered
    // once and without a gap.
    const auto extend = [](Span& span, int from, int pixels, bool upwards) {
        if (upwards)
            span.top = std::min(span.top, from - pixels);
        else
            span.bottom = std::max(span.bottom, from + pixels);
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Span span{rows[i], rows[i]};
        if (i > 0) {
            const int run = rows[i - 1] - rows[i];
            extend(span, rows[i], std::abs(run) / 2, run < 0);
        }
        if (i + 1 < rows.size()) {
            const int run = rows[i + 1] - rows[i];
            extend(span, rows[i], std::max((std::abs(run) + 1) / 2 - 1, 0), run < 0);
        }
        spans_.push_back(span);
    }
    columnLine_.reset();
    std::fill(inverted_.begin(), inverted_.end(), false);
    image_.setDevicePixelRatio(devicePixelRatio);
    Redraw();
}

void WaveformPicture::DrawColumnLine(int x)
{
    columnLine_ = x;
    const auto [from, to] = DeviceColumns(x, x + 1);
    for (int y = 0; y < image_.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(line + from, line + to, kOutline.rgb());
    }
}

void WaveformPicture::InvertColumns(int x0, int x1)
{
    x0 = std::max(x0, 0);
    x1 = std::min(x1, size_.width());
    if (x0 >= x1)
        return;
    for (int x = x0; x < x1; ++x)
        inverted_[static_cast<std::size_t>(x)] = !inverted_[static_cast<std::size_t>(x)];
    InvertDevice(x0, x1);
}

void WaveformPicture::ChangeDevicePixelRatio(qreal devicePixelRatio)
{
    if (devicePixelRatio == image_.devicePixelRatio())
        return;
    image_.setDevicePixelRatio(devicePixelRatio);
    Redraw();
}

std::pair<int, int> WaveformPicture::DeviceColumns(int x0, int x1) const
{
    const qreal ratio = image_.devicePixelRatio();
    const auto device = [&](int x) { return std::clamp(static_cast<int>(std::floor(x * ratio)), 0, image_.width()); };
    return {device(x0), device(x1)};
}

void WaveformPicture::Redraw()
{
    const qreal ratio = image_.devicePixelRatio() > 0 ? image_.devicePixelRatio() : 1.0;
    const QSize deviceSize(static_cast<int>(std::ceil(size_.width() * ratio)),
                           static_cast<int>(std::ceil(size_.height() * ratio)));
    if (image_.size() != deviceSize || image_.format() != QImage::Format_RGB32)
        image_ = QImage(deviceSize, QImage::Format_RGB32);
    image_.setDevicePixelRatio(ratio);

    const int columns = size_.width();
    const Span nothing{size_.height(), size_.height() - 1}; // all background
    for (int x = 0; x < columns; ++x)
        PaintColumn(x, static_cast<std::size_t>(x) < spans_.size() ? spans_[static_cast<std::size_t>(x)] : nothing);
    if (columnLine_)
        DrawColumnLine(*columnLine_);
    for (int x = 0; x < columns;) {
        if (!inverted_[static_cast<std::size_t>(x)]) {
            ++x;
            continue;
        }
        int end = x;
        while (end < columns && inverted_[static_cast<std::size_t>(end)])
            ++end;
        InvertDevice(x, end);
        x = end;
    }
}

void WaveformPicture::PaintColumn(int x, const Span& span)
{
    const qreal ratio = image_.devicePixelRatio();
    const auto [from, to] = DeviceColumns(x, x + 1);
    for (int y = 0; y < image_.height(); ++y) {
        const int row = static_cast<int>(std::floor(y / ratio));
        const QRgb colour = row < span.top ? kBackground.rgb() : row <= span.bottom ? kOutline.rgb() : kFill.rgb();
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(line + from, line + to, colour);
    }
}

void WaveformPicture::InvertDevice(int x0, int x1)
{
    const auto [from, to] = DeviceColumns(x0, x1);
    for (int y = 0; y < image_.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = from; x < to; ++x)
            line[x] ^= kColourBits;
    }
}

} // namespace oq
