#include "gui/controls/WindowSystem.h"

#include <QGuiApplication>

namespace oq {

bool WindowSystem::PlacesWindowsItself()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace oq
