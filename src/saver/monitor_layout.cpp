#include "saver/monitor_layout.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

std::vector<Monitor> monitorsInWindow(const std::vector<Monitor>& screen, const ClientRect& window) {
    std::vector<Monitor> inside;
    for (const Monitor& monitor : screen) {
        const ClientRect& area = monitor.area;
        const ClientRect part{std::max(area.left, window.left) - window.left, std::max(area.top, window.top) - window.top,
                              std::min(area.right, window.right) - window.left,
                              std::min(area.bottom, window.bottom) - window.top};
        if (part.width() <= 0 || part.height() <= 0) continue;
        auto same = std::find_if(inside.begin(), inside.end(), [&](const Monitor& m) { return m.area == part; });
        if (same != inside.end()) same->primary |= monitor.primary;
        else inside.push_back({part, monitor.primary});
    }
    if (inside.empty()) return {{{0, 0, window.width(), window.height()}, true}};
    std::stable_sort(inside.begin(), inside.end(), [](const Monitor& a, const Monitor& b) {
        return a.area.left != b.area.left ? a.area.left < b.area.left : a.area.top < b.area.top;
    });
    // One primary at most: the first one marked, else the first.
    auto primary = std::find_if(inside.begin(), inside.end(), [](const Monitor& m) { return m.primary; });
    if (primary == inside.end()) primary = inside.begin();
    for (Monitor& monitor : inside) monitor.primary = &monitor == &*primary;
    return inside;
}

std::vector<Monitor> parseMonitorList(const std::string& text) {
    std::vector<Monitor> monitors;
    size_t from = 0;
    while (true) {
        const size_t comma = text.find(',', from);
        std::string part = text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        Monitor monitor;
        std::string rectangle = part;
        if (!rectangle.empty() && rectangle[0] == '*') {
            monitor.primary = true;
            rectangle.erase(0, 1);
        }
        int width = 0, height = 0, x = 0, y = 0, used = 0;
        // sscanf would skip blanks before each number; a rectangle has none.
        constexpr int largest = 32767;
        if (rectangle.find_first_of(" \t") != std::string::npos ||
            std::sscanf(rectangle.c_str(), "%dx%d%d%d%n", &width, &height, &x, &y, &used) != 4 ||
            used != static_cast<int>(rectangle.size()) || width <= 0 || height <= 0 || width > largest ||
            height > largest || x < -largest || x > largest || y < -largest || y > largest)
            throw std::invalid_argument("not WxH+X+Y: " + part);
        monitor.area = {x, y, x + width, y + height};
        monitors.push_back(monitor);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return monitors;
}
