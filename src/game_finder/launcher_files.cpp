#include "game_finder/launcher_files.h"

#include <nlohmann/json.hpp>

namespace {
// nlohmann's parser recurses once a level: a file nested deeper than any
// launcher writes is refused before it is parsed.
constexpr int maxJsonDepth = 64;

bool nestedWithin(std::string_view text, int limit) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

std::optional<nlohmann::json> parsedJson(std::string_view text) {
    if (!nestedWithin(text, maxJsonDepth)) return std::nullopt;
    nlohmann::json value = nlohmann::json::parse(text, nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return value;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// A YAML scalar as Lutris writes a path: bare, 'single' ('' for a quote) or
// "double" quoted (backslash escapes); a bare one ends at " #".
std::string scalar(std::string_view text) {
    text = trimmed(text);
    if (text.empty()) return {};
    const char quote = text.front();
    if (quote != '\'' && quote != '"') {
        const size_t comment = text.find(" #");
        return std::string(trimmed(text.substr(0, comment)));
    }
    std::string out;
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == quote) {
            if (quote == '\'' && i + 1 < text.size() && text[i + 1] == '\'') {
                out += '\'';
                ++i;
                continue;
            }
            break;
        }
        if (quote == '"' && c == '\\' && i + 1 < text.size()) {
            const char e = text[++i];
            out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
            continue;
        }
        out += c;
    }
    return out;
}
}  // namespace

std::optional<std::vector<std::string>> heroicInstallPaths(std::string_view json) {
    const std::optional<nlohmann::json> value = parsedJson(json);
    if (!value || !value->is_object()) return std::nullopt;
    const auto installed = value->find("installed");
    if (installed == value->end() || !installed->is_array()) return std::nullopt;
    std::vector<std::string> paths;
    for (const nlohmann::json& game : *installed) {
        if (!game.is_object()) continue;
        const auto path = game.find("install_path");
        if (path != game.end() && path->is_string()) paths.push_back(path->get<std::string>());
    }
    return paths;
}

std::optional<std::vector<std::string>> heroicWinePrefixes(std::string_view json) {
    const std::optional<nlohmann::json> value = parsedJson(json);
    if (!value || !value->is_object()) return std::nullopt;
    std::vector<std::string> prefixes;
    for (const auto& [name, game] : value->items()) {
        if (!game.is_object()) continue;
        const auto prefix = game.find("winePrefix");
        if (prefix != game.end() && prefix->is_string() && !prefix->get<std::string>().empty())
            prefixes.push_back(prefix->get<std::string>());
    }
    return prefixes;
}

std::optional<LutrisGame> lutrisGame(std::string_view yaml) {
    LutrisGame game;
    bool inGame = false;
    size_t blockIndent = std::string_view::npos;
    while (!yaml.empty()) {
        const size_t end = yaml.find('\n');
        std::string_view line = yaml.substr(0, end);
        yaml = end == std::string_view::npos ? std::string_view() : yaml.substr(end + 1);
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#') continue;
        const size_t indent = line.find_first_not_of(" \t");
        if (indent == 0) {
            inGame = content == "game:";
            blockIndent = std::string_view::npos;
            continue;
        }
        if (!inGame) continue;
        // Only the block's own entries, not those of a block nested in it.
        if (blockIndent == std::string_view::npos) blockIndent = indent;
        if (indent != blockIndent) continue;
        const size_t colon = content.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view key = trimmed(content.substr(0, colon));
        if (key == "exe") game.exe = scalar(content.substr(colon + 1));
        else if (key == "prefix") game.prefix = scalar(content.substr(colon + 1));
    }
    if (game.exe.empty() && game.prefix.empty()) return std::nullopt;
    return game;
}
