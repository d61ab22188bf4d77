#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game_finder/folder_access.h"
#include "seam/registry_reader.h"

// A Wine prefix's registry file (system.reg holds HKEY_LOCAL_MACHINE), read with
// the rules Windows applies to its own registry, so the finder asks it the same
// questions. The format, as Wine writes it:
//   WINE REGISTRY Version 2
//   [Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Korvane.Exe] 1700000000
//   #time=1d9a...
//   "Path"="C:\\Games\\Korvane"
//   "Expand"=str(2):"%ProgramFiles%\\Korvane"
//   "Blob"=hex:00,01,02,03   (long data goes on in the next line after a "\")
// Key lines name the key (any letter case) and a time; values are quoted with
// \\ \" \n \t and \xHHHH escapes. Only the keys under the wanted prefixes are
// kept: a prefix's registry runs to megabytes, and the finder needs a few keys.
class WineRegistry : public RegistryReader {
public:
    // Keeps the keys at or under `wanted` (paths relative to the hive, any case).
    WineRegistry(RegistryHive hive, std::vector<std::string> wanted);

    // Takes the file's next line (without its newline). False once the text has
    // shown it is no Wine registry file (its first line is not the header).
    bool addLine(std::string_view line);
    // Takes the whole file, going from key line to key line past the keys
    // that are not wanted. False as addLine.
    bool read(std::string_view text);
    // False until the header line has been read: an empty file is no registry.
    bool headerSeen() const { return headerSeen_; }

    std::optional<std::string> text(RegistryHive hive, const std::string& key, const std::string& name,
                                    RegistryView view) override;
    std::vector<std::string> subkeys(RegistryHive hive, const std::string& key, RegistryView view) override;

private:
    struct Key {
        std::string path;                           // as written
        std::map<std::string, std::string> values;  // folded name -> string data
    };
    void startKey(std::string_view line);
    void addValue(std::string_view line);
    std::string keyPath(RegistryHive hive, const std::string& key, RegistryView view) const;

    RegistryHive hive_;
    std::vector<std::string> wantedAsWritten_;  // folded, each "\\" doubled as in a key line
    std::map<std::string, Key> keys_;  // by folded path
    Key* current_ = nullptr;           // the key of the lines now read, when it is kept
    bool headerSeen_ = false;
    bool continued_ = false;           // the last value line ended in "\": this one goes on with it
};

// A prefix's system.reg holds a few megabytes, many times that once many
// programs are installed in it; a larger file is passed over unread.
inline constexpr uintmax_t maxRegistryFileBytes = uintmax_t{32} << 20;

// Reads the registry file at `path` into `registry`: read, or why not. A file
// that is read but is no Wine registry sets `malformed`.
FileStatus readWineRegistry(const std::string& path, WineRegistry& registry, bool& malformed);

// The text of a quoted registry string from just after its opening quote to
// its closing one, escapes undone (\xHHHH as UTF-8); nothing when it does not end.
std::optional<std::string> unescapeRegistryString(std::string_view quoted, size_t& end);
