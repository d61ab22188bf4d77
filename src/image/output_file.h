#pragma once

#include <cstddef>
#include <string>

// Writes `size` bytes as the file `path` through a temporary name beside it, so
// a failure never leaves half a file and never harms a file already there.
// Throws std::runtime_error with a one-line reason.
void writeFileWhole(const std::string& path, const void* data, size_t size);
