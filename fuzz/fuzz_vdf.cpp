// Any bytes as a Steam libraryfolders.vdf: parse it and take its libraries.
#include <cstdint>
#include <string_view>

#include "game_finder/vdf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto folders = steamLibraryFolders(text))
        for (const std::string& folder : *folders)
            if (folder.empty()) __builtin_trap();  // an empty path is never a library
    return 0;
}
