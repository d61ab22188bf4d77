#include "monitor_list.h"

#include <cstdio>
#include <stdexcept>

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
