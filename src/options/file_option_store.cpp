#include "options/file_option_store.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace fs = std::filesystem;

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Where the line's comment begins (its length when it has none): a '#' at the
// start of the line or after a blank, so that a value such as a path may
// still hold a '#' of its own.
size_t commentStart(const std::string& line) {
    for (size_t i = 0; i < line.size(); ++i)
        if (line[i] == '#' && (i == 0 || isBlank(line[i - 1]))) return i;
    return line.size();
}

// A "name = value" line: the name, and where in the line its value lies.
struct SettingLine {
    std::string name;
    size_t valueBegin = 0;
    size_t valueEnd = 0;
    std::string value(const std::string& line) const { return line.substr(valueBegin, valueEnd - valueBegin); }
};

// False for comments, blank lines and lines without "=".
bool parseLine(const std::string& line, SettingLine& setting) {
    const size_t end = commentStart(line);
    const size_t equals = line.find('=');
    if (equals >= end) return false;
    size_t nameBegin = 0, nameEnd = equals;
    while (nameBegin < nameEnd && isBlank(line[nameBegin])) ++nameBegin;
    while (nameEnd > nameBegin && isBlank(line[nameEnd - 1])) --nameEnd;
    if (nameBegin == nameEnd) return false;
    setting.name = line.substr(nameBegin, nameEnd - nameBegin);
    setting.valueBegin = equals + 1;
    setting.valueEnd = end;
    while (setting.valueBegin < setting.valueEnd && isBlank(line[setting.valueBegin])) ++setting.valueBegin;
    while (setting.valueEnd > setting.valueBegin && isBlank(line[setting.valueEnd - 1])) --setting.valueEnd;
    return true;
}

// The line with its value replaced, its comment kept in the same column when
// there is room for it.
std::string withValue(const std::string& line, const SettingLine& setting, const std::string& value) {
    const size_t comment = commentStart(line);
    if (comment == line.size()) return line.substr(0, setting.valueBegin) + value + line.substr(setting.valueEnd);
    const long blanks = static_cast<long>(comment - setting.valueEnd) +
                        static_cast<long>(setting.valueEnd - setting.valueBegin) - static_cast<long>(value.size());
    return line.substr(0, setting.valueBegin) + value + std::string(static_cast<size_t>(std::max(1L, blanks)), ' ') +
           line.substr(comment);
}
}  // namespace

FileOptionStore::FileOptionStore(std::string path) : path_(std::move(path)) {}

bool FileOptionStore::readLines() {
    lines_.clear();
    std::ifstream in(path_);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) lines_.push_back(line);
    return true;
}

bool FileOptionStore::openForReading() {
    writing_ = false;
    return readLines();
}

std::optional<std::string> FileOptionStore::text(const std::string& wanted) {
    if (lines_.empty() && !readLines()) return std::nullopt;
    std::optional<std::string> found;
    SettingLine setting;
    for (const std::string& line : lines_)
        if (parseLine(line, setting) && setting.name == wanted) found = setting.value(line);  // the last one wins
    return found;
}

bool FileOptionStore::readValue(const char* name, void* data, uint32_t size) {
    const std::optional<std::string> value = text(name);
    if (!value || value->empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(value->c_str(), &end, 10);
    if (errno != 0 || *end != 0) return false;
    // A value fits when the asked width can hold it: a flag is one unsigned byte,
    // an index a signed 32-bit number. One that does not fit leaves the default.
    if (size == 1) {
        if (number < 0 || number > 255) return false;
        const uint8_t byte = static_cast<uint8_t>(number);
        std::memcpy(data, &byte, 1);
        return true;
    }
    if (size == 4) {
        if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max()) return false;
        const int32_t word = static_cast<int32_t>(number);
        std::memcpy(data, &word, 4);
        return true;
    }
    return false;
}

bool FileOptionStore::openForWriting() {
    // Keep what the file already holds; one that is there but cannot be read
    // is not written over.
    std::error_code absent;
    if (!readLines() && fs::exists(path_, absent)) {
        written_ = false;
        return false;
    }
    std::error_code error;
    const fs::path parent = fs::path(path_).parent_path();
    if (!parent.empty()) fs::create_directories(parent, error);
    if (error) {
        written_ = false;
        return false;
    }
    writing_ = true;
    return true;
}

void FileOptionStore::writeValue(const char* name, const void* data, uint32_t size) {
    long long number = 0;
    if (size == 1) {
        uint8_t byte;
        std::memcpy(&byte, data, 1);
        number = byte;
    } else {
        int32_t word;
        std::memcpy(&word, data, 4);
        number = word;
    }
    setLine(name, std::to_string(number), true);
}

bool FileOptionStore::readText(const char* name, std::string& text) {
    std::optional<std::string> value = this->text(name);
    if (!value || value->empty()) return false;
    text = std::move(*value);
    return true;
}

void FileOptionStore::writeText(const char* name, const std::string& text) { setLine(name, text, !text.empty()); }

void FileOptionStore::setLine(const char* name, const std::string& value, bool addMissing) {
    // Reading takes the last line of a name, so that is the line rewritten.
    SettingLine setting;
    for (auto line = lines_.rbegin(); line != lines_.rend(); ++line) {
        if (parseLine(*line, setting) && setting.name == name) {
            *line = withValue(*line, setting, value);
            return;
        }
    }
    if (addMissing) lines_.push_back(std::string(name) + "=" + value);
}

void FileOptionStore::close() {
    if (!writing_) return;
    writing_ = false;
    // Through a temporary file, so that a failed write never loses the old settings.
    const std::string temporary = path_ + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const std::string& line : lines_) out << line << '\n';
        written_ = static_cast<bool>(out.flush());
    }
    std::error_code error;
    if (written_) fs::rename(temporary, path_, error);
    if (!written_ || error) {
        written_ = false;
        fs::remove(temporary, error);
    }
}

std::string defaultSettingsPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : ".") + "/.config";
    }
    return base + "/kvss/settings";
}
