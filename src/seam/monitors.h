#pragma once

#include <vector>

#include "core/client_rect.h"

// A monitor that the saver's window covers: its part of the window, in the
// window's coordinates. Each platform lists its screen's monitors (RandR or
// Xinerama on X11, EnumDisplayMonitors on Windows) and gives the saver those
// inside its window through monitorsInWindow; the saver lays its shows out on them.
struct Monitor {
    ClientRect area;
    bool primary = false;
    bool operator==(const Monitor&) const = default;
};

// The monitors of the screen (in screen coordinates) as parts of a window that
// lies at `window` on the screen: each intersected with the window and moved
// into its coordinates; those that do not touch it, and copies of one already
// listed (mirrored monitors), left out; left to right, then top to bottom.
// When none is left, the whole window is the one monitor. When none is
// primary, the first is.
std::vector<Monitor> monitorsInWindow(const std::vector<Monitor>& screen, const ClientRect& window);
