#pragma once

#include <string>
#include <vector>

#include "seam/saver_platform.h"

// The monitors of the screen (in screen coordinates) as parts of a window that
// lies at `window` on the screen: each intersected with the window and moved
// into its coordinates; those that do not touch it, and copies of one already
// listed (mirrored monitors), left out; left to right, then top to bottom.
// When none is left, the whole window is the one monitor. When none is
// primary, the first is.
std::vector<Monitor> monitorsInWindow(const std::vector<Monitor>& screen, const ClientRect& window);

// "WxH+X+Y" monitors, joined by ","; a leading "*" marks the primary. Throws
// std::invalid_argument naming the part that is not such a rectangle.
std::vector<Monitor> parseMonitorList(const std::string& text);
