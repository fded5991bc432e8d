#pragma once

#include <QPixmap>

namespace oq {

// The 301 x 98 splash picture.
QPixmap SkinSplash(qreal dpr);

} // namespace oq
