// The stores the finder looks in after the folder chosen: App Paths, Steam and GOG.
#include <set>

#include "game_finder/finder_walk.h"
#include "game_finder/folder_access.h"
#include "game_finder/launcher_files.h"
#include "game_finder/registry_places.h"
#include "game_finder/vdf.h"

namespace {
// Library folders a root may list; Steam lets a user add a few dozen at most.
constexpr size_t maxLibrariesPerRoot = 256;

// Windows paths written with forward slashes (SteamPath) shown and joined the
// Windows way; elsewhere a path is left as it is.
std::string windowsSlashes(std::string path) {
    if (thisPlatform() != FinderPlatform::windows) return path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::vector<std::string> steamRoots(const FinderWalk& walk) {
    std::vector<std::string> roots;
    if (walk.windows()) {
        if (walk.registry() != nullptr)
            for (const std::string& folder : steamFoldersInRegistry(*walk.registry())) roots.push_back(windowsSlashes(folder));
        const std::string programs = walk.variable("ProgramFiles(x86)").value_or("C:\\Program Files (x86)");
        roots.push_back(joinPath(programs, "Steam"));
        return roots;
    }
    if (const auto data = walk.xdgFolder("XDG_DATA_HOME", ".local/share")) roots.push_back(joinPath(*data, "Steam"));
    const std::optional<std::string> home = walk.home();
    if (!home) return roots;
    for (const char* folder : {".local/share/Steam", ".steam/steam", ".steam/root",
                               ".var/app/com.valvesoftware.Steam/.local/share/Steam",
                               ".var/app/com.valvesoftware.Steam/data/Steam", "snap/steam/common/.local/share/Steam"})
        roots.push_back(joinPath(*home, folder));
    return roots;
}

// The folders named `name` in `folder`: on Linux every spelling present
// ("steamapps", "SteamApps"), on Windows the one.
std::vector<std::string> spellings(const FinderWalk& walk, const std::string& folder, const std::string& name) {
    std::vector<std::string> found;
    if (!walk.anyCase()) {
        if (isFolder(joinPath(folder, name))) found.push_back(joinPath(folder, name));
        return found;
    }
    const std::string wanted = foldedAscii(name);
    for (const std::string& entry : folderEntries(folder, true))
        if (foldedAscii(entry) == wanted) found.push_back(joinPath(folder, entry));
    return found;
}

// The libraries a root's libraryfolders.vdf files list.
void listedLibraries(FinderWalk& walk, const std::string& root, std::vector<std::string>& libraries) {
    std::vector<std::string> files;
    for (const std::string& steamapps : spellings(walk, root, "steamapps")) files.push_back(joinPath(steamapps, "libraryfolders.vdf"));
    if (files.empty()) files.push_back(joinPath(joinPath(root, "steamapps"), "libraryfolders.vdf"));
    files.push_back(joinPath(joinPath(root, "config"), "libraryfolders.vdf"));
    for (const std::string& file : files) {
        const std::optional<std::vector<std::string>> listed = walk.parsedList(file, "Steam", steamLibraryFolders);
        if (!listed) continue;
        for (size_t i = 0; i < listed->size() && i < maxLibrariesPerRoot; ++i)
            libraries.push_back(windowsSlashes((*listed)[i]));
    }
}
}  // namespace

void lookInAppPaths(FinderWalk& walk) {
    if (walk.registry() == nullptr) return;
    if (const std::optional<std::string> folder = appPathsFolder(*walk.registry()))
        walk.lookAt(*folder, GameSource::appPaths, "App Paths");
}

void lookInSteam(FinderWalk& walk) {
    std::vector<std::string> libraries;
    std::set<std::string> rootsRead;
    for (const std::string& root : steamRoots(walk)) {
        const std::optional<std::string> resolved = canonicalPath(root);
        if (!resolved || !isFolder(*resolved)) {
            walk.note(root, "Steam", LookOutcome::noFolder);
            continue;
        }
        if (!rootsRead.insert(*resolved).second) {
            walk.note(root, "Steam", LookOutcome::duplicate);
            continue;
        }
        // The Steam folder is a library whether its list says so or not.
        libraries.push_back(root);
        listedLibraries(walk, root, libraries);
    }
    for (const std::string& library : libraries) {
        const std::string origin = "Steam library " + walk.shown(library);
        if (!walk.firstVisit(library, origin)) continue;
        for (const std::string& steamapps : spellings(walk, library, "steamapps")) {
            walk.steamappsFolders.push_back(steamapps);
            for (const std::string& common : spellings(walk, steamapps, "common"))
                for (const Subfolder& game : subfolders(common)) {
                    if (walk.done()) return;
                    walk.lookAt(joinPath(common, game.name), GameSource::steam, origin, game.identity);
                }
        }
    }
}

void lookInGog(FinderWalk& walk) {
    if (walk.windows()) {
        if (walk.registry() == nullptr) return;
        for (const std::string& folder : gogFolders(*walk.registry())) walk.lookAt(folder, GameSource::gog, "GOG");
        return;
    }
    std::vector<std::string> configs;
    if (const auto config = walk.xdgFolder("XDG_CONFIG_HOME", ".config")) configs.push_back(joinPath(*config, "heroic"));
    if (const auto home = walk.home()) configs.push_back(joinPath(*home, ".var/app/com.heroicgameslauncher.hgl/config/heroic"));
    for (const std::string& config : configs) {
        const std::string file = joinPath(config, "gog_store/installed.json");
        if (const auto paths = walk.parsedList(file, "GOG (Heroic)", heroicInstallPaths))
            for (const std::string& path : *paths) walk.lookAt(path, GameSource::gog, "GOG (Heroic)");
    }
}
