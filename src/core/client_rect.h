#pragma once

#include <cstdint>

// A rectangle of a window in pixels, from its top-left corner: right and bottom
// are one past the last column and row.
struct ClientRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool operator==(const ClientRect&) const = default;
    bool overlaps(const ClientRect& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
};
