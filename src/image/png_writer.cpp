#include "image/png_writer.h"

#include <climits>
#include <stdexcept>

#include "image/output_file.h"

// stb's encoder is header-only, so the Linux and the Windows builds write PNGs
// with the same code and get the same bytes; static, so no other copy of stb in
// a library can clash with it.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {
void append(void* context, void* data, int size) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(context);
    const auto* first = static_cast<const uint8_t*>(data);
    bytes->insert(bytes->end(), first, first + size);
}
}  // namespace

std::vector<uint8_t> encodePng(int width, int height, const uint8_t* rgba) {
    // stb counts a row's bytes in an int.
    if (width < 1 || height < 1 || width > INT_MAX / 4) throw std::runtime_error("no pixels to write");
    std::vector<uint8_t> encoded;
    if (stbi_write_png_to_func(append, &encoded, width, height, 4, rgba, width * 4) == 0 || encoded.empty())
        throw std::runtime_error("cannot encode the picture as PNG");
    return encoded;
}

void writePngFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
    if (width < 1 || height < 1 || rgba.size() != static_cast<size_t>(width) * height * 4)
        throw std::runtime_error("no pixels to write");
    // Encoded in memory first, so the file is written whole or not at all.
    const std::vector<uint8_t> encoded = encodePng(width, height, rgba.data());
    writeFileWhole(path, encoded.data(), encoded.size());
}
