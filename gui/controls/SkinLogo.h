#pragma once

#include <QImage>
#include <QRectF>

class QPainter;

namespace oq {

namespace skin {
// The program's sign: the bars of a sound on a dark tile, cut by a marker.
void PaintLogo(QPainter& p, const QRectF& r);
} // namespace skin

// The program icon, `pixels` wide and high; needs no application object.
QImage SkinAppIcon(int pixels);

} // namespace oq
