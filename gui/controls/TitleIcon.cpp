#include "gui/controls/TitleIcon.h"

#include <QMouseEvent>

namespace oq {

TitleIcon::TitleIcon(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
}

void TitleIcon::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) {
        event->ignore();
        return;
    }
    event->accept();
    emit menuRequested(MenuPlace());
}

QPoint TitleIcon::MenuPlace() const
{
    return mapToGlobal(rect().bottomLeft() + QPoint(0, 1));
}

} // namespace oq
