#include "gui/editor/SkinMarkerGlyph.h"

#include "gui/controls/SkinPainting.h"
#include "gui/controls/SkinSymbols.h"

#include <QLinearGradient>
#include <QPainter>

namespace oq {

QPixmap SkinMarkerGlyph(bool selected, qreal dpr)
{
    QImage image = skin::Blank(QSize(13, 14), dpr);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = skin::MarkerShape(1, 0.6, 11, 12.8);
    QLinearGradient fill(0, 0, 0, 14);
    if (selected) {
        fill.setColorAt(0, QColor(0xff, 0xa2, 0x3c));
        fill.setColorAt(1, QColor(0xe0, 0x66, 0x06));
        p.setPen(QPen(QColor(0x7a, 0x36, 0x02), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    } else {
        fill.setColorAt(0, QColor(0x7e, 0x76, 0x6a));
        fill.setColorAt(1, QColor(0x55, 0x4e, 0x45));
        p.setPen(QPen(QColor(0x2e, 0x2a, 0x25), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    p.setBrush(fill);
    p.drawPath(shape);
    p.setPen(QPen(QColor(255, 255, 255, selected ? 200 : 110), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.5, 5.5), QPointF(6.5, 11.0));
    p.end();
    return QPixmap::fromImage(image);
}

} // namespace oq
