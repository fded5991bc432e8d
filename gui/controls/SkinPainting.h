#pragma once

#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

// The pieces every skinned picture is painted from: sizes are pixels
// throughout (device independent; pictures are made at the ratio they are
// shown at).
namespace oq::skin {

// A text of the skin, translated in the skin's one context.
QString Tr(const char* text);
// A transparent picture of `size` at device pixel ratio `dpr`.
QImage Blank(QSize size, qreal dpr);
QFont SkinFont(qreal pixels, QFont::Weight weight = QFont::Normal);
QColor WithAlpha(QColor colour, int alpha);

// A recessed area: darker than the face, shadow along its top edge.
void PaintWell(QPainter& p, const QRectF& r, qreal radius = 7);
// A raised plate: lighter than the face, lit along its top edge.
void PaintPlate(QPainter& p, const QRectF& r, qreal radius = 7);
void PaintCaption(QPainter& p, const QRectF& r, const QString& text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter,
                  qreal pixels = 11, QFont::Weight weight = QFont::DemiBold);
// Where PaintFrame paints the program's logo in a title strip of
// `titleHeight` pixels: the window menu's place.
constexpr QRectF TitleLogoPlace(int titleHeight)
{
    return {9, 6, static_cast<qreal>(titleHeight - 14), static_cast<qreal>(titleHeight - 14)};
}
// The face, the dark title strip with its accent line, and the outer frame.
void PaintFrame(QPainter& p, QSize size, int titleHeight, const QString& title, bool logo);

} // namespace oq::skin
