#pragma once

#include <cstdint>
#include <string>

#include "data/in_file.h"

// Something that opens named data files.
class Archive {
public:
    virtual ~Archive() = default;
    // A new stream on the named file, owned by the caller; throws "File not found".
    virtual InFile* open(const char* name) = 0;
};

// One 48-byte entry of a HOG2 entry table, as read from the file, except that
// `offset` holds the entry's absolute data position once the archive is open.
struct HogEntry {
    char name[36];   // NUL-terminated, at most 35 characters
    int32_t offset;
    int32_t length;
    int32_t unused;
};
static_assert(sizeof(HogEntry) == 48, "the entry table is read in one block");

// The game's HOG2 archive: the entry table is read once; every open makes a new
// file handle that belongs to the returned stream.
class HogFile : public Archive {
public:
    explicit HogFile(const char* path);
    ~HogFile() override;
    HogFile(const HogFile&) = delete;
    HogFile& operator=(const HogFile&) = delete;

    InFile* open(const char* name) override;

    // The entry with this name (ASCII case ignored), or null.
    const HogEntry* find(const char* name) const;

    char* path;
    int32_t entryCount = 0;
    HogEntry* entries = nullptr;
};

// The C library's case-insensitive comparison: ASCII A-Z fold to a-z, bytes
// compare unsigned, nothing else folds. The archive's table is sorted by it.
int compareNames(const char* a, const char* b);

// `name` with ASCII A-Z folded to a-z: two names compare equal under
// compareNames exactly when their folded forms are equal, so it keys lookups.
std::string foldedName(const char* name);

// True when `name` ends in `suffix` (ASCII case ignored).
bool endsWithIgnoringCase(const char* name, const char* suffix);
