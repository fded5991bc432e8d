#pragma once

#include "gui/controls/SkinPalette.h"

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace oq {

// Button pictures come as an image list for EzRgnButton::SetImageList: rest,
// hover, pressed, disabled. Their corners outside the rounded body hold the
// key colour (their top-left pixel), so the buttons are meant for pmCrop;
// the pixels along the body's edge are blended with the colour of the skin
// the button sits on.

enum class SkinButton {
    // Main window shelves, 66 x 41, with a caption under the symbol.
    OpenOgg,
    OggInfo,
    SaveSplit,
    ExportOgg,
    Join,
    Wave,
    Catalog,
    Help,
    // Main window marker column, 34 x 46.
    AddMarker,
    DelMarker,
    SplitWizard,
    // Play buttons, 46 x 34.
    PlayTo,
    PlayFrom,
    // Zoom buttons, 34 x 46; nudge buttons, 28 x 21.
    ZoomIn,
    ZoomOut,
    NudgeBack,
    NudgeForward,
    // Title bar buttons: minimise 17 x 18, close 18 x 18.
    Minimize,
    Close,
    // A small folder button, 24 x 21, for the browse buttons of the wizards.
    Browse,
};

// Rest, hover, pressed and disabled pictures.
QList<QPixmap> SkinButtonPictures(SkinButton button, qreal dpr);
// The same four pictures for a button that shows a word, as the wizards'
// "OK", "Cancel", "Next" ... buttons; `ground` is the skin colour under it.
QList<QPixmap> SkinTextButtonPictures(const QString& caption, QSize size, qreal dpr,
                                      const QColor& ground = SkinColours::Face());

} // namespace oq
