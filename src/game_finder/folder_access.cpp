#include "game_finder/folder_access.h"

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
    return (fs::path(a) / fs::path(b)).string();
}

std::string parentPath(const std::string& path) { return fs::path(path).parent_path().string(); }

std::optional<std::string> canonicalPath(const std::string& path) {
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    if (error) return std::nullopt;
    return resolved.string();
}

std::vector<std::string> folderEntries(const std::string& folder, bool foldersOnly) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entry(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && entry != fs::directory_iterator() && names.size() < maxFolderEntries; entry.increment(error)) {
        std::error_code typeError;
        if (foldersOnly && !entry->is_directory(typeError)) continue;
        names.push_back(entry->path().filename().string());
    }
    return names;
}

std::string foldedAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::optional<std::string> entryNamed(const std::string& folder, const std::string& name, bool anyCase) {
    const std::string exact = joinPath(folder, name);
    std::error_code error;
    if (fs::exists(fs::symlink_status(exact, error))) return exact;
    if (!anyCase) return std::nullopt;
    const std::string wanted = foldedAscii(name);
    for (const std::string& entry : folderEntries(folder, false))
        if (foldedAscii(entry) == wanted) return joinPath(folder, entry);
    return std::nullopt;
}
