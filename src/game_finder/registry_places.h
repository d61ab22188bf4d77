#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class RegistryReader;

// Where a Windows registry, the system's own or a Wine prefix's, says the game
// or its stores are.

// The App Paths entry that the game's own installer writes.
inline constexpr const char* appPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Korvane.Exe";
inline constexpr const char* appPathsValue = "Path";
// The value is read into a buffer of this many bytes, and the archive's path is built in it.
inline constexpr uint32_t appPathBufferSize = 260;

// The archive's path from the value's data as read (`size` bytes, with or
// without its terminating 0). Nothing when the path and "\kv.hog" with its 0
// do not fit the buffer: a cut path would name some other file.
std::optional<std::string> archivePathFromAppPath(const char* data, uint32_t size);

// The folder of the App Paths entry: the 64-bit view, then the 32-bit one.
std::optional<std::string> appPathsFolder(RegistryReader& registry);
// The install folders of GOG's games (HKLM\Software\GOG.com\Games\*, "path"):
// the 32-bit view where GOG Galaxy writes, then the native one.
std::vector<std::string> gogFolders(RegistryReader& registry);
// Steam's own folder as its installer and client recorded it: HKCU's SteamPath
// (with forward slashes, often in lower case), then HKLM's InstallPath.
std::vector<std::string> steamFoldersInRegistry(RegistryReader& registry);

// The keys that the lookups above read from HKLM, for a registry file read in part.
std::vector<std::string> machineKeysRead();
