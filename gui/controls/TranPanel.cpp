#include "gui/controls/TranPanel.h"

#include <QPainter>

namespace oq {

namespace {

constexpr QSize kCreatedSize(185, 41);

} // namespace

TranPanel::TranPanel(QWidget* parent)
    : QWidget(parent)
{
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(kCreatedSize);
}

void TranPanel::SetBorder(bool on)
{
    if (on == border_)
        return;
    border_ = on;
    update();
}

void TranPanel::paintEvent(QPaintEvent*)
{
    if (!border_)
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace oq
