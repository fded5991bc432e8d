#pragma once

#include <QPixmap>

namespace oq {

// The 13 x 14 marker glyph under the overview: the selected marker
// (MarkerOn) or an unselected one. Transparent around the glyph.
QPixmap SkinMarkerGlyph(bool selected, qreal dpr);

} // namespace oq
