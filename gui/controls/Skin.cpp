#include "gui/controls/Skin.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStyleFactory>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <numbers>

namespace oq {

namespace {

// The key colour of button pictures: nowhere in the skin's own palette.
constexpr QRgb kKey = qRgb(255, 0, 255);

// The face and its shades; the accent is the orange of the waveform fill.
const QColor kFaceLight(0xec, 0xe8, 0xe1);
const QColor kFace(0xdb, 0xd5, 0xcb);
const QColor kInk(0x2f, 0x2b, 0x27);
const QColor kInkSoft(0x6a, 0x63, 0x58);
const QColor kAccent(0xee, 0x7a, 0x12);
const QColor kAccentDeep(0xb8, 0x55, 0x06);
const QColor kTitleTop(0x45, 0x4a, 0x53);
const QColor kTitleBottom(0x2b, 0x2e, 0x34);
const QColor kTitleInk(0xf4, 0xef, 0xe7);
const QColor kOutline(0x4b, 0x45, 0x3d);

// Symbols are drawn in a 20 x 20 design box and scaled to the box they get.
constexpr qreal kDesignBox = 20.0;

// Main window geometry the background is laid around (the controls' places).
constexpr int kMainTitleHeight = 34;
constexpr int kDialogTitleHeight = 32;
constexpr int kProgressTitleHeight = 28;
constexpr QRectF kOverviewClient(69, 146, 459, 129); // the overview picture inside its framed panel

QString Tr(const char* text)
{
    return QCoreApplication::translate("Skin", text);
}

QImage Blank(QSize size, qreal dpr)
{
    QImage image((QSizeF(size) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    return image;
}

QFont SkinFont(qreal pixels, QFont::Weight weight = QFont::Normal)
{
    QFont font;
    font.setPixelSize(static_cast<int>(pixels));
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

QColor WithAlpha(QColor colour, int alpha)
{
    colour.setAlpha(alpha);
    return colour;
}

// ---------------------------------------------------------------------------
// Panels of the window backgrounds

// A recessed area: darker than the face, shadow along its top edge.
void PaintWell(QPainter& p, const QRectF& r, qreal radius = 7)
{
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(0xc9, 0xc2, 0xb6));
    fill.setColorAt(1, QColor(0xd6, 0xd0, 0xc6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150)); // the lit lower lip
    p.drawRoundedRect(r.adjusted(0, 1, 0, 1), radius, radius);
    p.setBrush(fill);
    p.setPen(QPen(QColor(0xa8, 0x9f, 0x91), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.setPen(QPen(QColor(0, 0, 0, 28), 1));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
}

// A raised plate: lighter than the face, lit along its top edge.
void PaintPlate(QPainter& p, const QRectF& r, qreal radius = 7)
{
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(0xf2, 0xef, 0xea));
    fill.setColorAt(1, QColor(0xe6, 0xe1, 0xd9));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 22)); // soft drop shadow
    p.drawRoundedRect(r.adjusted(0, 1.5, 0, 1.5), radius, radius);
    p.setBrush(fill);
    p.setPen(QPen(QColor(0xb5, 0xac, 0x9e), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
}

void PaintCaption(QPainter& p, const QRectF& r, const QString& text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter,
                  qreal pixels = 11, QFont::Weight weight = QFont::DemiBold)
{
    p.setFont(SkinFont(pixels, weight));
    p.setPen(kInkSoft);
    p.drawText(r, align, text);
}

void PaintLogo(QPainter& p, const QRectF& r);

// The face, the dark title strip with its accent line, and the outer frame.
void PaintFrame(QPainter& p, QSize size, int titleHeight, const QString& title, bool logo)
{
    const QRectF all(0, 0, size.width(), size.height());
    QLinearGradient face(all.topLeft(), all.bottomLeft());
    face.setColorAt(0, kFaceLight);
    face.setColorAt(0.35, kFace);
    face.setColorAt(1, QColor(0xd2, 0xcb, 0xc0));
    p.fillRect(all, face);

    const QRectF strip(0, 0, size.width(), titleHeight);
    QLinearGradient dark(strip.topLeft(), strip.bottomLeft());
    dark.setColorAt(0, kTitleTop);
    dark.setColorAt(1, kTitleBottom);
    p.fillRect(strip, dark);
    p.fillRect(QRectF(0, titleHeight - 2, size.width(), 2), kAccent);
    p.fillRect(QRectF(0, titleHeight, size.width(), 1), QColor(255, 255, 255, 120));
    p.fillRect(QRectF(1, 1, size.width() - 2, 1), QColor(255, 255, 255, 40));

    qreal textLeft = 12;
    if (logo) {
        const qreal side = titleHeight - 14;
        PaintLogo(p, QRectF(9, 6, side, side));
        textLeft = 9 + side + 8;
    }
    p.setFont(SkinFont(13, QFont::Bold));
    p.setPen(kTitleInk);
    p.drawText(QRectF(textLeft, 0, size.width() - textLeft, titleHeight - 2), Qt::AlignLeft | Qt::AlignVCenter, title);

    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
}

// ---------------------------------------------------------------------------
// Symbols (20 x 20 design box)

struct Look {
    QColor top;
    QColor bottom;
    QColor border;
    QColor highlight;
    QColor ink;
    QColor accent;
    QColor accentSoft;
    qreal shift = 0; // a pressed button's content sinks by this much
    bool hover = false;
};

enum class State { Idle, Hover, Down, Disabled };
constexpr State kStates[] = {State::Idle, State::Hover, State::Down, State::Disabled};

Look LightLook(State state)
{
    switch (state) {
    case State::Idle:
        return {QColor(0xfd, 0xfb, 0xf7), QColor(0xe3, 0xdc, 0xd0), QColor(0x8c, 0x82, 0x73), QColor(255, 255, 255, 190),
                kInk, kAccent, QColor(0xfb, 0xc5, 0x8c), 0, false};
    case State::Hover:
        return {QColor(0xff, 0xfe, 0xfb), QColor(0xf6, 0xec, 0xdd), QColor(0xdd, 0x6c, 0x0a), QColor(255, 255, 255, 230),
                QColor(0x1f, 0x1c, 0x19), QColor(0xff, 0x86, 0x14), QColor(0xfd, 0xcf, 0x9b), 0, true};
    case State::Down:
        return {QColor(0xcf, 0xc7, 0xba), QColor(0xe6, 0xe0, 0xd6), QColor(0x6a, 0x61, 0x55), QColor(0, 0, 0, 0),
                QColor(0x1f, 0x1c, 0x19), kAccentDeep, QColor(0xf0, 0xae, 0x6c), 1, false};
    case State::Disabled:
        break;
    }
    return {QColor(0xec, 0xe8, 0xe2), QColor(0xe2, 0xdd, 0xd5), QColor(0xbc, 0xb4, 0xa7), QColor(255, 255, 255, 120),
            QColor(0xae, 0xa6, 0x99), QColor(0xc8, 0xbe, 0xb1), QColor(0xe0, 0xd9, 0xcf), 0, false};
}

// The buttons on the dark title strip; `danger` turns the hover red (close).
Look DarkLook(State state, bool danger)
{
    switch (state) {
    case State::Idle:
        return {QColor(0x55, 0x5b, 0x65), QColor(0x40, 0x44, 0x4c), QColor(0x1e, 0x20, 0x24), QColor(255, 255, 255, 45),
                QColor(0xe6, 0xe0, 0xd6), kAccent, kAccent, 0, false};
    case State::Hover:
        if (danger)
            return {QColor(0xe0, 0x5a, 0x3c), QColor(0xbb, 0x3a, 0x22), QColor(0x6e, 0x1c, 0x0e),
                    QColor(255, 255, 255, 70), Qt::white, kAccent, kAccent, 0, true};
        return {QColor(0x6d, 0x74, 0x80), QColor(0x54, 0x5a, 0x64), QColor(0x1e, 0x20, 0x24), QColor(255, 255, 255, 70),
                Qt::white, kAccent, kAccent, 0, true};
    case State::Down:
        return {QColor(0x2c, 0x2f, 0x35), QColor(0x3b, 0x3f, 0x47), QColor(0x12, 0x13, 0x16), QColor(0, 0, 0, 0),
                QColor(0xf4, 0xef, 0xe7), kAccent, kAccent, 1, false};
    case State::Disabled:
        break;
    }
    return {QColor(0x4a, 0x4e, 0x56), QColor(0x40, 0x44, 0x4c), QColor(0x2a, 0x2d, 0x32), QColor(0, 0, 0, 0),
            QColor(0x7c, 0x80, 0x88), kAccent, kAccent, 0, false};
}

using Symbol = std::function<void(QPainter&, const Look&)>;

QPen InkPen(const Look& look, qreal width)
{
    return QPen(look.ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Draws `symbol` (in design units) into `box`.
void PaintSymbol(QPainter& p, const QRectF& box, const Look& look, const Symbol& symbol)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / kDesignBox, box.height() / kDesignBox);
    symbol(p, look);
    p.restore();
}

void Folder(QPainter& p, const Look& look)
{
    QPainterPath back;
    back.moveTo(2, 4.5);
    back.lineTo(7.5, 4.5);
    back.lineTo(9.5, 6.5);
    back.lineTo(17.5, 6.5);
    back.lineTo(17.5, 16.5);
    back.lineTo(2, 16.5);
    back.closeSubpath();
    p.setPen(InkPen(look, 1.4));
    p.setBrush(look.accentSoft);
    p.drawPath(back);
    QPainterPath flap;
    flap.moveTo(2, 16.5);
    flap.lineTo(4.8, 9.5);
    flap.lineTo(19.5, 9.5);
    flap.lineTo(17.2, 16.5);
    flap.closeSubpath();
    p.setBrush(look.accent);
    p.drawPath(flap);
}

void InfoSymbol(QPainter& p, const Look& look)
{
    p.setPen(InkPen(look, 1.4));
    p.setBrush(look.accent);
    p.drawEllipse(QPointF(10, 10), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 5.6), 1.45, 1.45);
    p.drawRoundedRect(QRectF(8.7, 8.3, 2.6, 7.2), 1, 1);
}

void HelpSymbol(QPainter& p, const Look& look)
{
    p.setPen(InkPen(look, 1.4));
    p.setBrush(look.accent);
    p.drawEllipse(QPointF(10, 10), 8, 8);
    QPainterPath hook;
    hook.moveTo(7.2, 7.6);
    hook.cubicTo(7.2, 4.2, 12.8, 4.2, 12.8, 7.4);
    hook.cubicTo(12.8, 9.6, 10, 9.6, 10, 12.2);
    p.setPen(QPen(Qt::white, 2.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 15.1), 1.35, 1.35);
}

void Scissors(QPainter& p, const Look& look)
{
    p.setPen(InkPen(look, 1.7));
    p.drawLine(QPointF(7.3, 12.2), QPointF(14.5, 1.8));
    p.drawLine(QPointF(12.7, 12.2), QPointF(5.5, 1.8));
    p.setPen(InkPen(look, 1.5));
    p.setBrush(look.accentSoft);
    p.drawEllipse(QPointF(5.6, 15.0), 3.1, 3.1);
    p.drawEllipse(QPointF(14.4, 15.0), 3.1, 3.1);
    p.setPen(Qt::NoPen);
    p.setBrush(look.accent);
    p.drawEllipse(QPointF(10, 8.4), 1.3, 1.3);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, qreal width)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QLineF shaft(from, to);
    const qreal head = width * 2.1;
    const QLineF unit = shaft.unitVector();
    const QPointF back = to - QPointF(unit.dx(), unit.dy()) * head;
    const QPointF side(-unit.dy() * head, unit.dx() * head);
    p.drawLine(from, to);
    p.drawPolyline(QPolygonF({back + side, to, back - side}));
}

void ExportSymbol(QPainter& p, const Look& look)
{
    QPainterPath page;
    page.moveTo(2.5, 2);
    page.lineTo(9.5, 2);
    page.lineTo(13, 5.5);
    page.lineTo(13, 18);
    page.lineTo(2.5, 18);
    page.closeSubpath();
    p.setPen(InkPen(look, 1.4));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setPen(QPen(look.accentSoft, 1.6, Qt::SolidLine, Qt::RoundCap));
    for (const qreal y : {8.0, 11.0, 14.0})
        p.drawLine(QPointF(5, y), QPointF(8.5, y));
    Arrow(p, QPointF(8, 11), QPointF(18.8, 11), look.accent, 2.0);
}

void JoinSymbol(QPainter& p, const Look& look)
{
    QPainterPath lanes;
    lanes.moveTo(1.5, 4);
    lanes.cubicTo(7, 4, 7, 10, 11.5, 10);
    lanes.moveTo(1.5, 16);
    lanes.cubicTo(7, 16, 7, 10, 11.5, 10);
    p.setPen(QPen(look.ink, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(lanes);
    Arrow(p, QPointF(10.5, 10), QPointF(18.8, 10), look.accent, 2.2);
}

void WaveSymbol(QPainter& p, const Look& look)
{
    QPainterPath wave;
    for (int i = 0; i <= 32; ++i) {
        const qreal x = 1.5 + 17.0 * i / 32.0;
        const qreal envelope = std::sin(std::numbers::pi * i / 32.0);
        const qreal y = 10 - 6.5 * envelope * std::sin(2 * std::numbers::pi * i / 10.7);
        if (i == 0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    p.setPen(QPen(look.ink, 0.9));
    p.drawLine(QPointF(1, 10), QPointF(19, 10));
    p.setPen(QPen(look.accent, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
}

void CatalogSymbol(QPainter& p, const Look& look)
{
    for (int row = 0; row < 3; ++row) {
        const qreal y = 4.5 + row * 5.5;
        p.setPen(Qt::NoPen);
        p.setBrush(look.accent);
        p.drawRoundedRect(QRectF(1.8, y - 1.7, 3.4, 3.4), 0.8, 0.8);
        p.setPen(InkPen(look, 1.7));
        p.drawLine(QPointF(8, y), QPointF(row == 1 ? 15.5 : 18.2, y));
    }
}

QPainterPath MarkerShape(qreal left, qreal top, qreal width, qreal height)
{
    const qreal mid = left + width / 2;
    const qreal shoulder = top + width / 2;
    QPainterPath shape;
    shape.moveTo(mid, top);
    shape.lineTo(left + width, shoulder);
    shape.lineTo(left + width, top + height);
    shape.lineTo(left, top + height);
    shape.lineTo(left, shoulder);
    shape.closeSubpath();
    return shape;
}

void MarkerWithSign(QPainter& p, const Look& look, bool add)
{
    p.setPen(QPen(look.ink, 1.3, Qt::DashLine, Qt::FlatCap));
    p.drawLine(QPointF(7, 0.5), QPointF(7, 6));
    p.setPen(InkPen(look, 1.4));
    p.setBrush(look.accent);
    p.drawPath(MarkerShape(2, 5.5, 10, 13));
    const QPointF centre(15.6, 4.6);
    p.setPen(Qt::NoPen);
    p.setBrush(look.ink);
    p.drawEllipse(centre, 4.2, 4.2);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre - QPointF(2.1, 0), centre + QPointF(2.1, 0));
    if (add)
        p.drawLine(centre - QPointF(0, 2.1), centre + QPointF(0, 2.1));
}

void Star(QPainter& p, QPointF c, qreal r)
{
    QPainterPath star;
    star.moveTo(c.x(), c.y() - r);
    star.quadTo(c, QPointF(c.x() + r, c.y()));
    star.quadTo(c, QPointF(c.x(), c.y() + r));
    star.quadTo(c, QPointF(c.x() - r, c.y()));
    star.quadTo(c, QPointF(c.x(), c.y() - r));
    p.drawPath(star);
}

void WandSymbol(QPainter& p, const Look& look)
{
    p.setPen(QPen(look.ink, 2.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2.5, 17.5), QPointF(11.5, 8.5));
    p.setPen(QPen(look.accent, 2.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11.5, 8.5), QPointF(13.5, 6.5));
    p.setPen(Qt::NoPen);
    p.setBrush(look.accent);
    Star(p, QPointF(15.5, 3.2), 3.2);
    Star(p, QPointF(18.0, 10.0), 2.0);
    Star(p, QPointF(8.5, 2.5), 1.8);
}

void PlaySymbol(QPainter& p, const Look& look, bool upTo)
{
    const qreal triangleLeft = upTo ? 3 : 8;
    const qreal barLeft = upTo ? 14.5 : 3;
    QPainterPath triangle;
    triangle.moveTo(triangleLeft, 3.5);
    triangle.lineTo(triangleLeft + 9.5, 10);
    triangle.lineTo(triangleLeft, 16.5);
    triangle.closeSubpath();
    p.setPen(InkPen(look, 1.4));
    p.setBrush(look.accent);
    p.drawPath(triangle);
    p.setPen(Qt::NoPen);
    p.setBrush(look.ink);
    p.drawRoundedRect(QRectF(barLeft, 2.5, 2.8, 15), 0.8, 0.8);
}

void ZoomSymbol(QPainter& p, const Look& look, bool in)
{
    p.setPen(QPen(look.ink, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.6, 12.6), QPointF(18, 18));
    p.setPen(InkPen(look, 1.7));
    p.setBrush(look.accentSoft);
    p.drawEllipse(QPointF(8.3, 8.3), 6.2, 6.2);
    p.setPen(QPen(look.ink, 1.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.3, 8.3), QPointF(11.3, 8.3));
    if (in)
        p.drawLine(QPointF(8.3, 5.3), QPointF(8.3, 11.3));
}

void Chevrons(QPainter& p, const Look& look, bool forward)
{
    p.setPen(QPen(look.ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (const qreal x : {4.0, 11.0}) {
        const qreal tip = forward ? x + 5 : x;
        const qreal base = forward ? x : x + 5;
        p.drawPolyline(QPolygonF({QPointF(base, 4), QPointF(tip, 10), QPointF(base, 16)}));
    }
}

void MinimizeSymbol(QPainter& p, const Look& look)
{
    p.setPen(QPen(look.ink, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 13.5), QPointF(15, 13.5));
}

void CloseSymbol(QPainter& p, const Look& look)
{
    p.setPen(QPen(look.ink, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.5, 5.5), QPointF(14.5, 14.5));
    p.drawLine(QPointF(14.5, 5.5), QPointF(5.5, 14.5));
}

// ---------------------------------------------------------------------------
// Button pictures

struct ButtonStyle {
    QSize size;
    qreal radius = 6;
    QColor ground = kFace; // the skin under the button, for its edge pixels
    bool dark = false;
    bool danger = false;
};

using Content = std::function<void(QPainter&, const QSizeF&, const Look&)>;

// The rounded body of a button in one state.
void PaintBody(QPainter& p, const QRectF& r, qreal radius, const Look& look, State state)
{
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, look.top);
    fill.setColorAt(1, look.bottom);
    p.setPen(QPen(look.border, look.hover ? 1.6 : 1.0));
    p.setBrush(fill);
    const qreal inset = look.hover ? 0.8 : 0.5;
    p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), radius, radius);
    p.setBrush(Qt::NoBrush);
    if (state == State::Down) {
        p.setPen(QPen(QColor(0, 0, 0, 45), 1.4));
        p.drawLine(QPointF(r.left() + radius, r.top() + 2), QPointF(r.right() - radius, r.top() + 2));
    } else if (look.highlight.alpha() > 0) {
        p.setPen(QPen(look.highlight, 1));
        p.drawRoundedRect(r.adjusted(1.6, 1.6, -1.6, -1.6), radius - 1.2, radius - 1.2);
    }
}

// One picture: the body and content over the ground colour, then every
// pixel the body does not touch set to the key colour.
QPixmap ButtonPicture(const ButtonStyle& style, qreal dpr, State state, const Content& content)
{
    const Look look = style.dark ? DarkLook(state, style.danger) : LightLook(state);
    QImage shape = Blank(style.size, dpr);
    {
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        PaintBody(p, QRectF(QPointF(0, 0), QSizeF(style.size)), style.radius, look, state);
        p.translate(0, look.shift);
        content(p, QSizeF(style.size), look);
    }
    QImage picture(shape.size(), QImage::Format_ARGB32);
    picture.setDevicePixelRatio(dpr);
    picture.fill(style.ground);
    {
        QPainter p(&picture);
        p.drawImage(0, 0, shape);
    }
    for (int y = 0; y < picture.height(); ++y) {
        const auto* coverage = reinterpret_cast<const QRgb*>(shape.constScanLine(y));
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(coverage[x]) == 0)
                line[x] = kKey;
    }
    return QPixmap::fromImage(picture);
}

QList<QPixmap> ButtonPictures(const ButtonStyle& style, qreal dpr, const Content& content)
{
    QList<QPixmap> pictures;
    for (const State state : kStates)
        pictures.append(ButtonPicture(style, dpr, state, content));
    return pictures;
}

// A symbol centred at the top and a caption under it (the shelf buttons).
Content SymbolAndCaption(Symbol symbol, QString caption)
{
    return [symbol = std::move(symbol), caption = std::move(caption)](QPainter& p, const QSizeF& size, const Look& look) {
        constexpr qreal kSide = 19;
        PaintSymbol(p, QRectF((size.width() - kSide) / 2, 4.5, kSide, kSide), look, symbol);
        p.setFont(SkinFont(10, QFont::DemiBold));
        p.setPen(look.ink);
        p.drawText(QRectF(0, 25, size.width(), 12), Qt::AlignHCenter | Qt::AlignVCenter, caption);
    };
}

Content CentredSymbol(Symbol symbol, qreal side)
{
    return [symbol = std::move(symbol), side](QPainter& p, const QSizeF& size, const Look& look) {
        PaintSymbol(p, QRectF((size.width() - side) / 2, (size.height() - side) / 2, side, side), look, symbol);
    };
}

QColor TitleGround()
{
    // The title strip's colour halfway down, where the title buttons sit.
    return QColor((kTitleTop.red() + kTitleBottom.red()) / 2, (kTitleTop.green() + kTitleBottom.green()) / 2,
                  (kTitleTop.blue() + kTitleBottom.blue()) / 2);
}

// ---------------------------------------------------------------------------
// Window backgrounds

void PaintMainBackground(QPainter& p)
{
    const QSize size = SkinWindowSize(SkinWindow::Main);
    PaintFrame(p, size, kMainTitleHeight, Tr("Ogg Quorvel 2003"), true);

    PaintWell(p, QRectF(8, 40, 541, 54));  // the file buttons
    PaintWell(p, QRectF(8, 457, 541, 56)); // the tool buttons

    // The display: ruler, overview and marker rail on one light plate.
    const QRectF plate(58, 116, 491, 182);
    PaintPlate(p, plate);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 30));
    p.drawRoundedRect(kOverviewClient.adjusted(-2.5, -2.5, 2.5, 2.5), 2, 2);
    QLinearGradient rail(0, 277, 0, 293);
    rail.setColorAt(0, QColor(0xd9, 0xd3, 0xc8));
    rail.setColorAt(1, QColor(0xe6, 0xe1, 0xd9));
    p.setBrush(rail);
    p.drawRoundedRect(QRectF(kOverviewClient.left() - 1, 277, kOverviewClient.width() + 2, 16), 3, 3);
    p.setPen(QPen(kInkSoft, 1));
    for (int quarter = 0; quarter <= 4; ++quarter) {
        const qreal x = std::round(kOverviewClient.left() + (kOverviewClient.width() - 1) * quarter / 4.0) + 0.5;
        p.drawLine(QPointF(x, 141), QPointF(x, 143.5));
    }

    // The name of the open file.
    PaintWell(p, QRectF(8, 303, 334, 21), 5);

    // Marker, section and zoom groups.
    PaintPlate(p, QRectF(6, 328, 152, 121));
    PaintPlate(p, QRectF(161, 328, 182, 121));
    PaintPlate(p, QRectF(346, 303, 203, 146));
    PaintCaption(p, QRectF(63, 363, 36, 11), Tr("seconds"), Qt::AlignCenter, 9, QFont::Normal);
    PaintCaption(p, QRectF(15, 375, 120, 14), Tr("Marker"));
    PaintCaption(p, QRectF(15, 419, 66, 21), Tr("Position"));
    PaintCaption(p, QRectF(166, 336, 100, 15), Tr("Sections:"));
    PaintCaption(p, QRectF(166, 390, 100, 21), Tr("Length"));
    PaintCaption(p, QRectF(166, 419, 100, 21), Tr("Size (Kb)"));

    PaintCaption(p, QRectF(0, 514, size.width(), 16), Tr("Lossless Ogg Vorbis section editor"), Qt::AlignCenter, 10,
                 QFont::Normal);
}

void PaintDialogBackground(QPainter& p, SkinWindow window)
{
    const QSize size = SkinWindowSize(window);
    switch (window) {
    case SkinWindow::Progress:
        PaintFrame(p, size, kProgressTitleHeight, Tr("Reading the Ogg File"), false);
        PaintWell(p, QRectF(7, 31, 210, 32), 5);
        return;
    case SkinWindow::Information:
        PaintFrame(p, size, kDialogTitleHeight, Tr("Ogg Information"), false);
        PaintWell(p, QRectF(5, 39, 237, 158), 5);
        PaintPlate(p, QRectF(5, 198, 237, 39), 5);
        return;
    case SkinWindow::SplitWizard:
        PaintFrame(p, size, kDialogTitleHeight, Tr("Split Wizard"), false);
        PaintWell(p, QRectF(6, 314, size.width() - 12, 40));
        return;
    case SkinWindow::SaveWizard:
        PaintFrame(p, size, kDialogTitleHeight, Tr("Save Wizard"), false);
        PaintWell(p, QRectF(6, 314, size.width() - 12, 40));
        return;
    case SkinWindow::Main:
        break;
    }
}

// A waveform silhouette: a loudness curve that rises and falls like music.
QPainterPath WaveformPath(const QRectF& r, int columns, double seed)
{
    QPainterPath path;
    path.moveTo(r.left(), r.bottom());
    for (int i = 0; i <= columns; ++i) {
        const double t = static_cast<double>(i) / columns;
        const double swell = 0.55 + 0.45 * std::sin(t * 2.6 * std::numbers::pi + seed);
        const double detail = 0.6 + 0.4 * std::sin(t * 23.0 + seed * 3) * std::sin(t * 57.0 + seed);
        path.lineTo(r.left() + t * r.width(), r.bottom() - r.height() * std::clamp(swell * detail, 0.05, 1.0));
    }
    path.lineTo(r.right(), r.bottom());
    path.closeSubpath();
    return path;
}

// The program's sign: the bars of a sound on a dark tile, cut by a marker.
void PaintLogo(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = r.width();
    QLinearGradient tile(r.topLeft(), r.bottomLeft());
    tile.setColorAt(0, QColor(0x52, 0x58, 0x62));
    tile.setColorAt(1, QColor(0x24, 0x27, 0x2c));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(r, s * 0.22, s * 0.22);

    // Bar heights of a phrase that swells and fades; small signs get fewer,
    // wider bars so that they stay bars.
    static constexpr double kHeights[] = {0.30, 0.55, 0.85, 0.65, 1.00, 0.75, 0.50, 0.80, 0.40};
    static constexpr double kFewHeights[] = {0.45, 0.85, 1.00, 0.60, 0.75};
    constexpr qreal kFewBarsBelow = 32;
    const bool few = s < kFewBarsBelow;
    const double* heights = few ? kFewHeights : kHeights;
    const int bars = few ? static_cast<int>(std::size(kFewHeights)) : static_cast<int>(std::size(kHeights));
    const int cutAfter = few ? 3 : 6;
    const qreal left = r.left() + s * 0.13;
    const qreal pitch = s * 0.74 / bars;
    const qreal barWidth = pitch * 0.62;
    const qreal middle = r.top() + s * 0.46;
    const qreal reach = s * 0.31;
    QLinearGradient orange(0, middle - reach, 0, middle + reach);
    orange.setColorAt(0, QColor(0xff, 0xb0, 0x55));
    orange.setColorAt(0.5, QColor(0xfc, 0x82, 0x04));
    orange.setColorAt(1, QColor(0xe0, 0x62, 0x02));
    p.setBrush(orange);
    for (int i = 0; i < bars; ++i) {
        const qreal half = std::max(reach * heights[i], barWidth / 2);
        p.drawRoundedRect(QRectF(left + i * pitch + (pitch - barWidth) / 2, middle - half, barWidth, 2 * half),
                          barWidth / 2, barWidth / 2);
    }

    // The cut: a light line between two bars and the marker under it.
    const QColor light(0xf8, 0xf4, 0xee);
    const qreal cut = left + cutAfter * pitch;
    const qreal markerWidth = s * 0.2;
    const qreal markerTop = r.bottom() - s * 0.27;
    p.setPen(QPen(light, std::max(1.0, s * 0.045), Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(cut, r.top() + s * 0.1), QPointF(cut, markerTop + s * 0.02));
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawPath(MarkerShape(cut - markerWidth / 2, markerTop, markerWidth, s * 0.17));
    p.restore();
}

} // namespace

// ---------------------------------------------------------------------------

QColor SkinColours::Face()
{
    return kFace;
}

QColor SkinColours::Ink()
{
    return kInk;
}

QColor SkinColours::InkSoft()
{
    return kInkSoft;
}

QColor SkinColours::Accent()
{
    return kAccent;
}

QColor SkinColours::TitleInk()
{
    return kTitleInk;
}

QSize SkinWindowSize(SkinWindow window)
{
    switch (window) {
    case SkinWindow::Main:
        return {557, 531};
    case SkinWindow::Progress:
        return {224, 119};
    case SkinWindow::Information:
        return {247, 243};
    case SkinWindow::SplitWizard:
    case SkinWindow::SaveWizard:
        break;
    }
    return {392, 360};
}

QPixmap SkinBackground(SkinWindow window, qreal dpr)
{
    QImage image = Blank(SkinWindowSize(window), dpr);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        if (window == SkinWindow::Main)
            PaintMainBackground(p);
        else
            PaintDialogBackground(p, window);
    }
    return QPixmap::fromImage(image);
}

QList<QPixmap> SkinButtonPictures(SkinButton button, qreal dpr)
{
    const ButtonStyle shelf{QSize(66, 41), 7, QColor(0xcf, 0xc8, 0xbd)};
    const ButtonStyle column{QSize(34, 46), 7};
    const ButtonStyle play{QSize(46, 34), 7, QColor(0xec, 0xe8, 0xe2)};
    const ButtonStyle zoom{QSize(34, 46), 7, QColor(0xec, 0xe8, 0xe2)};
    const ButtonStyle nudge{QSize(28, 21), 5, Qt::white};
    const ButtonStyle title{QSize(18, 18), 4, TitleGround(), true};
    constexpr qreal kColumnSymbol = 22;
    constexpr qreal kSmallSymbol = 13;

    switch (button) {
    case SkinButton::OpenOgg:
        return ButtonPictures(shelf, dpr, SymbolAndCaption(Folder, Tr("Open")));
    case SkinButton::OggInfo:
        return ButtonPictures(shelf, dpr, SymbolAndCaption(InfoSymbol, Tr("Info")));
    case SkinButton::SaveSplit:
        return ButtonPictures(shelf, dpr, SymbolAndCaption(Scissors, Tr("Split")));
    case SkinButton::ExportOgg:
        return ButtonPictures(shelf, dpr, SymbolAndCaption(ExportSymbol, Tr("Export")));
    case SkinButton::Join:
        return ButtonPictures(shelf, dpr, SymbolAndCaption(JoinSymbol, Tr("Join")));
    case SkinButton::Wave:
        return ButtonPictures(shelf, dpr, SymbolAndCaption(WaveSymbol, Tr("To WAV")));
    case SkinButton::Catalog:
        return ButtonPictures(shelf, dpr, SymbolAndCaption(CatalogSymbol, Tr("Catalog")));
    case SkinButton::Help:
        return ButtonPictures(shelf, dpr, SymbolAndCaption(HelpSymbol, Tr("Help")));
    case SkinButton::AddMarker:
        return ButtonPictures(column, dpr,
                              CentredSymbol([](QPainter& p, const Look& l) { MarkerWithSign(p, l, true); }, kColumnSymbol));
    case SkinButton::DelMarker:
        return ButtonPictures(column, dpr,
                              CentredSymbol([](QPainter& p, const Look& l) { MarkerWithSign(p, l, false); }, kColumnSymbol));
    case SkinButton::SplitWizard:
        return ButtonPictures(column, dpr, CentredSymbol(WandSymbol, kColumnSymbol));
    case SkinButton::PlayTo:
        return ButtonPictures(play, dpr, CentredSymbol([](QPainter& p, const Look& l) { PlaySymbol(p, l, true); }, 20));
    case SkinButton::PlayFrom:
        return ButtonPictures(play, dpr, CentredSymbol([](QPainter& p, const Look& l) { PlaySymbol(p, l, false); }, 20));
    case SkinButton::ZoomIn:
        return ButtonPictures(zoom, dpr,
                              CentredSymbol([](QPainter& p, const Look& l) { ZoomSymbol(p, l, true); }, kColumnSymbol));
    case SkinButton::ZoomOut:
        return ButtonPictures(zoom, dpr,
                              CentredSymbol([](QPainter& p, const Look& l) { ZoomSymbol(p, l, false); }, kColumnSymbol));
    case SkinButton::NudgeBack:
        return ButtonPictures(nudge, dpr,
                              CentredSymbol([](QPainter& p, const Look& l) { Chevrons(p, l, false); }, kSmallSymbol));
    case SkinButton::NudgeForward:
        return ButtonPictures(nudge, dpr,
                              CentredSymbol([](QPainter& p, const Look& l) { Chevrons(p, l, true); }, kSmallSymbol));
    case SkinButton::Minimize: {
        ButtonStyle minimize = title;
        minimize.size = QSize(17, 18);
        return ButtonPictures(minimize, dpr, CentredSymbol(MinimizeSymbol, kSmallSymbol));
    }
    case SkinButton::Close: {
        ButtonStyle close = title;
        close.danger = true;
        return ButtonPictures(close, dpr, CentredSymbol(CloseSymbol, kSmallSymbol));
    }
    case SkinButton::Browse:
        break;
    }
    return ButtonPictures(ButtonStyle{QSize(24, 21), 5}, dpr, CentredSymbol(Folder, 15));
}

QList<QPixmap> SkinTextButtonPictures(const QString& caption, QSize size, qreal dpr, const QColor& ground)
{
    const ButtonStyle style{size, std::min(7.0, size.height() / 3.0), ground};
    return ButtonPictures(style, dpr, [caption](QPainter& p, const QSizeF& area, const Look& look) {
        p.setFont(SkinFont(11, QFont::DemiBold));
        p.setPen(look.ink);
        p.drawText(QRectF(QPointF(0, 0), area), Qt::AlignCenter, caption);
    });
}

QPixmap SkinMarkerGlyph(bool selected, qreal dpr)
{
    QImage image = Blank(QSize(13, 14), dpr);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = MarkerShape(1, 0.6, 11, 12.8);
    QLinearGradient fill(0, 0, 0, 14);
    if (selected) {
        fill.setColorAt(0, QColor(0xff, 0xa2, 0x3c));
        fill.setColorAt(1, QColor(0xe0, 0x66, 0x06));
        p.setPen(QPen(QColor(0x7a, 0x36, 0x02), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    } else {
        fill.setColorAt(0, QColor(0x7e, 0x76, 0x6a));
        fill.setColorAt(1, QColor(0x55, 0x4e, 0x45));
        p.setPen(QPen(QColor(0x2e, 0x2a, 0x25), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    p.setBrush(fill);
    p.drawPath(shape);
    p.setPen(QPen(QColor(255, 255, 255, selected ? 200 : 110), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.5, 5.5), QPointF(6.5, 11.0));
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap SkinSplash(qreal dpr)
{
    const QSize size(301, 98);
    QImage image = Blank(size, dpr);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF all(0, 0, size.width(), size.height());

    QLinearGradient dark(all.topLeft(), all.bottomLeft());
    dark.setColorAt(0, QColor(0x4a, 0x4f, 0x58));
    dark.setColorAt(1, QColor(0x1f, 0x22, 0x27));
    p.fillRect(all, dark);
    QRadialGradient glow(QPointF(250, 96), 150);
    glow.setColorAt(0, WithAlpha(kAccent, 70));
    glow.setColorAt(1, WithAlpha(kAccent, 0));
    p.fillRect(all, glow);

    p.setPen(Qt::NoPen);
    p.setBrush(WithAlpha(kAccent, 55));
    p.drawPath(WaveformPath(QRectF(120, 72, 181, 22), 90, 0.7));
    p.fillRect(QRectF(0, size.height() - 4, size.width(), 4), kAccent);

    PaintLogo(p, QRectF(16, 14, 64, 64));

    p.setFont(SkinFont(27, QFont::Bold));
    p.setPen(kTitleInk);
    p.drawText(QRectF(94, 14, 200, 34), Qt::AlignLeft | Qt::AlignVCenter, Tr("Ogg Quorvel"));
    p.setFont(SkinFont(12, QFont::Bold));
    p.setPen(QColor(0xff, 0x9a, 0x33));
    p.drawText(QRectF(96, 48, 200, 16), Qt::AlignLeft | Qt::AlignVCenter, Tr("2003"));
    p.setFont(SkinFont(11, QFont::Normal));
    p.setPen(QColor(0xc9, 0xc2, 0xb6));
    p.drawText(QRectF(134, 48, 165, 16), Qt::AlignLeft | Qt::AlignVCenter, Tr("Lossless Ogg Vorbis splitting"));

    p.setPen(QPen(QColor(0x12, 0x13, 0x16), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
    p.end();
    return QPixmap::fromImage(image);
}

QImage SkinAppIcon(int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const qreal margin = pixels / 16.0;
    PaintLogo(p, QRectF(margin, margin, pixels - 2 * margin, pixels - 2 * margin));
    p.end();
    return image;
}

QPalette SkinPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, kFace);
    palette.setColor(QPalette::WindowText, kInk);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xf4, 0xf1, 0xec));
    palette.setColor(QPalette::Text, kInk);
    palette.setColor(QPalette::Button, QColor(0xee, 0xea, 0xe3));
    palette.setColor(QPalette::ButtonText, kInk);
    palette.setColor(QPalette::Light, Qt::white);
    palette.setColor(QPalette::Midlight, QColor(0xf2, 0xef, 0xea));
    palette.setColor(QPalette::Mid, QColor(0xbd, 0xb5, 0xa8));
    palette.setColor(QPalette::Dark, QColor(0x8c, 0x82, 0x73));
    palette.setColor(QPalette::Shadow, QColor(0x4b, 0x45, 0x3d));
    palette.setColor(QPalette::Highlight, kAccent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0xff, 0xfa, 0xee));
    palette.setColor(QPalette::ToolTipText, kInk);
    palette.setColor(QPalette::PlaceholderText, kInkSoft);
    const QColor grey(0xa6, 0x9e, 0x92);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, grey);
    palette.setColor(QPalette::Disabled, QPalette::Base, QColor(0xf1, 0xee, 0xe9));
    return palette;
}

void DressSkinForm(QWidget& form, const QString& title, QSize size)
{
    // The forms' text was laid out for an 11-pixel font, whatever the
    // screen's resolution setting: sizes are pixels throughout the skin.
    constexpr int kFormFontPixels = 11;
    form.setWindowTitle(title);
    form.setFixedSize(size);
    form.setPalette(SkinPalette());
    QFont font = form.font();
    font.setPixelSize(kFormFontPixels);
    form.setFont(font);
}

void ApplySkinToApplication()
{
    // The skin is drawn for one look of the standard controls everywhere.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(SkinPalette());
    QToolTip::setPalette(SkinPalette());
    QIcon icon;
    for (const int pixels : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(SkinAppIcon(pixels)));
    QApplication::setWindowIcon(icon);
}

} // namespace oq
