#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPalette>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace oq {

// The program's look: every window background, button picture, marker glyph,
// the splash and the program icon are painted here in code, at the device
// pixel ratio they are shown at, so they stay crisp at any scaling.
//
// Button pictures come as an image list for EzRgnButton::SetImageList: rest,
// hover, pressed, disabled. Their corners outside the rounded body hold the
// key colour (their top-left pixel), so the buttons are meant for pmCrop;
// the pixels along the body's edge are blended with the colour of the skin
// the button sits on.

enum class SkinWindow {
    Main,        // 557 x 531
    Progress,    // 224 x 119
    SplitWizard, // 392 x 360
    Information, // 247 x 243
    SaveWizard,  // 392 x 360
};

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

// Colours the standard controls and labels of skinned windows share.
struct SkinColours {
    static QColor Face();       // the window face
    static QColor Ink();        // text and symbols
    static QColor InkSoft();    // captions
    static QColor Accent();     // the orange of the program
    static QColor TitleInk();   // text on the dark title strip
};

QSize SkinWindowSize(SkinWindow window);
// The background picture, title strip included.
QPixmap SkinBackground(SkinWindow window, qreal dpr);
// Rest, hover, pressed and disabled pictures.
QList<QPixmap> SkinButtonPictures(SkinButton button, qreal dpr);
// The same four pictures for a button that shows a word, as the wizards'
// "OK", "Cancel", "Next" ... buttons; `ground` is the skin colour under it.
QList<QPixmap> SkinTextButtonPictures(const QString& caption, QSize size, qreal dpr,
                                      const QColor& ground = SkinColours::Face());
// The 13 x 14 marker glyph under the overview: the selected marker
// (MarkerOn) or an unselected one. Transparent around the glyph.
QPixmap SkinMarkerGlyph(bool selected, qreal dpr);
// The 301 x 98 splash picture.
QPixmap SkinSplash(qreal dpr);
// The program icon, `pixels` wide and high; needs no application object.
QImage SkinAppIcon(int pixels);
// A palette for the standard controls of a skinned window.
QPalette SkinPalette();
// Dresses a skinned form: `title`, the fixed client size `size`, the skin's
// palette and the forms' font.
void DressSkinForm(QWidget& form, const QString& title, QSize size);
// Gives the application the skin's style, palette, tool tips and icon.
void ApplySkinToApplication();

} // namespace oq
