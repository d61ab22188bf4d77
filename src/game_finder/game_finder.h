#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class RegistryReader;

// Where the game may be, in the order a player is likeliest to have it, and the
// first folder there that holds its archive. The saver, the viewer and kvtool
// all find the game through here; the platform supplies only its registry.

// The game's archive, in its install folder.
inline constexpr const char* archiveFileName = "kv.hog";

// How a folder came to be looked at.
enum class GameSource { chosen, appPaths, steam, gog, wine };
// "Steam", as in "Found through Steam".
const char* gameSourceName(GameSource source);

// Why a place was passed over, or that it holds the game.
enum class LookOutcome {
    found,
    noFolder,    // no such folder (a library on an unplugged drive)
    noArchive,   // a folder without kv.hog
    notArchive,  // kv.hog that is no HOG2 archive
    unreadable,  // a file or folder that cannot be read
    duplicate,   // reached before by another way
    noFile,      // a store's list that is not there
    malformed,   // a store's list that cannot be read as its format
    tooLarge,    // a store's list too large to be one
    notPrefix,   // a folder without drive_c and system.reg
};
// "no such folder", "skipped as a duplicate", ...
const char* describe(LookOutcome outcome);

// A folder or file the finder looked at, and what it found there.
struct PlaceLooked {
    std::string place;
    std::string origin;  // "Steam library D:\SteamLibrary", "Wine prefix ~/.wine", ...
    LookOutcome outcome = LookOutcome::found;
    std::string detail;  // the archive's own message for notArchive
};

struct FoundGame {
    std::string folder;
    std::string archive;  // the kv.hog inside it (in the letter case it has there)
    GameSource source = GameSource::chosen;
    std::string origin;
};

struct GameSearchResult {
    std::vector<FoundGame> found;     // the first, or with `all` every one, in order
    std::vector<PlaceLooked> looked;  // every place, in the order looked at
};

// The stores each platform has: Windows' registry and folders, or Linux's
// folders of Steam, Heroic, Lutris, Bottles and Wine.
enum class FinderPlatform { windows, linux };
FinderPlatform thisPlatform();

// An environment variable, or nothing when it is unset.
using Environment = std::function<std::optional<std::string>(const std::string& name)>;
Environment processEnvironment();

struct GameSearch {
    FinderPlatform platform = thisPlatform();
    // The folder the user chose (the command line's, or the stored game_dir), or
    // an archive file, taken as given; empty for none.
    std::string chosen;
    // The system's registry, on Windows.
    RegistryReader* registry = nullptr;
    Environment environment = processEnvironment();
    // Every folder with the archive, not just the first.
    bool all = false;
};

// Looks in order: the folder chosen; the App Paths entry of the game's own
// installer; Steam's libraries; GOG's installs; then, on Linux, Wine and
// Proton prefixes. Never throws for what it reads.
GameSearchResult findGame(const GameSearch& search);

// Whether `folder` holds a readable archive: what the settings dialog asks of a
// folder before it keeps it.
PlaceLooked checkGameFolder(const std::string& folder, FinderPlatform platform = thisPlatform());
