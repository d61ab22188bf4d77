#include "data/safe_file_name.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "data/hog_file.h"

namespace {
bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool refusedByWindows(unsigned char c) {
    constexpr std::string_view refused = "<>:\"/\\|?*";
    return c < 0x20 || c >= 0x7F || refused.find(static_cast<char>(c)) != std::string_view::npos;
}

// The last folder part that names something: "a/b/../" gives "..", which is
// skipped, so "b" is taken.
std::string_view lastPart(std::string_view name) {
    while (!name.empty()) {
        size_t end = name.size();
        while (end > 0 && isSeparator(name[end - 1])) --end;
        size_t start = end;
        while (start > 0 && !isSeparator(name[start - 1])) --start;
        const std::string_view part = name.substr(start, end - start);
        if (!part.empty() && part != "." && part != "..") return part;
        name = name.substr(0, start);
    }
    return {};
}

// CON, PRN, AUX, NUL, COM0-9 and LPT0-9 name devices on Windows whatever
// extension follows, and in any letter case; CONIN$ and CONOUT$ the console.
bool isDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    constexpr std::array<std::string_view, 6> plain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const std::string_view device : plain)
        if (stem == device) return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           std::isdigit(static_cast<unsigned char>(stem[3]));
}
}  // namespace

namespace {
void fitLength(std::string& name) {
    if (name.size() > maxSafeFileNameLength) name.resize(maxSafeFileNameLength);
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
}
}  // namespace

std::string safeFileName(std::string_view name) {
    std::string safe;
    for (const char c : lastPart(name)) safe += refusedByWindows(static_cast<unsigned char>(c)) ? '_' : c;
    safe.erase(0, safe.find_first_not_of('.'));
    fitLength(safe);
    if (safe.empty()) return "unnamed";
    // A leading '_' makes it an ordinary name; it starts with no dot, so cutting
    // it to length again cannot empty it.
    if (isDeviceName(safe)) {
        safe = "_" + safe;
        fitLength(safe);
    }
    return safe;
}

std::string UniqueNames::take(const std::string& stem) {
    std::string name = stem;
    int& number = numbers_[key(stem)];
    while (!taken_.insert(key(name)).second) {
        number = std::max(number + 1, 2);
        name = stem + "_" + std::to_string(number);
    }
    return name;
}

std::string UniqueNames::key(std::string name) const {
    return ignoreCase_ ? foldedName(name.c_str()) : name;
}
