#include "image/png_writer.h"

#include <png.h>

#include <stdexcept>

#include "image/output_file.h"

std::vector<uint8_t> encodePng(int width, int height, const uint8_t* rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, rgba, 0, nullptr)) throw std::runtime_error(image.message);
    std::vector<uint8_t> encoded(size);
    if (!png_image_write_to_memory(&image, encoded.data(), &size, 0, rgba, 0, nullptr))
        throw std::runtime_error(image.message);
    encoded.resize(size);
    return encoded;
}

void writePngFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
    if (width < 1 || height < 1 || rgba.size() != static_cast<size_t>(width) * height * 4)
        throw std::runtime_error("no pixels to write");
    // Encoded in memory first, so the file is written whole or not at all.
    const std::vector<uint8_t> encoded = encodePng(width, height, rgba.data());
    writeFileWhole(path, encoded.data(), encoded.size());
}
