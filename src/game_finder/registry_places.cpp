#include "game_finder/registry_places.h"

#include <cstring>

#include "game_finder/game_finder.h"
#include "seam/registry_reader.h"

namespace {
constexpr const char* gogGamesKey = "Software\\GOG.com\\Games";
constexpr const char* steamKey = "Software\\Valve\\Steam";
// A GOG registry holds one key a game; a store with more is not read to its end.
constexpr size_t maxGogGames = 4096;

// String data up to its terminating 0, as a program reading it would take it.
std::string untilNul(const std::string& data) { return data.substr(0, strnlen(data.c_str(), data.size())); }
}  // namespace

std::optional<std::string> archivePathFromAppPath(const char* data, uint32_t size) {
    if (size > appPathBufferSize) return std::nullopt;
    const size_t length = strnlen(data, size);
    const std::string suffix = std::string("\\") + archiveFileName;
    if (length + suffix.size() + 1 > appPathBufferSize) return std::nullopt;
    return std::string(data, length) + suffix;
}

std::optional<std::string> appPathsFolder(RegistryReader& registry) {
    for (const RegistryView view : {RegistryView::native, RegistryView::wow32}) {
        const std::optional<std::string> data = registry.text(RegistryHive::localMachine, appPathsKey, appPathsValue, view);
        if (!data) continue;
        if (!archivePathFromAppPath(data->data(), static_cast<uint32_t>(std::min<size_t>(data->size(), UINT32_MAX))))
            continue;
        return untilNul(*data);
    }
    return std::nullopt;
}

std::vector<std::string> gogFolders(RegistryReader& registry) {
    std::vector<std::string> folders;
    for (const RegistryView view : {RegistryView::wow32, RegistryView::native}) {
        std::vector<std::string> games = registry.subkeys(RegistryHive::localMachine, gogGamesKey, view);
        if (games.size() > maxGogGames) games.resize(maxGogGames);
        for (const std::string& game : games) {
            const std::optional<std::string> path =
                registry.text(RegistryHive::localMachine, std::string(gogGamesKey) + "\\" + game, "path", view);
            if (path && !untilNul(*path).empty()) folders.push_back(untilNul(*path));
        }
    }
    return folders;
}

std::vector<std::string> steamFoldersInRegistry(RegistryReader& registry) {
    std::vector<std::string> folders;
    if (const auto path = registry.text(RegistryHive::currentUser, steamKey, "SteamPath", RegistryView::native))
        folders.push_back(untilNul(*path));
    for (const RegistryView view : {RegistryView::wow32, RegistryView::native})
        if (const auto path = registry.text(RegistryHive::localMachine, steamKey, "InstallPath", view))
            folders.push_back(untilNul(*path));
    std::erase(folders, std::string());
    return folders;
}

std::vector<std::string> machineKeysRead() {
    std::vector<std::string> keys;
    for (const std::string key : {appPathsKey, gogGamesKey, steamKey}) {
        keys.push_back(key);
        keys.push_back("Software\\Wow6432Node" + key.substr(std::strlen("Software")));
    }
    return keys;
}
