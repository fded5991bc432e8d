#include "gui/editor/MainWindowSkin.h"

#include "gui/controls/SkinPainting.h"
#include "gui/controls/SkinPalette.h"
#include "gui/editor/MainWindowLayout.h"
#include "gui/editor/OverviewView.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace oq {

using namespace skin;

namespace {

using Layout = MainWindowLayout;

// The overview's picture, where the background frames it.
constexpr QRectF kOverviewClient = QRectF(OverviewView::kPicture.translated(Layout::kOverview.topLeft()));

void PaintBackground(QPainter& p)
{
    const QSize size = Layout::kClientSize;
    PaintFrame(p, size, Layout::kTitleHeight, Tr("Ogg Quorvel 2003"), true);

    PaintWell(p, Layout::kFileButtonWell); // the file buttons
    PaintWell(p, Layout::kToolButtonWell); // the tool buttons

    // The display: ruler, overview and marker rail on one light plate.
    PaintPlate(p, Layout::kDisplayPlate);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 30));
    p.drawRoundedRect(kOverviewClient.adjusted(-2.5, -2.5, 2.5, 2.5), 2, 2);
    QLinearGradient rail(0, 277, 0, 293);
    rail.setColorAt(0, QColor(0xd9, 0xd3, 0xc8));
    rail.setColorAt(1, QColor(0xe6, 0xe1, 0xd9));
    p.setBrush(rail);
    p.drawRoundedRect(QRectF(kOverviewClient.left() - 1, 277, kOverviewClient.width() + 2, 16), 3, 3);
    p.setPen(QPen(SkinColours::InkSoft(), 1));
    for (int quarter = 0; quarter <= 4; ++quarter) {
        const qreal x = std::round(kOverviewClient.left() + (kOverviewClient.width() - 1) * quarter / 4.0) + 0.5;
        p.drawLine(QPointF(x, 141), QPointF(x, 143.5));
    }

    // The name of the open file.
    PaintWell(p, Layout::kFileNameWell, 5);

    // Marker, section and zoom groups.
    PaintPlate(p, Layout::kMarkerPlate);
    PaintPlate(p, Layout::kSectionPlate);
    PaintPlate(p, Layout::kZoomPlate);
    PaintCaption(p, QRectF(63, 363, 36, 11), Tr("seconds"), Qt::AlignCenter, 9, QFont::Normal);
    PaintCaption(p, QRectF(15, 375, 120, 14), Tr("Marker"));
    PaintCaption(p, QRectF(15, 419, 66, 21), Tr("Position"));
    PaintCaption(p, QRectF(166, 336, 100, 15), Tr("Sections:"));
    PaintCaption(p, QRectF(166, 390, 100, 21), Tr("Length"));
    PaintCaption(p, QRectF(166, 419, 100, 21), Tr("Size (Kb)"));

    PaintCaption(p, QRectF(0, 514, size.width(), 16), Tr("Lossless Ogg Vorbis and Opus section editor"),
                 Qt::AlignCenter, 10, QFont::Normal);
}

} // namespace

QPixmap MainWindowBackground(qreal dpr)
{
    QImage image = Blank(MainWindowLayout::kClientSize, dpr);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        PaintBackground(p);
    }
    return QPixmap::fromImage(image);
}

} // namespace oq
