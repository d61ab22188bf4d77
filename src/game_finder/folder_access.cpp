#include "game_finder/folder_access.h"

#include <dirent.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

SmallFile readSmallFile(const std::string& path, uintmax_t limit) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) return {FileStatus::missing, {}};
    if (!fs::is_regular_file(status)) return {FileStatus::unreadable, {}};
    const uintmax_t size = fs::file_size(path, error);
    if (error) return {FileStatus::unreadable, {}};
    if (size > limit) return {FileStatus::tooLarge, {}};
    std::ifstream in(path, std::ios::binary);
    if (!in) return {FileStatus::unreadable, {}};
    SmallFile file{FileStatus::read, std::string(static_cast<size_t>(size), '\0')};
    in.read(file.bytes.data(), static_cast<std::streamsize>(size));
    // A file that shrank while it was read is taken as far as it went.
    file.bytes.resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) return {FileStatus::unreadable, {}};
    return file;
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

bool isFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

std::string joinPath(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    const char separator = static_cast<char>(fs::path::preferred_separator);
    if (a.back() == separator || a.back() == '/') return a + b;
    return a + separator + b;
}

std::string parentPath(const std::string& path) { return fs::path(path).parent_path().string(); }

std::optional<std::string> canonicalPath(const std::string& path) {
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    if (error) return std::nullopt;
    return resolved.string();
}

std::optional<std::string> folderIdentity(const std::string& path) {
#ifdef _WIN32
    // No inode numbers here: a folder is known by its resolved path, in one letter case.
    if (!isFolder(path)) return std::nullopt;
    std::optional<std::string> resolved = canonicalPath(path);
    if (resolved) *resolved = foldedAscii(*resolved);
    return resolved;
#else
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return std::nullopt;
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
#endif
}

// The C library's listing rather than std::filesystem's: the finder lists
// thousands of folders at every start of the saver, and this costs the least.
std::vector<std::string> folderEntries(const std::string& folder, bool foldersOnly) {
    std::vector<std::string> names;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return names;
    while (const dirent* entry = readdir(listing)) {
        if (names.size() >= maxFolderEntries) break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (foldersOnly) {
#ifdef _DIRENT_HAVE_D_TYPE
            if (entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) continue;
            if (entry->d_type != DT_DIR && !isFolder(joinPath(folder, name))) continue;
#else
            if (!isFolder(joinPath(folder, name))) continue;
#endif
        }
        names.push_back(name);
    }
    closedir(listing);
    return names;
}

std::vector<Subfolder> subfolders(const std::string& folder) {
    std::vector<Subfolder> found;
#if defined(_DIRENT_HAVE_D_TYPE) && !defined(_WIN32)
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return found;
    struct stat status {};
    const bool known = fstat(dirfd(listing), &status) == 0;
    while (const dirent* entry = readdir(listing)) {
        if (found.size() >= maxFolderEntries) break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        // A folder's entry number is its inode on the listing's device (a mount
        // point's is not: at worst that folder is looked at twice).
        if (entry->d_type == DT_DIR && known)
            found.push_back({name, std::to_string(status.st_dev) + ":" + std::to_string(entry->d_ino)});
        else if ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) && isFolder(joinPath(folder, name)))
            found.push_back({name, ""});
    }
    closedir(listing);
#else
    for (std::string& name : folderEntries(folder, true)) found.push_back({std::move(name), ""});
#endif
    return found;
}

std::string foldedAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::optional<std::string> entryNamed(const std::string& folder, const std::string& name, bool anyCase) {
    if (!anyCase) {
        const std::string exact = joinPath(folder, name);
        std::error_code error;
        if (fs::exists(fs::symlink_status(exact, error))) return exact;
        return std::nullopt;
    }
    // One listing answers for every spelling, the exact one first.
    const std::string wanted = foldedAscii(name);
    std::optional<std::string> found;
    for (const std::string& entry : folderEntries(folder, false)) {
        if (entry == name) return joinPath(folder, entry);
        if (!found && entry.size() == wanted.size() && foldedAscii(entry) == wanted) found = joinPath(folder, entry);
    }
    return found;
}
