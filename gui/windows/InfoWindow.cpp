#include "gui/windows/InfoWindow.h"

#include "media/OggInformationText.h"
#include "gui/windows/Player.h"
#include "gui/controls/EzRgnButton.h"
#include "gui/controls/Skin.h"
#include "gui/controls/WindowDragger.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>

namespace oq {

namespace {

constexpr QRect kInfoMemoPlace{9, 43, 228, 150};
constexpr QPoint kVolumeLabelPlace{9, 200};
constexpr QRect kVolTrackPlace{9, 216, 225, 17};
constexpr QPoint kClosePlace{223, 7};
constexpr int kFontPoints = 8;
constexpr int kVolumeMax = 65535;
constexpr int kTabGapPixels = 6; // least space between a name and its value

// The text's values are aligned with tabs: short names ("Bit Rate:") are
// followed by two, long ones ("Sampling Rate:") by one. A stop wider than
// every short name and half as wide as the longest long one brings all
// values to the second stop, whatever the font's widths.
qreal TabStopFor(const QStringList& lines, const QFontMetricsF& metrics)
{
    qreal shortNames = 0;
    qreal longNames = 0;
    for (const QString& line : lines) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0)
            continue;
        const qreal width = metrics.horizontalAdvance(line.left(tab)) + kTabGapPixels;
        if (line.mid(tab).startsWith(QStringLiteral("\t\t")))
            shortNames = std::max(shortNames, width);
        else
            longNames = std::max(longNames, width);
    }
    return std::max(shortNames, longNames / 2);
}

} // namespace

InfoWindow::InfoWindow(Player& volume, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), volume_(volume), image1_(new QLabel(this)),
      infoMemo1_(new QPlainTextEdit(this)), zoomLbl4_(new QLabel(this)), volTrack_(new QSlider(Qt::Horizontal, this)),
      infoClose_(new EzRgnButton(this))
{
    setObjectName(QStringLiteral("OggInfoForm"));
    setWindowTitle(tr("Ogg Information"));
    setFixedSize(kSize);
    setPalette(SkinPalette());
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(kFontPoints);
    setFont(font);

    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setGeometry(QRect(QPoint(0, 0), kSize));
    image1_->setPixmap(SkinBackground(SkinWindow::Information, devicePixelRatioF()));
    WindowDragger::Install(image1_);

    infoMemo1_->setObjectName(QStringLiteral("InfoMemo1"));
    infoMemo1_->setGeometry(kInfoMemoPlace);
    infoMemo1_->setReadOnly(true);
    infoMemo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    infoMemo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    infoMemo1_->setToolTip(tr("Ogg Information"));

    zoomLbl4_->setObjectName(QStringLiteral("ZoomLbl4"));
    zoomLbl4_->setText(tr("Wave Volume:"));
    zoomLbl4_->move(kVolumeLabelPlace);
    zoomLbl4_->adjustSize();

    volTrack_->setObjectName(QStringLiteral("VolTrack"));
    volTrack_->setGeometry(kVolTrackPlace);
    volTrack_->setRange(0, kVolumeMax);
    volTrack_->setSingleStep(kVolumeStep);
    volTrack_->setPageStep(kVolumeStep * 10);
    volTrack_->setTickPosition(QSlider::NoTicks);
    volTrack_->setToolTip(tr("Wave Volume"));
    connect(volTrack_, &QSlider::valueChanged, this, &InfoWindow::VolTrackChange);

    infoClose_->setObjectName(QStringLiteral("infoClose"));
    infoClose_->SetImageList({SkinButtonPictures(SkinButton::Close, devicePixelRatioF()).value(0)});
    infoClose_->SetPaintMode(PaintMode::pmCrop);
    infoClose_->move(kClosePlace);
    infoClose_->setToolTip(tr("Close"));
    infoClose_->setCursor(Qt::PointingHandCursor);
    connect(infoClose_, &EzRgnButton::clicked, this, &QWidget::hide);
    infoClose_->AddShortcut(QKeySequence(Qt::Key_Escape)); // as a dialog's Cancel

    ReadVolume();
}

void InfoWindow::ShowOggInformation(const MPEGData& record)
{
    QStringList lines;
    for (const std::string& line : ComposeOggInformation(record).Lines)
        lines.append(QString::fromStdString(line));
    const qreal stop = TabStopFor(lines, QFontMetricsF(infoMemo1_->font()));
    if (stop > 0)
        infoMemo1_->setTabStopDistance(stop);
    const QString text = lines.join(QLatin1Char('\n'));
    // Unchanged text keeps where the user scrolled to.
    if (infoMemo1_->toPlainText() != text)
        infoMemo1_->setPlainText(text);
}

void InfoWindow::ReadVolume()
{
    std::uint16_t left = 0;
    std::uint16_t right = 0;
    if (!volume_.GetWaveVolume(left, right))
        return;
    const QSignalBlocker quiet(volTrack_);
    volTrack_->setValue(left);
}

void InfoWindow::VolTrackChange(int position)
{
    const auto level = static_cast<std::uint32_t>(position) & 0xFFFF;
    volume_.SetWaveVolume(level | (level << 16));
}

bool InfoWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        ReadVolume();
    return QWidget::event(event);
}

} // namespace oq
