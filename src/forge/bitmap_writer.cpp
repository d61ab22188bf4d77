#include "forge/bitmap_writer.h"

#include <stdexcept>

namespace {
unsigned toBits(uint8_t value, unsigned maximum) { return (value * maximum + 127) / 255; }

// Bytes the reader steps over, filled with something other than zeros so
// that a reader which looked at them would notice.
constexpr uint8_t padding = 0xA5;
}  // namespace

uint16_t encodeArgb4444(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return static_cast<uint16_t>(toBits(a, 15) << 12 | toBits(r, 15) << 8 | toBits(g, 15) << 4 | toBits(b, 15));
}

uint16_t encodeArgb1555(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return static_cast<uint16_t>((a >= 128 ? 0x8000 : 0) | toBits(r, 31) << 10 | toBits(g, 31) << 5 | toBits(b, 31));
}

OgfImage OgfImage::fromPixels(uint16_t width, uint16_t height, uint8_t format, const std::vector<uint16_t>& pixels) {
    if (pixels.size() != static_cast<size_t>(width) * height) throw std::invalid_argument("pixel count differs from the size");
    OgfImage image;
    image.format = format;
    image.width = width;
    image.height = height;
    for (const uint16_t pixel : pixels) {
        if (!image.runs.empty() && image.runs.back().pixel == pixel && image.runs.back().count < 255)
            ++image.runs.back().count;
        else
            image.runs.push_back({1, pixel});
    }
    return image;
}

OgfImage OgfImage::fromRgba(uint16_t width, uint16_t height, uint8_t format, const std::vector<uint8_t>& rgba) {
    if (rgba.size() != static_cast<size_t>(width) * height * 4) throw std::invalid_argument("byte count differs from the size");
    std::vector<uint16_t> pixels;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        pixels.push_back(format == ogfArgb1555 ? encodeArgb1555(rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3])
                                               : encodeArgb4444(rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]));
    }
    return fromPixels(width, height, format, pixels);
}

OgfImage& OgfImage::storeLevels(uint8_t count, uint16_t filler) {
    levelCount = count;
    size_t levelPixels = static_cast<size_t>(width) * height;
    for (int level = 1; level < count; ++level) {
        levelPixels /= 4;
        for (size_t left = levelPixels; left > 0;) {
            const uint8_t part = left > 255 ? 255 : static_cast<uint8_t>(left);
            runs.push_back({part, filler});
            left -= part;
        }
    }
    return *this;
}

Bytes OgfImage::bytes() const {
    ByteWriter out;
    out.u16(marker).u8(format).cstring(imageName).u8(levelCount);
    for (int i = 0; i < 9; ++i) out.u8(padding);
    out.u16(width).u16(height).u8(padding).u8(padding);
    for (const OgfRun& r : runs) out.u8(r.count).u16(r.pixel);
    return out.take();
}

Bytes OafAnimation::bytes() const {
    const int count = frameCountOverride >= 0 ? frameCountOverride : static_cast<int>(frames.size());
    if (count > 255 || (header == Header::counted && count == 127))
        throw std::invalid_argument("the OAF header cannot hold this frame count");
    ByteWriter out;
    if (header == Header::counted) {
        out.u8(static_cast<uint8_t>(count));
        for (int i = 0; i < 16; ++i) out.u8(padding);
    } else {
        out.u8(127).u8(padding).u8(static_cast<uint8_t>(count));
        for (int i = 0; i < 4; ++i) out.u8(padding);
    }
    for (const OgfImage& frame : frames) out.raw(frame.bytes());
    return out.take();
}
