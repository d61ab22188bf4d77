#include "game_finder/game_finder.h"

#include <cstdlib>
#include <fstream>

#include "core/message.h"
#include "data/hog_file.h"
#include "game_finder/finder_walk.h"
#include "game_finder/folder_access.h"

const char* gameSourceName(GameSource source) {
    switch (source) {
        case GameSource::chosen: return "your choice";
        case GameSource::appPaths: return "App Paths";
        case GameSource::steam: return "Steam";
        case GameSource::gog: return "GOG";
        case GameSource::wine: return "Wine";
    }
    return "";
}

const char* describe(LookOutcome outcome) {
    switch (outcome) {
        case LookOutcome::found: return "the game";
        case LookOutcome::noFolder: return "no such folder";
        case LookOutcome::noArchive: return "no archive";
        case LookOutcome::notArchive: return "not an archive";
        case LookOutcome::unreadable: return "unreadable file";
        case LookOutcome::duplicate: return "skipped as a duplicate";
        case LookOutcome::noFile: return "no such file";
        case LookOutcome::malformed: return "malformed file";
        case LookOutcome::tooLarge: return "file too large";
        case LookOutcome::notPrefix: return "not a Wine prefix";
    }
    return "";
}

FinderPlatform thisPlatform() {
#ifdef _WIN32
    return FinderPlatform::windows;
#else
    return FinderPlatform::linux;
#endif
}

Environment processEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr) return std::nullopt;
        return std::string(value);
    };
}

PlaceLooked checkGameFolder(const std::string& folder, FinderPlatform platform) {
    PlaceLooked look{folder, "", LookOutcome::noFolder, ""};
    const std::optional<std::string> archive = entryNamed(folder, archiveFileName, platform == FinderPlatform::linux);
    look.outcome = LookOutcome::noArchive;
    if (!archive) {
        if (!isFolder(folder)) look.outcome = LookOutcome::noFolder;
        return look;
    }
    look.place = *archive;
    if (!std::ifstream(*archive, std::ios::binary) || isFolder(*archive)) {
        look.outcome = LookOutcome::unreadable;
        return look;
    }
    try {
        const HogFile hog(archive->c_str());
        look.outcome = LookOutcome::found;
    } catch (Message message) {
        look.outcome = LookOutcome::notArchive;
        look.detail = message;
    }
    return look;
}

std::optional<std::string> FinderWalk::variable(const std::string& name) const {
    if (!search_.environment) return std::nullopt;
    std::optional<std::string> value = search_.environment(name);
    if (value && value->empty()) return std::nullopt;
    return value;
}

std::optional<std::string> FinderWalk::home() const {
    const std::optional<std::string> value = variable(windows() ? "USERPROFILE" : "HOME");
    if (!value || (!windows() && value->front() != '/')) return std::nullopt;
    return value;
}

std::optional<std::string> FinderWalk::xdgFolder(const std::string& name, const std::string& fallback) const {
    // The XDG rule: a relative value is invalid and ignored.
    const std::optional<std::string> value = variable(name);
    if (value && value->front() == '/') return value;
    const std::optional<std::string> base = home();
    if (!base) return std::nullopt;
    return joinPath(*base, fallback);
}

std::string FinderWalk::shown(const std::string& path) const {
    const std::optional<std::string> base = home();
    if (windows() || !base || *base == "/") return path;
    if (path == *base) return "~";
    if (path.size() > base->size() && path.compare(0, base->size(), *base) == 0 && path[base->size()] == '/')
        return "~" + path.substr(base->size());
    return path;
}

void FinderWalk::note(const std::string& place, const std::string& origin, LookOutcome outcome, std::string detail) {
    result_.looked.push_back({place, origin, outcome, std::move(detail)});
}

std::optional<std::string> FinderWalk::readList(const std::string& file, const std::string& origin) {
    SmallFile read = readSmallFile(file);
    switch (read.status) {
        case FileStatus::read: return std::move(read.bytes);
        case FileStatus::missing: note(file, origin, LookOutcome::noFile); break;
        case FileStatus::tooLarge: note(file, origin, LookOutcome::tooLarge); break;
        case FileStatus::unreadable: note(file, origin, LookOutcome::unreadable); break;
    }
    return std::nullopt;
}

bool FinderWalk::firstVisit(const std::string& folder, const std::string& origin, const std::string& knownIdentity) {
    const std::optional<std::string> identity = knownIdentity.empty() ? folderIdentity(folder) : knownIdentity;
    if (!identity) {
        note(folder, origin, LookOutcome::noFolder);
        return false;
    }
    if (visited_.insert(*identity).second) return true;
    note(folder, origin, LookOutcome::duplicate);
    return false;
}

void FinderWalk::lookAt(const std::string& folder, GameSource source, const std::string& origin,
                        const std::string& identity) {
    if (done() || !firstVisit(folder, origin, identity)) return;
    PlaceLooked look = checkGameFolder(folder, search_.platform);
    look.origin = origin;
    if (look.outcome == LookOutcome::found) result_.found.push_back({folder, look.place, source, origin});
    look.place = folder;
    result_.looked.push_back(std::move(look));
}

GameSearchResult findGame(const GameSearch& search) {
    GameSearchResult result;
    FinderWalk walk(search, result);
    if (!search.chosen.empty()) {
        // An archive named outright is taken as given: opening it says what is wrong with it.
        if (isFile(search.chosen)) {
            result.found.push_back({parentPath(search.chosen), search.chosen, GameSource::chosen, "chosen"});
            walk.note(search.chosen, "chosen", LookOutcome::found);
        } else {
            walk.lookAt(search.chosen, GameSource::chosen, "chosen");
        }
    }
    for (void (*store)(FinderWalk&) : {lookInAppPaths, lookInSteam, lookInGog, lookInWinePrefixes}) {
        if (walk.done()) break;
        store(walk);
    }
    return result;
}
