#include "gui/controls/Skin.h"

#include "gui/controls/SkinLogo.h"
#include "gui/controls/SkinPainting.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QStyleFactory>
#include <QToolTip>
#include <QWidget>

namespace oq {

using namespace skin;

namespace {

constexpr int kDialogTitleHeight = 32;
constexpr int kProgressTitleHeight = 28;
// The wizards' button strip: a well 40 pixels high, 6 from the foot.
constexpr int kFootWellHeight = 40;
constexpr int kFootWellMargin = 6;

QRectF FootWell(QSize size)
{
    return {kFootWellMargin, static_cast<qreal>(size.height() - kFootWellMargin - kFootWellHeight),
            static_cast<qreal>(size.width() - 2 * kFootWellMargin), kFootWellHeight};
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
        PaintWell(p, FootWell(size));
        return;
    case SkinWindow::SaveWizard:
        PaintFrame(p, size, kDialogTitleHeight, Tr("Save Wizard"), false);
        PaintWell(p, FootWell(size));
        return;
    }
}

} // namespace

QSize SkinWindowSize(SkinWindow window)
{
    switch (window) {
    case SkinWindow::Progress:
        return {224, 119};
    case SkinWindow::Information:
        return {247, 243};
    case SkinWindow::SplitWizard:
        return {392, 440};
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
        PaintDialogBackground(p, window);
    }
    return QPixmap::fromImage(image);
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
