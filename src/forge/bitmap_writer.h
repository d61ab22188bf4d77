#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forge/byte_writer.h"

// The two 16-bit pixel formats of OGF images.
constexpr uint8_t ogfArgb4444 = 121;
constexpr uint8_t ogfArgb1555 = 122;

// 8-bit channels to 16-bit pixels, each channel rounded to the nearest value
// the format holds (1-5-5-5 keeps alpha as one bit: 128 and above is opaque).
uint16_t encodeArgb4444(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
uint16_t encodeArgb1555(uint8_t r, uint8_t g, uint8_t b, uint8_t a);

// One run of the pixel data: `count` copies of `pixel`; a count of 0 means 1.
struct OgfRun {
    uint8_t count;
    uint16_t pixel;
};

// One OGF image record. Every field is written as set, so tests can build
// malformed records as easily as good ones; the runs are written as given.
struct OgfImage {
    uint16_t marker = 0;
    uint8_t format = ogfArgb4444;
    std::string imageName = "image";
    uint8_t levelCount = 1;
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<OgfRun> runs;

    // An image of `pixels` (width * height values, rows first), equal
    // neighbours joined into runs of at most 255.
    static OgfImage fromPixels(uint16_t width, uint16_t height, uint8_t format, const std::vector<uint16_t>& pixels);
    // The same from RGBA bytes (width * height * 4), encoded in `format`.
    static OgfImage fromRgba(uint16_t width, uint16_t height, uint8_t format, const std::vector<uint8_t>& rgba);

    // Stores `count` levels in all: appends runs of `filler` for each further
    // level, a quarter of the one before in pixel count, as the game does.
    OgfImage& storeLevels(uint8_t count, uint16_t filler = 0);
    OgfImage& run(uint8_t count, uint16_t pixel) {
        runs.push_back({count, pixel});
        return *this;
    }

    Bytes bytes() const;
};

// An OAF animation: a header naming the frame count, then one image record per frame.
struct OafAnimation {
    enum class Header {
        counted,  // the first byte is the frame count, then 16 bytes (a count of 127 can't be written so)
        marked    // 127, one byte, the frame count, 4 bytes
    };
    Header header = Header::counted;
    int frameCountOverride = -1;  // the count written, when not the number of frames
    std::vector<OgfImage> frames;

    // Throws std::invalid_argument for a count the header form cannot hold.
    Bytes bytes() const;
};
