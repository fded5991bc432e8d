#include "gui/controls/SkinPalette.h"

namespace oq {

QColor SkinColours::FaceLight()
{
    return {0xec, 0xe8, 0xe1};
}

QColor SkinColours::Face()
{
    return {0xdb, 0xd5, 0xcb};
}

QColor SkinColours::Ink()
{
    return {0x2f, 0x2b, 0x27};
}

QColor SkinColours::InkSoft()
{
    return {0x6a, 0x63, 0x58};
}

QColor SkinColours::InkDisabled()
{
    // Lighter than the ink (9.6:1 on the face), yet 4.7:1 on the face: 4.5:1
    // is the least contrast that keeps text of the forms' size readable.
    return {0x5f, 0x5a, 0x52};
}

QColor SkinColours::Accent()
{
    return {0xee, 0x7a, 0x12};
}

QColor SkinColours::AccentDeep()
{
    return {0xb8, 0x55, 0x06};
}

QColor SkinColours::TitleTop()
{
    return {0x45, 0x4a, 0x53};
}

QColor SkinColours::TitleBottom()
{
    return {0x2b, 0x2e, 0x34};
}

QColor SkinColours::TitleInk()
{
    return {0xf4, 0xef, 0xe7};
}

QColor SkinColours::Outline()
{
    return {0x4b, 0x45, 0x3d};
}

QPalette SkinPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, SkinColours::Face());
    palette.setColor(QPalette::WindowText, SkinColours::Ink());
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xf4, 0xf1, 0xec));
    palette.setColor(QPalette::Text, SkinColours::Ink());
    palette.setColor(QPalette::Button, QColor(0xee, 0xea, 0xe3));
    palette.setColor(QPalette::ButtonText, SkinColours::Ink());
    palette.setColor(QPalette::Light, Qt::white);
    palette.setColor(QPalette::Midlight, QColor(0xf2, 0xef, 0xea));
    palette.setColor(QPalette::Mid, QColor(0xbd, 0xb5, 0xa8));
    palette.setColor(QPalette::Dark, QColor(0x8c, 0x82, 0x73));
    palette.setColor(QPalette::Shadow, QColor(0x4b, 0x45, 0x3d));
    palette.setColor(QPalette::Highlight, SkinColours::Accent());
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0xff, 0xfa, 0xee));
    palette.setColor(QPalette::ToolTipText, SkinColours::Ink());
    palette.setColor(QPalette::PlaceholderText, SkinColours::InkSoft());
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, SkinColours::InkDisabled());
    palette.setColor(QPalette::Disabled, QPalette::Base, QColor(0xf1, 0xee, 0xe9));
    return palette;
}

} // namespace oq
