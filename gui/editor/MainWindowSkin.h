#pragma once

#include <QPixmap>

namespace oq {

// The main window's background, title strip included, painted around the
// places of MainWindowLayout at device pixel ratio `dpr`.
QPixmap MainWindowBackground(qreal dpr);

} // namespace oq
