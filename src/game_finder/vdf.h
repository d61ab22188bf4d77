#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Valve's text KeyValues format, as Steam writes libraryfolders.vdf:
//   "libraryfolders" { "0" { "path" "D:\\SteamLibrary" ... } }
// Keys and values are quoted (or bare) strings with \\ \" \n \t escapes;
// "{" opens a key's block; // begins a comment; a [$PLATFORM] condition after a
// value is skipped.
struct VdfNode {
    std::string key;
    std::string value;              // a plain value's text
    std::vector<VdfNode> children;  // a block's entries, in file order
    bool block = false;
};

// The file's top-level entries; nothing when the text is malformed (an
// unterminated string or block, a key without a value, blocks nested deeper
// than any Steam file).
std::optional<std::vector<VdfNode>> parseVdf(std::string_view text);

// The library folders that a libraryfolders.vdf lists, in its order, in each of
// the layouts Steam has written: "LibraryFolders" { "1" "D:\\Lib" } (before 2021),
// numbered blocks with a "path" beside plain values such as "contentstatsid"
// (2021), and "libraryfolders" { "0" { "path" ... } } (since). The root's name
// matches in any case; only numbered entries are libraries. Nothing when the
// file is malformed or has no such root.
std::optional<std::vector<std::string>> steamLibraryFolders(std::string_view text);
