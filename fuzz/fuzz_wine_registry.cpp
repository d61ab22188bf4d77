// Any bytes as a Wine prefix's system.reg: keep the finder's keys and answer
// its questions.
#include <cstdint>
#include <string_view>

#include "game_finder/registry_places.h"
#include "game_finder/wine_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    WineRegistry registry(RegistryHive::localMachine, machineKeysRead());
    if (!registry.read(text)) return 0;
    appPathsFolder(registry);
    gogFolders(registry);
    steamFoldersInRegistry(registry);
    return 0;
}
