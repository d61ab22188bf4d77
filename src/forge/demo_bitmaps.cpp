#include "forge/demo_bitmaps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "forge/bitmap_writer.h"

namespace {
using Rgba = std::vector<uint8_t>;

uint8_t clampByte(float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f)); }

// A repeatable value noise in [0, 1]: the demo must be the same on every build.
float hashNoise(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

// Smooth noise that tiles every `period` pixels.
float smoothNoise(float x, float y, int period, int seed) {
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
    auto at = [&](int xi, int yi) { return hashNoise(((xi % period) + period) % period, ((yi % period) + period) % period, seed); };
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const float top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const float bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return top + (bottom - top) * sy;
}

float fractal(int x, int y, int size, int seed) {
    float value = 0.0f, amplitude = 0.5f;
    for (int octave = 0, cells = 4; octave < 4; ++octave, cells *= 2, amplitude *= 0.5f) {
        const float scale = static_cast<float>(cells) / static_cast<float>(size);
        value += amplitude * smoothNoise(static_cast<float>(x) * scale, static_cast<float>(y) * scale, cells, seed + octave);
    }
    return value;
}

void put(Rgba& image, int width, int x, int y, float r, float g, float b, float a = 255.0f) {
    uint8_t* p = &image[(static_cast<size_t>(y) * width + x) * 4];
    p[0] = clampByte(r), p[1] = clampByte(g), p[2] = clampByte(b), p[3] = clampByte(a);
}

Rgba radialGlow(int size, float r, float g, float b, float ring, float pulse) {
    Rgba image(static_cast<size_t>(size) * size * 4);
    const float c = (static_cast<float>(size) - 1.0f) / 2.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float d = std::hypot(static_cast<float>(x) - c, static_cast<float>(y) - c) / c;
            const float core = std::exp(-d * d * 6.0f);
            const float halo = std::exp(-(d - ring) * (d - ring) * 40.0f) * 0.5f * pulse;
            const float a = std::min(1.0f, core + halo) * (d < 1.0f ? 1.0f : 0.0f);
            const float white = core * core;
            put(image, size, x, y, r + (255 - r) * white, g + (255 - g) * white, b + (255 - b) * white, a * 255.0f);
        }
    return image;
}
}  // namespace

Bytes hullPlateBitmap() {
    constexpr int size = 64;
    Rgba image(size * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int panelX = x / 16, panelY = (y + (panelX % 2) * 8) / 16;
            float shade = 150.0f + 25.0f * hashNoise(panelX, panelY, 7) + 18.0f * (fractal(x, y, size, 3) - 0.5f);
            const int seamX = x % 16, seamY = (y + (panelX % 2) * 8) % 16;
            if (seamX == 0 || seamY == 0) shade -= 55.0f;
            if (seamX == 1 || seamY == 1) shade += 20.0f;
            if ((seamX == 3 || seamX == 13) && (seamY == 3 || seamY == 13)) shade += 45.0f;  // rivets
            put(image, size, x, y, shade * 0.92f, shade * 0.96f, shade * 1.05f);
        }
    return OgfImage::fromRgba(size, size, ogfArgb1555, image).storeLevels(4).bytes();
}

Bytes paleRockBitmap() {
    constexpr int size = 64;
    Rgba image(size * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float n = fractal(x, y, size, 11);
            const float vein = std::abs(std::sin((static_cast<float>(x) * 0.15f + n * 6.0f)));
            const float v = 170.0f + 70.0f * n + 18.0f * vein;
            put(image, size, x, y, v, v * 0.97f, v * 0.9f);
        }
    return OgfImage::fromRgba(size, size, ogfArgb4444, image).storeLevels(3).bytes();
}

Bytes engineGlowAnimation() {
    OafAnimation animation;
    for (int frame = 0; frame < 4; ++frame) {
        const float pulse = 0.4f + 0.2f * static_cast<float>(frame);
        animation.frames.push_back(
            OgfImage::fromRgba(32, 32, ogfArgb4444, radialGlow(32, 90, 150, 255, 0.45f + 0.1f * frame, pulse)));
    }
    return animation.bytes();
}

Bytes runningLightsBitmap() {
    constexpr int width = 32, height = 8;
    Rgba image(width * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float d = std::hypot(static_cast<float>(x % 8) - 3.5f, static_cast<float>(y) - 3.5f);
            const float light = std::max(0.0f, 1.0f - d / 3.5f);
            const bool red = (x / 8) % 2 == 0;
            put(image, width, x, y, 40 + 215 * light, (red ? 30 : 200) * light + 20, (red ? 20 : 90) * light + 20);
        }
    return OgfImage::fromRgba(width, height, ogfArgb1555, image).bytes();
}

Bytes beaconGlowBitmap() {
    return OgfImage::fromRgba(32, 32, ogfArgb4444, radialGlow(32, 255, 170, 60, 0.6f, 0.6f)).bytes();
}

Bytes solarPanelBitmap() {
    constexpr int size = 32;
    Rgba image(size * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool grid = x % 8 == 0 || y % 8 == 0;
            const float glint = 30.0f * hashNoise(x / 8, y / 8, 5);
            if (grid) put(image, size, x, y, 170, 175, 185);
            else put(image, size, x, y, 20 + glint * 0.3f, 45 + glint, 120 + glint * 2);
        }
    return OgfImage::fromRgba(size, size, ogfArgb1555, image).bytes();
}

Bytes glassBitmap() {
    constexpr int size = 16;
    Rgba image(size * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float streak = (x + y) % 11 < 2 ? 60.0f : 0.0f;
            put(image, size, x, y, 120 + streak, 200 + streak * 0.5f, 230 + streak * 0.3f);
        }
    return OgfImage::fromRgba(size, size, ogfArgb4444, image).bytes();
}
