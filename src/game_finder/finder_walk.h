#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "game_finder/game_finder.h"

// One search in progress: the places the stores name go through here, which
// looks at each folder once and stops the stores once the game is found.
class FinderWalk {
public:
    FinderWalk(const GameSearch& search, GameSearchResult& result) : search_(search), result_(result) {}

    // Looks for the archive in `folder` (whose identity, if known, is `identity`).
    void lookAt(const std::string& folder, GameSource source, const std::string& origin, const std::string& identity = {});
    // Notes a place read on the way (a store's list, a prefix) and its outcome.
    void note(const std::string& place, const std::string& origin, LookOutcome outcome, std::string detail = {});
    // The bytes of a store's list, or nothing, noted, when it is missing, too large or unreadable.
    std::optional<std::string> readList(const std::string& file, const std::string& origin);
    // A store's list read with `parse` (which answers nothing for a malformed
    // text); nothing, noted, when it cannot be read or parsed.
    template <class Parse>
    auto parsedList(const std::string& file, const std::string& origin, Parse parse) -> decltype(parse(std::string_view())) {
        const std::optional<std::string> bytes = readList(file, origin);
        if (!bytes) return std::nullopt;
        auto parsed = parse(*bytes);
        if (!parsed) note(file, origin, LookOutcome::malformed);
        return parsed;
    }
    // True the first time the folder (resolved) is reached; false, and noted as a
    // duplicate, after. A folder that cannot be resolved is noted as missing.
    bool firstVisit(const std::string& folder, const std::string& origin, const std::string& knownIdentity = {});

    // True once nothing more is wanted.
    bool done() const { return !search_.all && !result_.found.empty(); }
    bool windows() const { return search_.platform == FinderPlatform::windows; }
    // Names in Linux folders match in any letter case: Windows installers write them.
    bool anyCase() const { return !windows(); }
    RegistryReader* registry() const { return search_.registry; }
    std::optional<std::string> variable(const std::string& name) const;
    // $HOME, or nothing when it is unset or not absolute.
    std::optional<std::string> home() const;
    // An absolute $XDG_... folder, else `fallback` under $HOME.
    std::optional<std::string> xdgFolder(const std::string& name, const std::string& fallback) const;
    // `path` for people: $HOME shown as "~".
    std::string shown(const std::string& path) const;

    // The steamapps folders of Steam's libraries, once Steam has been looked at:
    // their Proton prefixes come later.
    std::vector<std::string> steamappsFolders;

private:
    const GameSearch& search_;
    GameSearchResult& result_;
    std::set<std::string> visited_;
};

// The stores, in the order findGame runs them.
void lookInAppPaths(FinderWalk& walk);
void lookInSteam(FinderWalk& walk);
void lookInGog(FinderWalk& walk);
void lookInWinePrefixes(FinderWalk& walk);
