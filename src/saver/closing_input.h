#pragma once

#include <cstdlib>

// Mouse movement that closes a full-screen saver: more than this many pixels,
// horizontal and vertical distance summed, from where the pointer was when it
// was last recorded. Small moves change nothing, so they add up until one
// passes the distance.
inline constexpr int mouseCloseDistance = 4;

inline bool movedFarEnoughToClose(int dx, int dy) { return std::abs(dx) + std::abs(dy) > mouseCloseDistance; }
