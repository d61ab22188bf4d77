// Wine and Proton prefixes on Linux: a Windows install of the game, found
// through the prefix's own registry and mapped onto its drives.
#include "game_finder/finder_walk.h"
#include "game_finder/folder_access.h"
#include "game_finder/launcher_files.h"
#include "game_finder/registry_places.h"
#include "game_finder/wine_registry.h"

namespace {
// Prefixes a launcher's folder may hold, and game files a launcher may keep.
constexpr size_t maxPrefixesPerFolder = 1024;

// A Windows path's folder inside the prefix: the drive through its dosdevices
// link (which may point anywhere; c: is drive_c), then each name matched in
// any letter case, as Windows would. Nothing for a path that is not absolute
// on a drive letter, or that climbs with "..".
std::optional<std::string> mapIntoPrefix(const std::string& prefix, const std::string& windowsPath) {
    if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
    const char letter = foldedAscii(windowsPath.substr(0, 1))[0];
    if (letter < 'a' || letter > 'z') return std::nullopt;
    std::string folder;
    const std::string device = joinPath(joinPath(prefix, "dosdevices"), std::string(1, letter) + ":");
    if (const std::optional<std::string> linked = canonicalPath(device)) folder = *linked;
    else if (letter == 'c') folder = joinPath(prefix, "drive_c");
    else return std::nullopt;
    size_t at = 2;
    while (at < windowsPath.size()) {
        const size_t end = windowsPath.find_first_of("\\/", at);
        const std::string name = windowsPath.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? windowsPath.size() : end + 1;
        if (name.empty() || name == ".") continue;
        if (name == "..") return std::nullopt;
        folder = entryNamed(folder, name, true).value_or(joinPath(folder, name));
    }
    return folder;
}

bool isPrefix(const std::string& folder) {
    return isFolder(joinPath(folder, "drive_c")) && isFile(joinPath(folder, "system.reg"));
}

void lookInPrefix(FinderWalk& walk, const std::string& prefix, const std::string& kind) {
    if (walk.done()) return;
    const std::string origin = kind + " " + walk.shown(prefix);
    if (!walk.firstVisit(prefix, origin)) return;
    if (!isPrefix(prefix)) {
        walk.note(prefix, origin, LookOutcome::notPrefix);
        return;
    }
    const std::string file = joinPath(prefix, "system.reg");
    WineRegistry registry(RegistryHive::localMachine, machineKeysRead());
    bool malformed = false;
    const FileStatus status = readWineRegistry(file, registry, malformed);
    if (status != FileStatus::read || malformed) {
        walk.note(file, origin, malformed ? LookOutcome::malformed
                                : status == FileStatus::tooLarge ? LookOutcome::tooLarge
                                                                 : LookOutcome::unreadable);
        return;
    }
    std::vector<std::pair<std::string, std::string>> places;  // Windows path, what named it
    if (const std::optional<std::string> folder = appPathsFolder(registry)) places.emplace_back(*folder, "App Paths");
    for (const std::string& folder : gogFolders(registry)) places.emplace_back(folder, "GOG");
    for (const auto& [windowsPath, named] : places) {
        const std::string placeOrigin = origin + ", " + named + " " + windowsPath;
        if (const std::optional<std::string> folder = mapIntoPrefix(prefix, windowsPath))
            walk.lookAt(*folder, GameSource::wine, placeOrigin);
        else
            walk.note(windowsPath, placeOrigin, LookOutcome::noFolder);
    }
}

// Every folder inside `folder` as a prefix (Bottles' bottles, Heroic's prefixes).
void lookInPrefixesUnder(FinderWalk& walk, const std::string& folder, const std::string& kind) {
    if (!isFolder(folder)) {
        walk.note(folder, kind, LookOutcome::noFolder);
        return;
    }
    std::vector<std::string> entries = folderEntries(folder, true);
    if (entries.size() > maxPrefixesPerFolder) entries.resize(maxPrefixesPerFolder);
    for (const std::string& entry : entries) lookInPrefix(walk, joinPath(folder, entry), kind);
}

// The files of a launcher's folder that end in `suffix`.
std::vector<std::string> filesEndingIn(FinderWalk& walk, const std::string& folder, const std::string& suffix,
                                       const std::string& origin) {
    std::vector<std::string> files;
    if (!isFolder(folder)) {
        walk.note(folder, origin, LookOutcome::noFolder);
        return files;
    }
    for (const std::string& entry : folderEntries(folder, false))
        if (entry.size() > suffix.size() && entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) == 0 &&
            files.size() < maxPrefixesPerFolder)
            files.push_back(joinPath(folder, entry));
    return files;
}

void lookInHeroic(FinderWalk& walk, const std::string& home) {
    std::vector<std::string> configs;
    if (const auto config = walk.xdgFolder("XDG_CONFIG_HOME", ".config")) configs.push_back(joinPath(*config, "heroic"));
    configs.push_back(joinPath(home, ".var/app/com.heroicgameslauncher.hgl/config/heroic"));
    for (const std::string& config : configs)
        for (const std::string& file : filesEndingIn(walk, joinPath(config, "GamesConfig"), ".json", "Heroic")) {
            if (const auto prefixes = walk.parsedList(file, "Heroic", heroicWinePrefixes))
                for (const std::string& prefix : *prefixes) lookInPrefix(walk, prefix, "Heroic prefix");
        }
    lookInPrefixesUnder(walk, joinPath(home, "Games/Heroic/Prefixes/default"), "Heroic prefix");
    lookInPrefixesUnder(walk, joinPath(home, "Games/Heroic/Prefixes"), "Heroic prefix");
}

void lookInLutris(FinderWalk& walk, const std::string& home) {
    std::vector<std::string> folders;
    if (const auto config = walk.xdgFolder("XDG_CONFIG_HOME", ".config")) folders.push_back(joinPath(*config, "lutris/games"));
    if (const auto data = walk.xdgFolder("XDG_DATA_HOME", ".local/share")) folders.push_back(joinPath(*data, "lutris/games"));
    folders.push_back(joinPath(home, ".var/app/net.lutris.Lutris/config/lutris/games"));
    folders.push_back(joinPath(home, ".var/app/net.lutris.Lutris/data/lutris/games"));
    for (const std::string& folder : folders)
        for (const std::string& file : filesEndingIn(walk, folder, ".yml", "Lutris")) {
            if (walk.done()) return;
            const std::optional<LutrisGame> game = walk.parsedList(file, "Lutris", lutrisGame);
            if (!game) continue;
            const std::string origin = "Lutris game " + walk.shown(file);
            if (!game->exe.empty()) {
                const std::string exe = game->exe.front() == '/' || game->prefix.empty() ? game->exe : joinPath(game->prefix, game->exe);
                walk.lookAt(parentPath(exe), GameSource::wine, origin);
            }
            if (!game->prefix.empty()) lookInPrefix(walk, game->prefix, "Lutris prefix");
        }
}
}  // namespace

void lookInWinePrefixes(FinderWalk& walk) {
    if (walk.windows()) return;
    if (const auto prefix = walk.variable("WINEPREFIX")) lookInPrefix(walk, *prefix, "Wine prefix");
    const std::optional<std::string> home = walk.home();
    if (!home) return;
    lookInPrefix(walk, joinPath(*home, ".wine"), "Wine prefix");
    for (const std::string& steamapps : walk.steamappsFolders) {
        const std::string compatdata = joinPath(steamapps, "compatdata");
        std::vector<std::string> games = folderEntries(compatdata, true);
        if (games.size() > maxPrefixesPerFolder) games.resize(maxPrefixesPerFolder);
        for (const std::string& game : games) lookInPrefix(walk, joinPath(joinPath(compatdata, game), "pfx"), "Proton prefix");
    }
    const std::string data = walk.xdgFolder("XDG_DATA_HOME", ".local/share").value_or(joinPath(*home, ".local/share"));
    lookInPrefixesUnder(walk, joinPath(data, "bottles/bottles"), "Bottles bottle");
    lookInPrefixesUnder(walk, joinPath(*home, ".var/app/com.usebottles.bottles/data/bottles/bottles"), "Bottles bottle");
    lookInHeroic(walk, *home);
    lookInLutris(walk, *home);
}
