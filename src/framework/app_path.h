#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Where Windows finds the game: the App Paths entry its installer writes.
inline constexpr const char* appPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Korvane.Exe";
inline constexpr const char* appPathsValue = "Path";
// The value is read into a buffer of this many bytes, and the archive's path is built in it.
inline constexpr uint32_t appPathBufferSize = 260;
inline constexpr const char* archiveFileSuffix = "\\kv.hog";

// The archive's path from the value's data as read (`size` bytes, with or
// without its terminating 0). Nothing when the path and "\kv.hog" with its 0
// do not fit the buffer: a cut path would name some other file.
std::optional<std::string> archivePathFromAppPath(const char* data, uint32_t size);
