#include "render/frame_pixels.h"

#include <GL/gl.h>

#include <cstring>

#include "render/render_mode.h"

std::vector<uint8_t> readFramePixels(int width, int height) {
    if (width < 1 || height < 1) return {};
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> bottomUp(rowBytes * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> rgba(bottomUp.size());
    for (int y = 0; y < height; ++y)
        std::memcpy(rgba.data() + rowBytes * y, bottomUp.data() + rowBytes * (height - 1 - y), rowBytes);
    // The frame clears to alpha 0; on screen it is opaque, and so is the picture.
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    return rgba;
}

void drawBlankFrame(int width, int height) {
    glViewport(0, 0, width, height);
    const Vector& background = renderMode.backgroundColour;
    glClearColor(background.x, background.y, background.z, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
