#pragma once

#include <QObject>

namespace oq {

// Keeps the keys a text or number field edits with (Space, Delete,
// Backspace, Left, Right, Home, End, without Ctrl or Alt) from firing a
// window's shortcuts while the field has the focus. Installed as an event
// filter on each such field; it owns nothing.
class FieldKeyGuard : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Installs one guard, parented to `field`, on `field`.
    static void Install(QObject* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace oq
