#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The small files in which Linux game launchers record their installs.

// Heroic's gog_store/installed.json: { "installed": [ { "install_path": ... } ] }.
// Nothing when the text is not such JSON.
std::optional<std::vector<std::string>> heroicInstallPaths(std::string_view json);
// Heroic's GamesConfig/<game>.json: { "<game>": { "winePrefix": ... } }.
std::optional<std::vector<std::string>> heroicWinePrefixes(std::string_view json);

// A Lutris game file (games/<game>.yml): where its program and its Wine prefix are.
struct LutrisGame {
    std::string exe;     // the program; relative to the prefix when not absolute
    std::string prefix;  // empty when the game has none
};
// Reads the "game:" block's "exe" and "prefix" entries: plain or quoted YAML
// scalars. Nothing when the block has neither.
std::optional<LutrisGame> lutrisGame(std::string_view yaml);
