#include "gui/controls/SkinSymbols.h"

#include <QPainter>
#include <QPolygonF>

#include <cmath>
#include <numbers>

namespace oq::skin {

namespace {

// Symbols are drawn in a 20 x 20 design box and scaled to the box they get.
constexpr qreal kDesignBox = 20.0;

} // namespace

QPen InkPen(const Look& look, qreal width)
{
    return QPen(look.ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void PaintSymbol(QPainter& p, const QRectF& box, const Look& look, const Symbol& symbol)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / kDesignBox, box.height() / kDesignBox);
    symbol(p, look);
    p.restore();
}

void Folder(QPainter& p, const Look& look)
{
    QPainterPath back;
    back.moveTo(2, 4.5);
    back.lineTo(7.5, 4.5);
    back.lineTo(9.5, 6.5);
    back.lineTo(17.5, 6.5);
    back.lineTo(17.5, 16.5);
    back.lineTo(2, 16.5);
    back.closeSubpath();
    p.setPen(InkPen(look, 1.4));
    p.setBrush(look.accentSoft);
    p.drawPath(back);
    QPainterPath flap;
    flap.moveTo(2, 16.5);
    flap.lineTo(4.8, 9.5);
    flap.lineTo(19.5, 9.5);
    flap.lineTo(17.2, 16.5);
    flap.closeSubpath();
    p.setBrush(look.accent);
    p.drawPath(flap);
}

void InfoSymbol(QPainter& p, const Look& look)
{
    p.setPen(InkPen(look, 1.4));
    p.setBrush(look.accent);
    p.drawEllipse(QPointF(10, 10), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 5.6), 1.45, 1.45);
    p.drawRoundedRect(QRectF(8.7, 8.3, 2.6, 7.2), 1, 1);
}

void HelpSymbol(QPainter& p, const Look& look)
{
    p.setPen(InkPen(look, 1.4));
    p.setBrush(look.accent);
    p.drawEllipse(QPointF(10, 10), 8, 8);
    QPainterPath hook;
    hook.moveTo(7.2, 7.6);
    hook.cubicTo(7.2, 4.2, 12.8, 4.2, 12.8, 7.4);
    hook.cubicTo(12.8, 9.6, 10, 9.6, 10, 12.2);
    p.setPen(QPen(Qt::white, 2.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 15.1), 1.35, 1.35);
}

void Scissors(QPainter& p, const Look& look)
{
    p.setPen(InkPen(look, 1.7));
    p.drawLine(QPointF(7.3, 12.2), QPointF(14.5, 1.8));
    p.drawLine(QPointF(12.7, 12.2), QPointF(5.5, 1.8));
    p.setPen(InkPen(look, 1.5));
    p.setBrush(look.accentSoft);
    p.drawEllipse(QPointF(5.6, 15.0), 3.1, 3.1);
    p.drawEllipse(QPointF(14.4, 15.0), 3.1, 3.1);
    p.setPen(Qt::NoPen);
    p.setBrush(look.accent);
    p.drawEllipse(QPointF(10, 8.4), 1.3, 1.3);
}

namespace {

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, qreal width)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QLineF shaft(from, to);
    const qreal head = width * 2.1;
    const QLineF unit = shaft.unitVector();
    const QPointF back = to - QPointF(unit.dx(), unit.dy()) * head;
    const QPointF side(-unit.dy() * head, unit.dx() * head);
    p.drawLine(from, to);
    p.drawPolyline(QPolygonF({back + side, to, back - side}));
}

} // namespace

void ExportSymbol(QPainter& p, const Look& look)
{
    QPainterPath page;
    page.moveTo(2.5, 2);
    page.lineTo(9.5, 2);
    page.lineTo(13, 5.5);
    page.lineTo(13, 18);
    page.lineTo(2.5, 18);
    page.closeSubpath();
    p.setPen(InkPen(look, 1.4));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setPen(QPen(look.accentSoft, 1.6, Qt::SolidLine, Qt::RoundCap));
    for (const qreal y : {8.0, 11.0, 14.0})
        p.drawLine(QPointF(5, y), QPointF(8.5, y));
    Arrow(p, QPointF(8, 11), QPointF(18.8, 11), look.accent, 2.0);
}

void JoinSymbol(QPainter& p, const Look& look)
{
    QPainterPath lanes;
    lanes.moveTo(1.5, 4);
    lanes.cubicTo(7, 4, 7, 10, 11.5, 10);
    lanes.moveTo(1.5, 16);
    lanes.cubicTo(7, 16, 7, 10, 11.5, 10);
    p.setPen(QPen(look.ink, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(lanes);
    Arrow(p, QPointF(10.5, 10), QPointF(18.8, 10), look.accent, 2.2);
}

void WaveSymbol(QPainter& p, const Look& look)
{
    QPainterPath wave;
    for (int i = 0; i <= 32; ++i) {
        const qreal x = 1.5 + 17.0 * i / 32.0;
        const qreal envelope = std::sin(std::numbers::pi * i / 32.0);
        const qreal y = 10 - 6.5 * envelope * std::sin(2 * std::numbers::pi * i / 10.7);
        if (i == 0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    p.setPen(QPen(look.ink, 0.9));
    p.drawLine(QPointF(1, 10), QPointF(19, 10));
    p.setPen(QPen(look.accent, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
}

void CatalogSymbol(QPainter& p, const Look& look)
{
    for (int row = 0; row < 3; ++row) {
        const qreal y = 4.5 + row * 5.5;
        p.setPen(Qt::NoPen);
        p.setBrush(look.accent);
        p.drawRoundedRect(QRectF(1.8, y - 1.7, 3.4, 3.4), 0.8, 0.8);
        p.setPen(InkPen(look, 1.7));
        p.drawLine(QPointF(8, y), QPointF(row == 1 ? 15.5 : 18.2, y));
    }
}

QPainterPath MarkerShape(qreal left, qreal top, qreal width, qreal height)
{
    const qreal mid = left + width / 2;
    const qreal shoulder = top + width / 2;
    QPainterPath shape;
    shape.moveTo(mid, top);
    shape.lineTo(left + width, shoulder);
    shape.lineTo(left + width, top + height);
    shape.lineTo(left, top + height);
    shape.lineTo(left, shoulder);
    shape.closeSubpath();
    return shape;
}

void MarkerWithSign(QPainter& p, const Look& look, bool add)
{
    p.setPen(QPen(look.ink, 1.3, Qt::DashLine, Qt::FlatCap));
    p.drawLine(QPointF(7, 0.5), QPointF(7, 6));
    p.setPen(InkPen(look, 1.4));
    p.setBrush(look.accent);
    p.drawPath(MarkerShape(2, 5.5, 10, 13));
    const QPointF centre(15.6, 4.6);
    p.setPen(Qt::NoPen);
    p.setBrush(look.ink);
    p.drawEllipse(centre, 4.2, 4.2);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre - QPointF(2.1, 0), centre + QPointF(2.1, 0));
    if (add)
        p.drawLine(centre - QPointF(0, 2.1), centre + QPointF(0, 2.1));
}

namespace {

void Star(QPainter& p, QPointF c, qreal r)
{
    QPainterPath star;
    star.moveTo(c.x(), c.y() - r);
    star.quadTo(c, QPointF(c.x() + r, c.y()));
    star.quadTo(c, QPointF(c.x(), c.y() + r));
    star.quadTo(c, QPointF(c.x() - r, c.y()));
    star.quadTo(c, QPointF(c.x(), c.y() - r));
    p.drawPath(star);
}

} // namespace

void WandSymbol(QPainter& p, const Look& look)
{
    p.setPen(QPen(look.ink, 2.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2.5, 17.5), QPointF(11.5, 8.5));
    p.setPen(QPen(look.accent, 2.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11.5, 8.5), QPointF(13.5, 6.5));
    p.setPen(Qt::NoPen);
    p.setBrush(look.accent);
    Star(p, QPointF(15.5, 3.2), 3.2);
    Star(p, QPointF(18.0, 10.0), 2.0);
    Star(p, QPointF(8.5, 2.5), 1.8);
}

void PlaySymbol(QPainter& p, const Look& look, bool upTo)
{
    const qreal triangleLeft = upTo ? 3 : 8;
    const qreal barLeft = upTo ? 14.5 : 3;
    QPainterPath triangle;
    triangle.moveTo(triangleLeft, 3.5);
    triangle.lineTo(triangleLeft + 9.5, 10);
    triangle.lineTo(triangleLeft, 16.5);
    triangle.closeSubpath();
    p.setPen(InkPen(look, 1.4));
    p.setBrush(look.accent);
    p.drawPath(triangle);
    p.setPen(Qt::NoPen);
    p.setBrush(look.ink);
    p.drawRoundedRect(QRectF(barLeft, 2.5, 2.8, 15), 0.8, 0.8);
}

void ZoomSymbol(QPainter& p, const Look& look, bool in)
{
    p.setPen(QPen(look.ink, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.6, 12.6), QPointF(18, 18));
    p.setPen(InkPen(look, 1.7));
    p.setBrush(look.accentSoft);
    p.drawEllipse(QPointF(8.3, 8.3), 6.2, 6.2);
    p.setPen(QPen(look.ink, 1.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.3, 8.3), QPointF(11.3, 8.3));
    if (in)
        p.drawLine(QPointF(8.3, 5.3), QPointF(8.3, 11.3));
}

void Chevrons(QPainter& p, const Look& look, bool forward)
{
    p.setPen(QPen(look.ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (const qreal x : {4.0, 11.0}) {
        const qreal tip = forward ? x + 5 : x;
        const qreal base = forward ? x : x + 5;
        p.drawPolyline(QPolygonF({QPointF(base, 4), QPointF(tip, 10), QPointF(base, 16)}));
    }
}

void MinimizeSymbol(QPainter& p, const Look& look)
{
    p.setPen(QPen(look.ink, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 13.5), QPointF(15, 13.5));
}

void CloseSymbol(QPainter& p, const Look& look)
{
    p.setPen(QPen(look.ink, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.5, 5.5), QPointF(14.5, 14.5));
    p.drawLine(QPointF(14.5, 5.5), QPointF(5.5, 14.5));
}

} // namespace oq::skin
