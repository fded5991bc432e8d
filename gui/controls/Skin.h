#pragma once

// The skin's pieces a window needs: its colours and palette, button pictures
// and the dialogs' backgrounds. Every picture is painted in code at the
// device pixel ratio it is shown at, so it stays crisp at any scaling.
#include "gui/controls/SkinButtons.h"
#include "gui/controls/SkinPalette.h"

#include <QPixmap>
#include <QSize>
#include <QString>

class QWidget;

namespace oq {

// The skinned dialogs; the main window paints its own background
// (gui/editor/MainWindowSkin).
enum class SkinWindow {
    Progress,    // 224 x 119
    SplitWizard, // 392 x 440: the save wizard's 360 and two rows of pause controls
    Information, // 247 x 243
    SaveWizard,  // 392 x 360
};

QSize SkinWindowSize(SkinWindow window);
// The background picture, title strip included.
QPixmap SkinBackground(SkinWindow window, qreal dpr);
// Dresses a skinned form: `title`, the fixed client size `size`, the skin's
// palette and the forms' font.
void DressSkinForm(QWidget& form, const QString& title, QSize size);
// Gives the application the skin's style, palette, tool tips and icon.
void ApplySkinToApplication();

} // namespace oq
