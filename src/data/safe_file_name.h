#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

// Makes a name read from an archive or a model (an entry name, a texture name)
// into a plain file name that is safe to put into a path on Linux and Windows:
// only its last folder part is kept, so ".." and "/" or "\" lead nowhere, and
// the result
// - holds printable ASCII only, without Windows' <>:"/\|?* (each such byte and
//   every control or non-ASCII byte becomes '_');
// - neither starts with '.' nor ends with '.' or ' ' (Windows drops those);
// - is never one of Windows' device names (CON, NUL, COM1, CONOUT$, ...), with or
//   without an extension: those get a leading '_';
// - is at most maxSafeFileNameLength bytes, so a suffix such as "-12.png" still
//   fits every file system's 255;
// - is never empty ("unnamed" stands in for a name with nothing left).
// "../escaped.oof" gives "escaped.oof"; "C:\\ships\\lance.oof" gives "lance.oof".
std::string safeFileName(std::string_view name);

inline constexpr size_t maxSafeFileNameLength = 120;

// Hands out names unique among those it handed out: the stem, then stem_2,
// stem_3 and so on, for the files of one folder (letter case ignored, as two
// names that differ only in case are one file on Windows) or the names inside
// one file. Each stem keeps the number it got to, so many alike names cost
// time in proportion to their count, not its square.
class UniqueNames {
public:
    explicit UniqueNames(bool ignoreCase) : ignoreCase_(ignoreCase) {}
    std::string take(const std::string& stem);

private:
    std::string key(std::string name) const;

    bool ignoreCase_;
    std::set<std::string> taken_;
    std::map<std::string, int> numbers_;
};
