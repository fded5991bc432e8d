#include "gui/editor/ZoomView.h"

#include <QPainter>

namespace oq {

ZoomView::ZoomView(QWidget* parent) : QWidget(parent), picture_(kPicture.size())
{
    setGeometry(kPlace);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(tr("Zoom Display"));
}

void ZoomView::Draw(std::span<const int> heights, int centreColumn)
{
    picture_.DrawOutline(heights, WaveformPicture::Ending::Open, devicePixelRatioF());
    picture_.DrawColumnLine(centreColumn);
    update(kPicture);
}

void ZoomView::Clear()
{
    picture_.Clear(devicePixelRatioF());
    update(kPicture);
}

void ZoomView::paintEvent(QPaintEvent*)
{
    picture_.ChangeDevicePixelRatio(devicePixelRatioF());
    QPainter painter(this);
    painter.setPen(WaveformPicture::kOutline);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.drawImage(kPicture.topLeft(), picture_.Image());
}

} // namespace oq
