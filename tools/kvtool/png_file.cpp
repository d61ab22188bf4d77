#include "png_file.h"

#include <png.h>

#include <cstdlib>

#include "tool_support.h"

void writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
    if (width < 1 || height < 1 || rgba.size() != static_cast<size_t>(width) * height * 4)
        throw ToolError(path, "no pixels to write");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    // Encoded in memory first, so the file is written whole or not at all.
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, rgba.data(), 0, nullptr))
        throw ToolError(path, image.message);
    std::vector<uint8_t> encoded(size);
    if (!png_image_write_to_memory(&image, encoded.data(), &size, 0, rgba.data(), 0, nullptr))
        throw ToolError(path, image.message);
    writeFileSafely(path, encoded.data(), size);
}
