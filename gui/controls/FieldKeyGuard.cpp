#include "gui/controls/FieldKeyGuard.h"

#include <QKeyEvent>

namespace oq {

void FieldKeyGuard::Install(QObject* field)
{
    field->installEventFilter(new FieldKeyGuard(field));
}

bool FieldKeyGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (key->key()) {
    case Qt::Key_Space:
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        // An accepted override sends the key on to the field as a key press.
        event->accept();
        return true;
    default:
        return false;
    }
}

} // namespace oq
