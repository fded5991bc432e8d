#include "gui/controls/SkinPainting.h"

#include "gui/controls/SkinLogo.h"
#include "gui/controls/SkinPalette.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>

namespace oq::skin {

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

QFont SkinFont(qreal pixels, QFont::Weight weight)
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

void PaintWell(QPainter& p, const QRectF& r, qreal radius)
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

void PaintPlate(QPainter& p, const QRectF& r, qreal radius)
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

void PaintCaption(QPainter& p, const QRectF& r, const QString& text, Qt::Alignment align, qreal pixels,
                  QFont::Weight weight)
{
    p.setFont(SkinFont(pixels, weight));
    p.setPen(SkinColours::InkSoft());
    p.drawText(r, align, text);
}

void PaintFrame(QPainter& p, QSize size, int titleHeight, const QString& title, bool logo)
{
    const QRectF all(0, 0, size.width(), size.height());
    QLinearGradient face(all.topLeft(), all.bottomLeft());
    face.setColorAt(0, SkinColours::FaceLight());
    face.setColorAt(0.35, SkinColours::Face());
    face.setColorAt(1, QColor(0xd2, 0xcb, 0xc0));
    p.fillRect(all, face);

    const QRectF strip(0, 0, size.width(), titleHeight);
    QLinearGradient dark(strip.topLeft(), strip.bottomLeft());
    dark.setColorAt(0, SkinColours::TitleTop());
    dark.setColorAt(1, SkinColours::TitleBottom());
    p.fillRect(strip, dark);
    p.fillRect(QRectF(0, titleHeight - 2, size.width(), 2), SkinColours::Accent());
    p.fillRect(QRectF(0, titleHeight, size.width(), 1), QColor(255, 255, 255, 120));
    p.fillRect(QRectF(1, 1, size.width() - 2, 1), QColor(255, 255, 255, 40));

    qreal textLeft = 12;
    if (logo) {
        const QRectF place = TitleLogoPlace(titleHeight);
        PaintLogo(p, place);
        textLeft = place.right() + 8;
    }
    p.setFont(SkinFont(13, QFont::Bold));
    p.setPen(SkinColours::TitleInk());
    p.drawText(QRectF(textLeft, 0, size.width() - textLeft, titleHeight - 2), Qt::AlignLeft | Qt::AlignVCenter, title);

    p.setPen(QPen(SkinColours::Outline(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace oq::skin
