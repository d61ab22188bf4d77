#include "png_file.h"

#include <stdexcept>

#include "image/png_writer.h"
#include "tool_support.h"

void writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
    try {
        writePngFile(path, width, height, rgba);
    } catch (const std::runtime_error& error) {
        throw ToolError(path, error.what());
    }
}
