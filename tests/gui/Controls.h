#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace oq::test {

// The control of type T whose objectName is `name` inside `window`; a
// missing control ends the test program, since every later check would fail.
template <typename T>
T* FindControl(const QObject& window, const char* name)
{
    auto* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

} // namespace oq::test
