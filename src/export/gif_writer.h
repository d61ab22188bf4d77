#pragma once

#include <cstdint>
#include <vector>

// An animated GIF of equally sized RGBA frames (rows top first; alpha is
// ignored), every frame shown for `delayCentiseconds` (GIF's unit: 10 ms),
// looping for ever. One palette for all frames, by median cut over the
// pixels of every frame (colour_quantizer.h), without dithering, so that a
// still part of the picture keeps its colours from frame to frame. After the
// first frame each frame holds only the rectangle that changed. Written here,
// LZW and all, so that Linux and Windows write the same bytes.
class GifAnimation {
public:
    GifAnimation(int width, int height, int delayCentiseconds);

    // Takes a copy of the frame's colours; `rgba` must hold width * height * 4 bytes.
    void addFrame(const std::vector<uint8_t>& rgba);
    // The file's bytes; throws "No frames to write" without frames.
    std::vector<uint8_t> encode() const;

private:
    int width_, height_, delay_;
    std::vector<std::vector<uint8_t>> frames_;  // RGB
};
