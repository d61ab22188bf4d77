#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The finder reads folders and files that other programs wrote: every read is
// bounded, a failure is an answer rather than an exception, and names are bytes.

// Lists, VDF, JSON and YAML files of the stores are small; one larger than this
// is not theirs, and is passed over unread.
inline constexpr uintmax_t maxStoreFileBytes = uintmax_t{4} << 20;
// A folder listing stops after this many entries (a Steam library of many
// games stays well under it).
inline constexpr size_t maxFolderEntries = 20000;

enum class FileStatus { read, missing, tooLarge, unreadable };

struct SmallFile {
    FileStatus status = FileStatus::missing;
    std::string bytes;
};

// The whole file, when it is at most `limit` bytes.
SmallFile readSmallFile(const std::string& path, uintmax_t limit = maxStoreFileBytes);

bool isFolder(const std::string& path);
bool isFile(const std::string& path);

// `a` and `b` joined with the platform's separator.
std::string joinPath(const std::string& a, const std::string& b);
// The folder that holds `path` ("" for a bare name).
std::string parentPath(const std::string& path);

// The same folder however it was reached (links and "." resolved), or nothing
// when it cannot be resolved (missing, a link loop).
std::optional<std::string> canonicalPath(const std::string& path);

// A key that is the same for every path to one folder, found with one look at
// the folder; nothing when `path` is no folder (or a link loop).
std::optional<std::string> folderIdentity(const std::string& path);

// The names of the folder's entries in the order the system gives them, at most
// maxFolderEntries; with `foldersOnly`, only those that are folders (or links to one).
std::vector<std::string> folderEntries(const std::string& folder, bool foldersOnly);

// The path of `name` inside `folder`. Where names are matched in any letter case
// (a Linux folder written by a Windows installer may hold "KV.HOG"), the exact
// name is tried first, then the listing. Nothing when no entry has the name.
std::optional<std::string> entryNamed(const std::string& folder, const std::string& name, bool anyCase);

// A folder inside another, with its identity (as folderIdentity gives it) when
// the listing tells it at no cost; empty when it has to be looked up.
struct Subfolder {
    std::string name;
    std::string identity;
};
// The folders inside `folder`, at most maxFolderEntries. A Steam library lists
// hundreds: their identities come with the listing rather than a look at each.
std::vector<Subfolder> subfolders(const std::string& folder);

// ASCII letters folded to lower case; every other byte kept.
std::string foldedAscii(std::string text);
