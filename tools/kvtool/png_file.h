#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes 8-bit RGBA pixels (width * height * 4 bytes, top row first) as a PNG
// file; throws ToolError about `path` on failure and never leaves half a file.
void writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);
