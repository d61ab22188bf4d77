#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// One level of a texture's mipmap chain: RGBA bytes, rows in file order.
struct MipLevel {
    int32_t width = 0;
    int32_t height = 0;
    std::unique_ptr<uint8_t[]> pixels;
};

// The sides OpenGL gets for an image of `side` pixels when its mipmaps are
// built: a power of two, taking the larger one from one and a half of the
// smaller one up.
int32_t mipmapSide(int32_t side);

// Every level of the mipmap chain of a `width` x `height` RGBA image, made as
// GLU's gluBuild2DMipmaps makes them: the image is first resized to the sides
// of mipmapSide by an area-weighted box filter, then halved until both sides
// are 1. Level 0 is absent (pixels null) when the image already has those
// sides: it is the image itself. Pure arithmetic, no OpenGL: it runs on any
// thread. `stopped` is asked between levels; once true, the chain is left short.
std::vector<MipLevel> buildMipLevels(int32_t width, int32_t height, const uint8_t* rgba,
                                     bool (*stopped)() = nullptr);
