// The mipmap chain that gluBuild2DMipmaps uploads, made without OpenGL so that
// it can be made off the thread that draws. Byte for byte the same: the sums
// below are made in GLU's order and in single precision, since a different
// order rounds differently and truncation turns that into another byte.
#include "textures/mip_levels.h"

#include <cmath>
#include <cstring>

// A fused multiply-add rounds once where GLU's code rounds twice.
#pragma GCC optimize("fp-contract=off")

namespace {
constexpr int channels = 4;

// A position along one side of the source image, in whole pixels and a
// fraction that may reach 1.0 (the edge of the next pixel, not yet carried).
struct Edge {
    int32_t whole = 0;
    float part = 0.0f;

    void advance(int32_t stepWhole, float stepPart) {
        whole += stepWhole;
        part += stepPart;
        if (part > 1.0f) {
            part -= 1.0f;
            ++whole;
        }
    }
};

MipLevel emptyLevel(int32_t width, int32_t height) {
    MipLevel level;
    level.width = width;
    level.height = height;
    // Every byte is written next: no zeroing first.
    level.pixels.reset(new uint8_t[static_cast<size_t>(width) * height * channels]);
    return level;
}

// The image resized to `out` sides by an area-weighted box filter. Each output
// pixel covers conv source pixels a side (between 2/3 and 3/2 here, so at most
// three rows and columns): the partly covered edge rows first, then the edge
// columns, then the pixels covered whole.
void resize(int32_t inWidth, int32_t inHeight, const uint8_t* in, MipLevel& out) {
    const float convX = static_cast<float>(inWidth) / static_cast<float>(out.width);
    const float convY = static_cast<float>(inHeight) / static_cast<float>(out.height);
    const auto stepX = static_cast<int32_t>(std::floor(convX));
    const auto stepY = static_cast<int32_t>(std::floor(convY));
    const float partX = convX - static_cast<float>(stepX);
    const float partY = convY - static_cast<float>(stepY);
    const float area = convX * convY;
    // A pixel past the image's edge is only ever met with weight 0.
    const auto at = [&](int32_t x, int32_t y, int k) -> float {
        if (x >= inWidth || y >= inHeight) return 0.0f;
        return in[(static_cast<size_t>(y) * inWidth + x) * channels + k];
    };

    Edge lowY, highY{stepY, partY};
    uint8_t* written = out.pixels.get();
    for (int32_t row = 0; row < out.height; ++row) {
        // GLU keeps the last row inside the image this way, so where the height
        // is already a power of two (conv 1) the last row gets weight 0: black.
        if (highY.whole >= inHeight) highY.whole = inHeight - 1;
        Edge lowX, highX{stepX, partX};
        for (int32_t column = 0; column < out.width; ++column) {
            for (int k = 0; k < channels; ++k) {
                float total = 0.0f;
                // One row's share: its first and last pixels in part, the ones between whole.
                const auto rowShare = [&](int32_t y, float weight) {
                    total += at(lowX.whole, y, k) * (weight * (1.0f - lowX.part));
                    for (int32_t x = lowX.whole + 1; x < highX.whole; ++x) total += at(x, y, k) * weight;
                    total += at(highX.whole, y, k) * (weight * highX.part);
                };
                if (highY.whole > lowY.whole && highX.whole > lowX.whole) {
                    rowShare(lowY.whole, 1.0f - lowY.part);
                    rowShare(highY.whole, highY.part);
                    for (int32_t y = lowY.whole + 1; y < highY.whole; ++y)
                        total += at(lowX.whole, y, k) * (1.0f - lowX.part) + at(highX.whole, y, k) * highX.part;
                } else if (highY.whole > lowY.whole) {
                    const float weight = highX.part - lowX.part;
                    total += at(lowX.whole, lowY.whole, k) * ((1.0f - lowY.part) * weight);
                    for (int32_t y = lowY.whole + 1; y < highY.whole; ++y) total += at(lowX.whole, y, k) * weight;
                    total += at(lowX.whole, highY.whole, k) * (weight * highY.part);
                } else if (highX.whole > lowX.whole) {
                    rowShare(lowY.whole, highY.part - lowY.part);
                } else {
                    total += at(lowX.whole, lowY.whole, k) * ((highY.part - lowY.part) * (highX.part - lowX.part));
                }
                for (int32_t y = lowY.whole + 1; y < highY.whole; ++y)
                    for (int32_t x = lowX.whole + 1; x < highX.whole; ++x) total += at(x, y, k);
                *written++ = static_cast<uint8_t>(total / area);
            }
            lowX = highX;
            highX.advance(stepX, partX);
        }
        lowY = highY;
        highY.advance(stepY, partY);
    }
}

// The next level: each pixel the rounded mean of the 2 x 2 block it comes
// from, or of the two pixels along the one side longer than 1 (truncated).
MipLevel halve(int32_t width, int32_t height, const uint8_t* in) {
    MipLevel out = emptyLevel(width > 1 ? width / 2 : 1, height > 1 ? height / 2 : 1);
    uint8_t* written = out.pixels.get();
    const size_t rowBytes = static_cast<size_t>(width) * channels;
    if (width == 1 || height == 1) {
        const size_t step = width == 1 ? rowBytes : channels;
        const int32_t count = width == 1 ? out.height : out.width;
        for (int32_t i = 0; i < count; ++i) {
            const uint8_t* a = in + 2 * i * step;
            for (int k = 0; k < channels; ++k) *written++ = static_cast<uint8_t>((a[k] + a[step + k]) / 2);
        }
        return out;
    }
    for (int32_t y = 0; y < out.height; ++y) {
        const uint8_t* top = in + 2 * y * rowBytes;
        const uint8_t* bottom = top + rowBytes;
        for (int32_t x = 0; x < out.width; ++x, top += 2 * channels, bottom += 2 * channels)
            for (int k = 0; k < channels; ++k)
                *written++ = static_cast<uint8_t>((top[k] + top[channels + k] + bottom[k] + bottom[channels + k] + 2) / 4);
    }
    return out;
}
}  // namespace

int32_t mipmapSide(int32_t side) {
    int32_t power = 1;
    while (side > 3) {
        side >>= 1;
        power <<= 1;
    }
    return side == 3 ? power * 4 : side == 2 ? power * 2 : power;
}

std::vector<MipLevel> buildMipLevels(int32_t width, int32_t height, const uint8_t* rgba, bool (*stopped)()) {
    std::vector<MipLevel> levels;
    MipLevel first;
    first.width = mipmapSide(width);
    first.height = mipmapSide(height);
    if (first.width != width || first.height != height) {
        first = emptyLevel(first.width, first.height);
        resize(width, height, rgba, first);
    }
    levels.push_back(std::move(first));
    while (levels.back().width > 1 || levels.back().height > 1) {
        if (stopped != nullptr && stopped()) break;
        const MipLevel& last = levels.back();
        levels.push_back(halve(last.width, last.height, last.pixels ? last.pixels.get() : rgba));
    }
    return levels;
}
