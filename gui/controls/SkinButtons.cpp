#include "gui/controls/SkinButtons.h"

#include "gui/controls/SkinPainting.h"
#include "gui/controls/SkinSymbols.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <functional>

namespace oq {

using namespace skin;

namespace {

// The key colour of button pictures: nowhere in the skin's own palette.
constexpr QRgb kKey = qRgb(255, 0, 255);

enum class State { Idle, Hover, Down, Disabled };
constexpr State kStates[] = {State::Idle, State::Hover, State::Down, State::Disabled};

Look LightLook(State state)
{
    switch (state) {
    case State::Idle:
        return {QColor(0xfd, 0xfb, 0xf7), QColor(0xe3, 0xdc, 0xd0), QColor(0x8c, 0x82, 0x73), QColor(255, 255, 255, 190),
                SkinColours::Ink(), SkinColours::Accent(), QColor(0xfb, 0xc5, 0x8c), 0, false};
    case State::Hover:
        return {QColor(0xff, 0xfe, 0xfb), QColor(0xf6, 0xec, 0xdd), QColor(0xdd, 0x6c, 0x0a), QColor(255, 255, 255, 230),
                QColor(0x1f, 0x1c, 0x19), QColor(0xff, 0x86, 0x14), QColor(0xfd, 0xcf, 0x9b), 0, true};
    case State::Down:
        return {QColor(0xcf, 0xc7, 0xba), QColor(0xe6, 0xe0, 0xd6), QColor(0x6a, 0x61, 0x55), QColor(0, 0, 0, 0),
                QColor(0x1f, 0x1c, 0x19), SkinColours::AccentDeep(), QColor(0xf0, 0xae, 0x6c), 1, false};
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
                QColor(0xe6, 0xe0, 0xd6), SkinColours::Accent(), SkinColours::Accent(), 0, false};
    case State::Hover:
        if (danger)
            return {QColor(0xe0, 0x5a, 0x3c), QColor(0xbb, 0x3a, 0x22), QColor(0x6e, 0x1c, 0x0e),
                    QColor(255, 255, 255, 70), Qt::white, SkinColours::Accent(), SkinColours::Accent(), 0, true};
        return {QColor(0x6d, 0x74, 0x80), QColor(0x54, 0x5a, 0x64), QColor(0x1e, 0x20, 0x24), QColor(255, 255, 255, 70),
                Qt::white, SkinColours::Accent(), SkinColours::Accent(), 0, true};
    case State::Down:
        return {QColor(0x2c, 0x2f, 0x35), QColor(0x3b, 0x3f, 0x47), QColor(0x12, 0x13, 0x16), QColor(0, 0, 0, 0),
                QColor(0xf4, 0xef, 0xe7), SkinColours::Accent(), SkinColours::Accent(), 1, false};
    case State::Disabled:
        break;
    }
    return {QColor(0x4a, 0x4e, 0x56), QColor(0x40, 0x44, 0x4c), QColor(0x2a, 0x2d, 0x32), QColor(0, 0, 0, 0),
            QColor(0x7c, 0x80, 0x88), SkinColours::Accent(), SkinColours::Accent(), 0, false};
}

struct ButtonStyle {
    QSize size;
    qreal radius = 6;
    QColor ground = SkinColours::Face(); // the skin under the button, for its edge pixels
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
    return QColor((SkinColours::TitleTop().red() + SkinColours::TitleBottom().red()) / 2, (SkinColours::TitleTop().green() + SkinColours::TitleBottom().green()) / 2,
                  (SkinColours::TitleTop().blue() + SkinColours::TitleBottom().blue()) / 2);
}

} // namespace

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

} // namespace oq
