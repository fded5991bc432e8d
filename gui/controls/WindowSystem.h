#pragma once

namespace oq {

// What the window system the program runs on lets it do with its windows.
class WindowSystem {
public:
    // Wayland compositors place the windows, move them only themselves (for
    // a press of any button) and never tell a client where a window is:
    // there pos() is only the place last asked for.
    static bool PlacesWindowsItself();
};

} // namespace oq
