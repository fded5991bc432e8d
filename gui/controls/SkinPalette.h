#pragma once

#include <QColor>
#include <QPalette>

namespace oq {

// The skin's colours: a warm grey face with its shades, dark ink, the orange
// accent of the waveform fill and the dark title strip.
struct SkinColours {
    static QColor FaceLight();   // the top of the face's gradient
    static QColor Face();        // the window face
    static QColor Ink();         // text and symbols
    static QColor InkSoft();     // captions
    static QColor InkDisabled(); // text of a control that does not apply now, still readable
    static QColor Accent();      // the orange of the program
    static QColor AccentDeep();  // the accent of a pressed button
    static QColor TitleTop();    // the title strip's gradient, top and bottom
    static QColor TitleBottom();
    static QColor TitleInk();    // text on the dark title strip
    static QColor Outline();     // a window's outer frame
};

// A palette for the standard controls of a skinned window.
QPalette SkinPalette();

} // namespace oq
