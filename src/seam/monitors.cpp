#include "seam/monitors.h"

#include <algorithm>

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
