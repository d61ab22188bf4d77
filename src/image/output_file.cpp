#include "image/output_file.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

void writeFileWhole(const std::string& path, const void* data, size_t size) {
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot create file");
    const bool written = std::fwrite(data, 1, size, file) == size;
    const bool closed = std::fclose(file) == 0;
    std::error_code error;
    if (written && closed) {
        // Windows' rename does not replace a file that is there; std::filesystem's does, on both.
        std::filesystem::rename(temporary, path, error);
    }
    if (!written || !closed || error) {
        std::filesystem::remove(temporary, error);
        throw std::runtime_error("cannot write file");
    }
}
