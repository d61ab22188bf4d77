// Any bytes as a Wine prefix's system.reg, line by line: keep the finder's keys
// and answer its questions.
#include <cstdint>
#include <string_view>

#include "game_finder/registry_places.h"
#include "game_finder/wine_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    WineRegistry registry(RegistryHive::localMachine, machineKeysRead());
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (!registry.addLine(text.substr(0, end))) return 0;
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    appPathsFolder(registry);
    gogFolders(registry);
    steamFoldersInRegistry(registry);
    return 0;
}
