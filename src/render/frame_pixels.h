#pragma once

#include <cstdint>
#include <vector>

// The frame just drawn, read back from the buffer being drawn into (before the
// swap shows it): width * height RGBA pixels, top row first, opaque.
std::vector<uint8_t> readFramePixels(int width, int height);

// An empty frame in the background colour, for a window with nothing to show.
void drawBlankFrame(int width, int height);
