#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Encodes 8-bit RGBA pixels (width * height * 4 bytes, top row first) as the
// bytes of a PNG file. Throws std::runtime_error with a one-line reason.
std::vector<uint8_t> encodePng(int width, int height, const uint8_t* rgba);

// Writes 8-bit RGBA pixels (width * height * 4 bytes, top row first) as the PNG
// file `path`. Throws std::runtime_error with a one-line reason on failure and
// never leaves half a file behind.
void writePngFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);
