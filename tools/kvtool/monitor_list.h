#pragma once

#include <string>
#include <vector>

#include "seam/monitors.h"

// kvtool render's --monitors: "WxH+X+Y" monitors, joined by ","; a leading "*"
// marks the primary. Throws std::invalid_argument naming the part that is not
// such a rectangle.
std::vector<Monitor> parseMonitorList(const std::string& text);
