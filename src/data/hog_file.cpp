#include "data/hog_file.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {
constexpr int32_t tableStart = 68;
constexpr int32_t entrySize = 48;

int foldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

int compareKeyWithEntry(const void* key, const void* entry) {
    return compareNames(static_cast<const char*>(key), static_cast<const HogEntry*>(entry)->name);
}
}  // namespace

int compareNames(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const int ca = foldAscii(static_cast<unsigned char>(*a));
        const int cb = foldAscii(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) return ca - cb;
    }
}

std::string foldedName(const char* name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(foldAscii(static_cast<unsigned char>(c)));
    return folded;
}

bool endsWithIgnoringCase(const char* name, const char* suffix) {
    const size_t n = std::strlen(name);
    const size_t s = std::strlen(suffix);
    return n >= s && compareNames(name + (n - s), suffix) == 0;
}

HogFile::HogFile(const char* path_) : path(nullptr) {
    std::unique_ptr<StdioInFile> file(new StdioInFile(path_));
    path = copyString(path_);
    try {
        char magic[4] = {0, 0, 0, 0};
        file->read(magic, 4);
        if (std::memcmp(magic, "HOG2", 4) != 0) fail("Not a HOG2 file");

        const int32_t fileSize = file->size();
        if (fileSize < tableStart) fail("Truncated HOG2 file");
        entryCount = readS32(*file);
        const int32_t dataOffset = readS32(*file);
        if (entryCount < 0) fail("Bad HOG2 entry count");
        // Check the count against the file before allocating: a hostile count
        // must not ask for more memory than the file could fill.
        if (entryCount > (fileSize - tableStart) / entrySize) fail("Truncated HOG2 file");

        file->seek(tableStart);
        entries = new HogEntry[entryCount];
        file->read(entries, entryCount * entrySize);

        // Every entry's data must lie inside the file, so that a stream on it
        // never comes up short and hands a reader bytes that were never read.
        int64_t position = dataOffset;
        if (dataOffset < 0) fail("Truncated HOG2 file");
        for (int32_t i = 0; i < entryCount; ++i) {
            HogEntry& entry = entries[i];
            if (std::memchr(entry.name, 0, sizeof entry.name) == nullptr) fail("Bad HOG2 entry name");
            if (entry.length < 0 || position + entry.length > fileSize) fail("Truncated HOG2 file");
            entry.offset = static_cast<int32_t>(position);
            position += entry.length;
        }
    } catch (...) {
        // Also when the table cannot be allocated: a constructor that throws
        // runs no destructor, so what it made is freed here.
        delete[] entries;
        delete[] path;
        throw;
    }
}

HogFile::~HogFile() {
    delete[] entries;
    delete[] path;
}

const HogEntry* HogFile::find(const char* name) const {
    if (entryCount == 0) return nullptr;
    return static_cast<const HogEntry*>(
        std::bsearch(name, entries, static_cast<size_t>(entryCount), sizeof(HogEntry), compareKeyWithEntry));
}

InFile* HogFile::open(const char* name) {
    const HogEntry* entry = find(name);
    if (entry == nullptr) fail("File not found");
    // The file is ours until the window is fully built, and the window's from then on.
    std::unique_ptr<StdioInFile> file(new StdioInFile(path));
    file->seek(entry->offset);
    auto* window = new HogEntryFile(file.get(), entry->length, path, name);
    file.release();
    return window;
}
