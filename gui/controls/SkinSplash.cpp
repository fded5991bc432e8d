#include "gui/controls/SkinSplash.h"

#include "gui/controls/SkinLogo.h"
#include "gui/controls/SkinPainting.h"
#include "gui/controls/SkinPalette.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace oq {

using namespace skin;

namespace {

// A waveform silhouette: a loudness curve that rises and falls like music.
QPainterPath WaveformPath(const QRectF& r, int columns, double seed)
{
    QPainterPath path;
    path.moveTo(r.left(), r.bottom());
    for (int i = 0; i <= columns; ++i) {
        const double t = static_cast<double>(i) / columns;
        const double swell = 0.55 + 0.45 * std::sin(t * 2.6 * std::numbers::pi + seed);
        const double detail = 0.6 + 0.4 * std::sin(t * 23.0 + seed * 3) * std::sin(t * 57.0 + seed);
        path.lineTo(r.left() + t * r.width(), r.bottom() - r.height() * std::clamp(swell * detail, 0.05, 1.0));
    }
    path.lineTo(r.right(), r.bottom());
    path.closeSubpath();
    return path;
}

} // namespace

QPixmap SkinSplash(qreal dpr)
{
    const QSize size(301, 98);
    QImage image = Blank(size, dpr);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF all(0, 0, size.width(), size.height());

    QLinearGradient dark(all.topLeft(), all.bottomLeft());
    dark.setColorAt(0, QColor(0x4a, 0x4f, 0x58));
    dark.setColorAt(1, QColor(0x1f, 0x22, 0x27));
    p.fillRect(all, dark);
    QRadialGradient glow(QPointF(250, 96), 150);
    glow.setColorAt(0, WithAlpha(SkinColours::Accent(), 70));
    glow.setColorAt(1, WithAlpha(SkinColours::Accent(), 0));
    p.fillRect(all, glow);

    p.setPen(Qt::NoPen);
    p.setBrush(WithAlpha(SkinColours::Accent(), 55));
    p.drawPath(WaveformPath(QRectF(120, 72, 181, 22), 90, 0.7));
    p.fillRect(QRectF(0, size.height() - 4, size.width(), 4), SkinColours::Accent());

    PaintLogo(p, QRectF(16, 14, 64, 64));

    p.setFont(SkinFont(27, QFont::Bold));
    p.setPen(SkinColours::TitleInk());
    p.drawText(QRectF(94, 14, 200, 34), Qt::AlignLeft | Qt::AlignVCenter, Tr("Ogg Quorvel"));
    p.setFont(SkinFont(12, QFont::Bold));
    p.setPen(QColor(0xff, 0x9a, 0x33));
    p.drawText(QRectF(96, 48, 200, 16), Qt::AlignLeft | Qt::AlignVCenter, Tr("2003"));
    p.setFont(SkinFont(11, QFont::Normal));
    p.setPen(QColor(0xc9, 0xc2, 0xb6));
    p.drawText(QRectF(134, 48, 165, 16), Qt::AlignLeft | Qt::AlignVCenter, Tr("Lossless Vorbis/Opus splitting"));

    p.setPen(QPen(QColor(0x12, 0x13, 0x16), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
    p.end();
    return QPixmap::fromImage(image);
}

} // namespace oq
