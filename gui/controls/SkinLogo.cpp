#include "gui/controls/SkinLogo.h"

#include "gui/controls/SkinSymbols.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <iterator>

namespace oq {

namespace skin {

void PaintLogo(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = r.width();
    QLinearGradient tile(r.topLeft(), r.bottomLeft());
    tile.setColorAt(0, QColor(0x52, 0x58, 0x62));
    tile.setColorAt(1, QColor(0x24, 0x27, 0x2c));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(r, s * 0.22, s * 0.22);

    // Bar heights of a phrase that swells and fades; small signs get fewer,
    // wider bars so that they stay bars.
    static constexpr double kHeights[] = {0.30, 0.55, 0.85, 0.65, 1.00, 0.75, 0.50, 0.80, 0.40};
    static constexpr double kFewHeights[] = {0.45, 0.85, 1.00, 0.60, 0.75};
    constexpr qreal kFewBarsBelow = 32;
    const bool few = s < kFewBarsBelow;
    const double* heights = few ? kFewHeights : kHeights;
    const int bars = few ? static_cast<int>(std::size(kFewHeights)) : static_cast<int>(std::size(kHeights));
    const int cutAfter = few ? 3 : 6;
    const qreal left = r.left() + s * 0.13;
    const qreal pitch = s * 0.74 / bars;
    const qreal barWidth = pitch * 0.62;
    const qreal middle = r.top() + s * 0.46;
    const qreal reach = s * 0.31;
    QLinearGradient orange(0, middle - reach, 0, middle + reach);
    orange.setColorAt(0, QColor(0xff, 0xb0, 0x55));
    orange.setColorAt(0.5, QColor(0xfc, 0x82, 0x04));
    orange.setColorAt(1, QColor(0xe0, 0x62, 0x02));
    p.setBrush(orange);
    for (int i = 0; i < bars; ++i) {
        const qreal half = std::max(reach * heights[i], barWidth / 2);
        p.drawRoundedRect(QRectF(left + i * pitch + (pitch - barWidth) / 2, middle - half, barWidth, 2 * half),
                          barWidth / 2, barWidth / 2);
    }

    // The cut: a light line between two bars and the marker under it.
    const QColor light(0xf8, 0xf4, 0xee);
    const qreal cut = left + cutAfter * pitch;
    const qreal markerWidth = s * 0.2;
    const qreal markerTop = r.bottom() - s * 0.27;
    p.setPen(QPen(light, std::max(1.0, s * 0.045), Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(cut, r.top() + s * 0.1), QPointF(cut, markerTop + s * 0.02));
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawPath(MarkerShape(cut - markerWidth / 2, markerTop, markerWidth, s * 0.17));
    p.restore();
}

} // namespace skin

QImage SkinAppIcon(int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const qreal margin = pixels / 16.0;
    skin::PaintLogo(p, QRectF(margin, margin, pixels - 2 * margin, pixels - 2 * margin));
    p.end();
    return image;
}

} // namespace oq
