#include "framework/app_path.h"

#include <cstring>

std::optional<std::string> archivePathFromAppPath(const char* data, uint32_t size) {
    if (size > appPathBufferSize) return std::nullopt;
    const size_t length = strnlen(data, size);
    if (length + std::strlen(archiveFileSuffix) + 1 > appPathBufferSize) return std::nullopt;
    return std::string(data, length) + archiveFileSuffix;
}
