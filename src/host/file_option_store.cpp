#include "host/file_option_store.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace fs = std::filesystem;

namespace {
std::string trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return "";
    const size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// Splits "name = value"; false for comments and lines without "=".
bool splitLine(const std::string& line, std::string& name, std::string& value) {
    const std::string trimmed = trim(line);
    if (trimmed.empty() || trimmed[0] == '#') return false;
    const size_t equals = trimmed.find('=');
    if (equals == std::string::npos) return false;
    name = trim(trimmed.substr(0, equals));
    value = trim(trimmed.substr(equals + 1));
    return true;
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
    std::string name, value;
    for (const std::string& line : lines_)
        if (splitLine(line, name, value) && name == wanted) found = value;  // the last one wins
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
    readLines();  // keep what the file already holds
    std::error_code error;
    const fs::path parent = fs::path(path_).parent_path();
    if (!parent.empty()) fs::create_directories(parent, error);
    if (error) return false;
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
    const std::string line = std::string(name) + "=" + std::to_string(number);
    std::string existing, value;
    for (std::string& old : lines_) {
        if (splitLine(old, existing, value) && existing == name) {
            old = line;
            return;
        }
    }
    lines_.push_back(line);
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
