#include "game_finder/wine_registry.h"

#include <cstring>

namespace {
constexpr std::string_view header = "WINE REGISTRY Version 2";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string_view trimmedEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return line;
}

char foldedByte(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithFolded(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0 &&
           (text.size() == prefix.size() || text[prefix.size()] == '\\');
}
}  // namespace

std::optional<std::string> unescapeRegistryString(std::string_view quoted, size_t& end) {
    std::string out;
    for (size_t i = 0; i < quoted.size(); ++i) {
        const char c = quoted[i];
        if (c == '"') {
            end = i + 1;
            return out;
        }
        if (c != '\\' || i + 1 == quoted.size()) {
            out += c;
            continue;
        }
        const char e = quoted[++i];
        switch (e) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case '0': out += '\0'; break;
            case 'x': {
                unsigned code = 0;
                int digits = 0;
                while (digits < 4 && i + 1 < quoted.size() && hexDigit(quoted[i + 1]) >= 0) {
                    code = code * 16 + static_cast<unsigned>(hexDigit(quoted[++i]));
                    ++digits;
                }
                if (digits == 0) out += 'x';
                else appendUtf8(out, code);
                break;
            }
            default: out += e;  // \\, \" and any other escaped byte stand for themselves
        }
    }
    return std::nullopt;
}

WineRegistry::WineRegistry(RegistryHive hive, std::vector<std::string> wanted) : hive_(hive) {
    for (const std::string& prefix : wanted) {
        std::string asWritten;
        for (const char c : foldedAscii(prefix)) asWritten += c == '\\' ? std::string(2, c) : std::string(1, c);
        wantedAsWritten_.push_back(asWritten);
    }
}

bool WineRegistry::addLine(std::string_view line) {
    line = trimmedEnd(line);
    if (!headerSeen_) {
        if (line.empty()) return true;
        if (line != header) return false;
        headerSeen_ = true;
        return true;
    }
    if (continued_) {
        continued_ = !line.empty() && line.back() == '\\';
        return true;
    }
    if (line.empty() || line[0] == ';' || line[0] == '#') return true;
    if (line[0] == '[') startKey(line);
    else if (line[0] == '"' || line[0] == '@') addValue(line);
    return true;
}

void WineRegistry::startKey(std::string_view line) {
    current_ = nullptr;
    // Most keys are passed over: the line as written is held against each
    // wanted prefix as written (backslashes doubled) before anything is copied.
    bool wanted = false;
    for (const std::string& prefix : wantedAsWritten_) {
        const size_t end = 1 + prefix.size();
        if (line.size() <= end || (line[end] != '\\' && line[end] != ']')) continue;
        size_t i = 0;
        while (i < prefix.size() && foldedByte(line[1 + i]) == prefix[i]) ++i;
        if ((wanted = i == prefix.size())) break;
    }
    if (!wanted) return;
    std::string path;
    size_t i = 1;
    for (; i < line.size() && line[i] != ']'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;  // "\\" separates; "\]" is a bracket of the name
        path += line[i];
    }
    if (i == line.size()) return;  // no "]": not a key line this reader knows
    const std::string folded = foldedAscii(path);
    Key& key = keys_[folded];
    key.path = path;
    current_ = &key;
}

void WineRegistry::addValue(std::string_view line) {
    std::string name;  // "@" is the key's default value, whose name is empty
    size_t at = 1;
    if (line[0] == '"') {
        size_t end = 0;
        const std::optional<std::string> quoted = unescapeRegistryString(line.substr(1), end);
        if (!quoted) return;
        name = *quoted;
        at = 1 + end;
    }
    if (at >= line.size() || line[at] != '=') return;
    std::string_view data = line.substr(at + 1);
    if (!data.empty() && data.back() == '\\' && data.front() != '"' && data.rfind("str(", 0) != 0) {
        continued_ = true;  // hex data going on in the next lines
        return;
    }
    if (current_ == nullptr) return;
    if (data.rfind("str(2):", 0) == 0) data.remove_prefix(7);
    if (data.empty() || data.front() != '"') return;  // a number, hex data or a list: not a path
    size_t end = 0;
    std::optional<std::string> value = unescapeRegistryString(data.substr(1), end);
    if (value) current_->values[foldedAscii(name)] = std::move(*value);
}

bool WineRegistry::read(std::string_view text) {
    size_t at = 0;
    while (at < text.size()) {
        if (headerSeen_ && current_ == nullptr && !continued_ && text[at] != '[') {
            // Only the next key line matters: a "[" that begins a line (continued
            // data never does), not one inside a value.
            for (size_t from = at;;) {
                const void* bracket = std::memchr(text.data() + from, '[', text.size() - from);
                if (bracket == nullptr) return true;
                const size_t key = static_cast<size_t>(static_cast<const char*>(bracket) - text.data());
                if (text[key - 1] == '\n') {
                    at = key;
                    break;
                }
                from = key + 1;
            }
        }
        const size_t end = text.find('\n', at);
        if (!addLine(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at))) return false;
        at = end == std::string_view::npos ? text.size() : end + 1;
    }
    return true;
}

std::string WineRegistry::keyPath(RegistryHive hive, const std::string& key, RegistryView view) const {
    std::string folded = foldedAscii(key);
    if (view == RegistryView::wow32 && hive == RegistryHive::localMachine && startsWithFolded(folded, "software"))
        folded.insert(8, "\\wow6432node");
    return folded;
}

std::optional<std::string> WineRegistry::text(RegistryHive hive, const std::string& key, const std::string& name,
                                              RegistryView view) {
    if (hive != hive_) return std::nullopt;
    const auto found = keys_.find(keyPath(hive, key, view));
    if (found == keys_.end()) return std::nullopt;
    const auto value = found->second.values.find(foldedAscii(name));
    if (value == found->second.values.end()) return std::nullopt;
    return value->second;
}

std::vector<std::string> WineRegistry::subkeys(RegistryHive hive, const std::string& key, RegistryView view) {
    std::vector<std::string> names;
    if (hive != hive_) return names;
    const std::string parent = keyPath(hive, key, view) + "\\";
    std::vector<std::string> seen;
    for (auto found = keys_.lower_bound(parent); found != keys_.end(); ++found) {
        const std::string& folded = found->first;
        if (folded.compare(0, parent.size(), parent) != 0) break;
        const size_t end = folded.find('\\', parent.size());
        const size_t length = (end == std::string::npos ? folded.size() : end) - parent.size();
        const std::string child = folded.substr(parent.size(), length);
        if (child.empty() || (!seen.empty() && seen.back() == child)) continue;
        seen.push_back(child);
        names.push_back(found->second.path.substr(parent.size(), length));
    }
    return names;
}

FileStatus readWineRegistry(const std::string& path, WineRegistry& registry, bool& malformed) {
    const SmallFile file = readSmallFile(path, maxRegistryFileBytes);
    malformed = file.status == FileStatus::read && (!registry.read(file.bytes) || !registry.headerSeen());
    return file.status;
}
